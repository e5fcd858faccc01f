// Decodes an exception's message for display.
#include "app/error_text.h"

namespace wingcall::app {

QString ErrorText(const std::exception& error) {
    // The core writes its messages in UTF-8; so does the standard library on the systems we
    // build for.
    return QString::fromUtf8(error.what());
}

}  // namespace wingcall::app
