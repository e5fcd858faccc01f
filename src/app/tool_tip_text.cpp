// Breaks a tooltip's text at blanks. Qt shows a plain-text tooltip as one line however long it
// is, which on a wide screen is a line across half of it.
#include "app/tool_tip_text.h"

#include <QStringList>

namespace wingcall::app {

QString WrappedToolTip(const QString& text) {
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        for (const QString& word : paragraph.split(u' ')) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > kToolTipLineLength) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
    }
    return lines.join(u'\n');
}

}  // namespace wingcall::app
