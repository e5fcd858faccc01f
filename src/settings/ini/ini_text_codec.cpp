// Byte-order marks, and the conversions between a settings file's encoding and ANSI bytes, built
// on the program's one UTF-8 and one ANSI code-page conversion.
#include "settings/ini/ini_text_codec.h"

#include "text/ansi_code_page.h"
#include "text/utf8_text.h"

namespace wingcall {
namespace {

void AppendUtf16Unit(std::string& out, char16_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
}

}  // namespace

DetectedEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return {TextEncoding::Utf8, 3};
    }
    if (bytes.starts_with("\xFF\xFE")) {
        return {TextEncoding::Utf16LittleEndian, 2};
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return {TextEncoding::Utf16BigEndian, 2};
    }
    return {TextEncoding::Ansi, 0};
}

std::string Utf8FromAnsi(std::string_view ansi) {
    return Utf8FromWide(AnsiToWide(ansi));
}

std::string AnsiFromUtf8(std::string_view utf8) {
    return WideToAnsiBestFit(WideFromUtf8(utf8));
}

std::string Utf16FromUtf8(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size();) {
        char16_t units[2];
        const std::size_t count = Utf16UnitsOf(NextUtf8CodePoint(utf8, i), units);
        for (std::size_t unit = 0; unit < count; ++unit) {
            AppendUtf16Unit(out, units[unit], bigEndian);
        }
    }
    return out;
}

void DecodeUtf16(std::string_view bytes, bool bigEndian, std::string& utf8) {
    utf8.clear();
    for (std::size_t offset = 0; offset + 1 < bytes.size(); offset += 2) {
        char32_t unit = Utf16UnitAt(bytes, offset, bigEndian);
        if (unit >= 0xD800 && unit <= 0xDBFF && offset + 3 < bytes.size()) {
            const char32_t low = Utf16UnitAt(bytes, offset + 2, bigEndian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                offset += 2;
                continue;
            }
        }
        AppendUtf8(utf8, unit >= 0xD800 && unit <= 0xDFFF ? kReplacementCharacter : unit);
    }
}

}  // namespace wingcall
