// Conversions shared by every implementation of the file dialogs.
#include "app/services/file_dialogs.h"

#include <QStringList>

namespace wingcall::app {

QString EffectiveInitialFolder(const QString& initialFolder) {
    const qsizetype nul = initialFolder.indexOf(QChar(u'\0'));
    return nul < 0 ? initialFolder : initialFolder.left(nul);
}

QString QtNameFilter(const QString& storedFilter) {
    if (storedFilter.isEmpty()) {
        return {};
    }
    const QStringList parts = storedFilter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString& label = parts[i];
        const QString pattern = i + 1 < parts.size() ? parts[i + 1] : label;
        entries << QStringLiteral("%1 (%2)").arg(label, pattern);
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace wingcall::app
