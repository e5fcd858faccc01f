// Reads the key-name list built into the program, once: one name a line, lines starting with '#'
// and empty lines left out, as the stand-in reads its copy.
#include "app/key_names.h"

#include <QFile>
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
};

const KeyNameList& List() {
    static const KeyNameList list = [] {
        RegisterKeyNameResources();
        KeyNameList loaded;
        QFile file(QStringLiteral(":/keys/key-names.txt"));
        if (!file.open(QIODevice::ReadOnly)) {
            return loaded;
        }
        for (QString line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            if (line.endsWith(u'\r')) {
                line.chop(1);
            }
            if (!line.isEmpty() && !line.startsWith(u'#')) {
                loaded.inOrder << line;
                loaded.exact.insert(line);
            }
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
    for (const QString& name : List().inOrder) {
        if (name.compare(text, Qt::CaseInsensitive) == 0) {
            return name;
        }
    }
    return QString();
}

}  // namespace wingcall::app
