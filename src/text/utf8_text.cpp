// Code points of UTF-8 text and of the program's wide text.
#include "text/utf8_text.h"

namespace wingcall {
namespace {

bool IsSurrogate(char32_t codePoint) {
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint > 0x10FFFF || IsSurrogate(codePoint)) {
        codePoint = kReplacementCharacter;
    }
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

char32_t NextUtf8CodePoint(std::string_view bytes, std::size_t& index) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const unsigned char lead = byte(index);
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        ++index;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, codePoint = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, codePoint = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, codePoint = lead & 0x07, smallest = 0x10000;
    } else {
        ++index;
        return kReplacementCharacter;
    }
    if (index + length > bytes.size()) {
        ++index;
        return kReplacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(index + i) & 0xC0) != 0x80) {
            ++index;
            return kReplacementCharacter;
        }
        codePoint = (codePoint << 6) | (byte(index + i) & 0x3F);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF || IsSurrogate(codePoint)) {
        ++index;
        return kReplacementCharacter;
    }
    index += length;
    return codePoint;
}

char32_t NextWideCodePoint(std::wstring_view text, std::size_t& index) {
    const char32_t unit = static_cast<char32_t>(text[index++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (unit >= 0xD800 && unit <= 0xDBFF && index < text.size()) {
            const char32_t low = static_cast<char32_t>(text[index]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++index;
                return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    return unit;
}

std::size_t Utf16UnitsOf(char32_t codePoint, char16_t units[2]) {
    if (codePoint < 0x10000) {
        units[0] = static_cast<char16_t>(codePoint);
        return 1;
    }
    units[0] = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
    units[1] = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
    return 2;
}

std::string Utf8FromWide(std::wstring_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        AppendUtf8(utf8, NextWideCodePoint(text, i));
    }
    return utf8;
}

std::wstring WideFromUtf8(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const char32_t codePoint = NextUtf8CodePoint(bytes, i);
        if constexpr (sizeof(wchar_t) == 2) {
            // Wide text is UTF-16 on Windows: a code point past the BMP takes two units.
            char16_t units[2];
            const std::size_t count = Utf16UnitsOf(codePoint, units);
            text.append(units, units + count);
        } else {
            text.push_back(static_cast<wchar_t>(codePoint));
        }
    }
    return text;
}

}  // namespace wingcall
