// Which characters an XML 1.0 document can hold, for the profile writers, the template load, the
// check of merged profiles and the window's text boxes.
#pragma once

#include <cstdio>
#include <string>

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

// "U+0007", "U+FFFE", "U+10FFFF": how a message names a character that cannot be shown.
inline std::string CodePointName(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

}  // namespace wingcall
