// Loading the key-name list and splitting key sequences into names.
#include "key_vocabulary.h"

#include <QFile>

namespace voxtrel {

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
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
            names_.insert(line);
        }
    }
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
