// Settings files no one should have to read, built byte for byte: UTF-16 text of either byte
// order, and templates buried under megabytes of lines a careless tool appended.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "support/template_text.h"

namespace wingcall::testing {

// `text` as UTF-16 bytes, little-endian unless `bigEndian`. A byte-order mark is the text's own
// leading U+FEFF, so that a file without one is as easy to build as a file with one.
inline std::string Utf16(std::u16string_view text, bool bigEndian = false) {
    std::string bytes;
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// ASCII bytes as UTF-16.
inline std::string Utf16(std::string_view ascii, bool bigEndian = false) {
    return Utf16(std::u16string(ascii.begin(), ascii.end()), bigEndian);
}

// A used installation's settings with `count` commands, then a [Notes] section of 100-byte lines
// up to at least `bytes` in all.
inline std::string SettingsPaddedTo(std::size_t bytes, std::size_t count = 40) {
    std::string text = SettingsWithTemplate(count) + "[Notes]\r\n";
    const std::string note = "Note=" + std::string(93, 'n') + "\r\n";
    text.reserve(bytes + note.size());
    while (text.size() < bytes) {
        text += note;
    }
    return text;
}

}  // namespace wingcall::testing
