// Loading the key-name list and splitting key sequences into names.
#include "key_vocabulary.h"

#include <QFile>

namespace voxtrel {
namespace {

// A text as near misses are compared: without blanks and hyphens, letter case folded.
QString NearMissForm(const QString& text) {
    QString form;
    for (const QChar c : text) {
        if (!c.isSpace() && c != QLatin1Char('-')) {
            form += c;
        }
    }
    return form.toCaseFolded();
}

QStringList ContentLines(const QString& text) {
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
            lines.append(line);
        }
    }
    return lines;
}

}  // namespace

bool KeyVocabulary::LoadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        names_.clear();
        loadError_ = QStringLiteral("the list of key names %1 cannot be read: %2")
                         .arg(path, file.errorString());
        return false;
    }
    LoadFromText(QString::fromUtf8(file.readAll()));
    return true;
}

void KeyVocabulary::LoadFromText(const QString& text) {
    names_.clear();
    loadError_.clear();
    for (const QString& line : ContentLines(text)) {
        names_.insert(line);
    }
}

void KeyVocabulary::LoadAliasesFromText(const QString& text) {
    aliases_.clear();
    for (const QString& line : ContentLines(text)) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            continue;
        }
        const QString name = line.left(equals).trimmed();
        for (const QString& other : line.mid(equals + 1).split(QLatin1Char(','))) {
            aliases_.insert(NearMissForm(other), name);
        }
    }
}

QString KeyVocabulary::ListedNameFor(const QString& text) const {
    if (names_.contains(text)) {
        return QString();
    }
    const QString form = NearMissForm(text);
    for (const QString& name : names_) {
        if (NearMissForm(name) == form) {
            return name;
        }
    }
    return aliases_.value(form);
}

QStringList KeyNamesOfSequence(const QString& sequence) {
    QStringList names;
    const QStringList steps = sequence.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& step : steps) {
        names += step.split(QLatin1Char('+'));
    }
    return names;
}

}  // namespace voxtrel
