// Windows programs write profiles in their ANSI code page, Windows-1252, while the document
// declares ISO-8859-1; the two differ only in bytes 0x80 to 0x9F.
#pragma once

#include <QString>

namespace voxtrel {

// Replaces the characters U+0080 to U+009F, which ISO-8859-1 decoding gives for those bytes,
// with the characters Windows-1252 has there (U+20AC for 0x80 and so on). The five bytes that
// Windows-1252 leaves undefined stay as they are.
QString RemapWindows1252ControlRange(QString text);

}  // namespace voxtrel
