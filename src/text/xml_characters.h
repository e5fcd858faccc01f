// Which characters an XML 1.0 document can hold, for the profile writers, the template load, the
// check of merged profiles and the window's text boxes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace wingcall {

// Whether `codePoint` is a character of XML 1.0. TAB, CR and LF are the only controls below
// U+0020 it takes; U+FFFE and U+FFFF are no characters, and a surrogate standing alone in wide
// text is half of one. Such a character cannot appear in a document, not even as a reference.
constexpr bool IsXmlCharacter(char32_t codePoint) {
    if (codePoint < 0x20) {
        return codePoint == 0x09 || codePoint == 0x0A || codePoint == 0x0D;
    }
    return (codePoint < 0xD800) || (codePoint >= 0xE000 && codePoint <= 0xFFFD) ||
           (codePoint >= 0x10000 && codePoint <= 0x10FFFF);
}

// Whether a byte of ISO-8859-1 may begin a name of XML, and may stand in one.
constexpr bool IsLatinOneNameStart(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '_' ||
           byte == ':' || (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7);
}

constexpr bool IsLatinOneNameCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return IsLatinOneNameStart(c) || byte == '-' || byte == '.' || (byte >= '0' && byte <= '9') ||
           byte == 0xB7;
}

// The character a reference names, from what stands between "&#" and ";": decimal digits, or
// "x" and hexadecimal ones. Leading zeros may make it as long as it likes. Gives a value past
// U+10FFFF, which IsXmlCharacter refuses, when it names no character.
constexpr char32_t CharacterReferenceValue(std::string_view digits) {
    constexpr char32_t kNoCharacter = 0x110000;
    const bool hex = !digits.empty() && digits[0] == 'x';
    digits.remove_prefix(hex ? 1 : 0);
    char32_t value = digits.empty() ? kNoCharacter : 0;
    for (char c : digits) {
        char32_t digit = 16;
        if (c >= '0' && c <= '9') {
            digit = static_cast<char32_t>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<char32_t>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<char32_t>(c - 'A' + 10);
        }
        if (digit >= (hex ? 16u : 10u)) {
            return kNoCharacter;
        }
        value = value >= kNoCharacter ? kNoCharacter : value * (hex ? 16 : 10) + digit;
    }
    return value;
}

// "U+0007", "U+FFFE", "U+10FFFF": how a message names a character that cannot be shown.
inline std::string CodePointName(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

}  // namespace wingcall
