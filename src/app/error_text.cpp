// Decodes an exception's message for display.
#include "app/error_text.h"

#include <QStringDecoder>

#include <cstring>

namespace wingcall::app {

QString ErrorText(const std::exception& error) {
    const char* message = error.what();
    const QByteArray bytes(message, static_cast<qsizetype>(std::strlen(message)));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return decoded;
    }
    // Not UTF-8: the ANSI code page, whose letters Latin-1 shows closely enough.
    return QString::fromLatin1(bytes);
}

}  // namespace wingcall::app
