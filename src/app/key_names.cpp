// Reads the key-name list and its other spellings built into the program, once: one entry a line,
// lines starting with '#' and empty lines left out, as the stand-in reads its copies.
#include "app/key_names.h"

#include <QFile>
#include <QHash>
#include <QSet>

// The list (resources/key_names.qrc) lives in a static library, so it is registered explicitly,
// outside any namespace.
static void RegisterKeyNameResources() {
    Q_INIT_RESOURCE(key_names);
}

namespace wingcall::app {
namespace {

struct KeyNameList {
    QStringList inOrder;
    QSet<QString> exact;
    QList<QPair<QString, QStringList>> aliases;
    // Every listed name and every other spelling, in its near-miss form, with the listed name.
    QHash<QString, QString> nearMisses;
};

// The lines of a list built into the program, without comments and empty lines.
QStringList ListLines(const QString& resource) {
    QFile file(resource);
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly)) {
        return lines;
    }
    for (QString line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (!line.isEmpty() && !line.startsWith(u'#')) {
            lines << line;
        }
    }
    return lines;
}

const KeyNameList& List() {
    static const KeyNameList list = [] {
        RegisterKeyNameResources();
        KeyNameList loaded;
        for (const QString& name : ListLines(QStringLiteral(":/keys/key-names.txt"))) {
            loaded.inOrder << name;
            loaded.exact.insert(name);
            loaded.nearMisses.insert(NearMissForm(name), name);
        }
        // "RCtrl = Right Ctrl, Right Control"
        for (const QString& line : ListLines(QStringLiteral(":/keys/key-name-aliases.txt"))) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals < 0) {
                continue;
            }
            const QString name = line.left(equals).trimmed();
            QStringList others;
            for (const QString& other : line.mid(equals + 1).split(u',')) {
                others << other.trimmed();
                // A listed name's own spelling always means that name.
                if (!loaded.nearMisses.contains(NearMissForm(other))) {
                    loaded.nearMisses.insert(NearMissForm(other), name);
                }
            }
            loaded.aliases.append({name, others});
        }
        return loaded;
    }();
    return list;
}

}  // namespace

const QStringList& KeyNames() {
    return List().inOrder;
}

bool IsKnownKeyName(const QString& text) {
    return List().exact.contains(text);
}

QString ListedSpellingOf(const QString& text) {
    return List().nearMisses.value(NearMissForm(text));
}

const QList<QPair<QString, QStringList>>& KeyNameAliases() {
    return List().aliases;
}

QString NearMissForm(const QString& text) {
    QString form;
    for (const QChar c : text) {
        if (!c.isSpace() && c != u'-') {
            form += c;
        }
    }
    return form.toCaseFolded();
}

}  // namespace wingcall::app
