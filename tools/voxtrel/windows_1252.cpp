// The Windows-1252 characters of bytes 0x80 to 0x9F.
#include "windows_1252.h"

namespace voxtrel {

namespace {

// Index: byte - 0x80. Zero marks the five bytes Windows-1252 leaves undefined.
constexpr char16_t kHighControlRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

}  // namespace

QString RemapWindows1252ControlRange(QString text) {
    for (QChar& character : text) {
        const char16_t code = character.unicode();
        if (code >= 0x80 && code <= 0x9F && kHighControlRange[code - 0x80] != 0) {
            character = QChar(kHighControlRange[code - 0x80]);
        }
    }
    return text;
}

}  // namespace voxtrel
