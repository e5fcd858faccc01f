// The encodings a settings file may be in, and the conversions between a file's bytes, the text
// the parser works on, and the ANSI bytes the routines take and hand back.
//
// Inside a parsed file, text is held in its "internal" form: the file's own bytes for an ANSI
// file, UTF-8 for a file in either Unicode encoding. Every character the format cares about
// ([, ], =, quotes, blanks) is ASCII, so both forms are searched the same way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace wingcall {

enum class TextEncoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian };

inline bool IsUnicode(TextEncoding encoding) {
    return encoding != TextEncoding::Ansi;
}

inline bool IsUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LittleEndian || encoding == TextEncoding::Utf16BigEndian;
}

// The encoding a file's byte-order mark announces (ANSI without one), and the mark's length.
struct DetectedEncoding {
    TextEncoding encoding;
    std::size_t markLength;
};
DetectedEncoding DetectEncoding(std::string_view bytes);

// ANSI bytes (the routines' arguments) to UTF-8. Every byte maps to one character.
std::string Utf8FromAnsi(std::string_view ansi);

// UTF-8 to ANSI bytes as the platform hands back a value: a character the code page lacks
// becomes its best-fit replacement, or "?" when it has none.
std::string AnsiFromUtf8(std::string_view utf8);

// UTF-8 to UTF-16 bytes in the given byte order.
std::string Utf16FromUtf8(std::string_view utf8, bool bigEndian);

// The UTF-16 code unit of the two bytes at `offset`.
inline char16_t Utf16UnitAt(std::string_view bytes, std::size_t offset, bool bigEndian) {
    const auto first = static_cast<unsigned char>(bytes[offset]);
    const auto second = static_cast<unsigned char>(bytes[offset + 1]);
    return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
}

// UTF-16 bytes (an even count) to UTF-8 in `utf8`; an unpaired surrogate becomes U+FFFD.
void DecodeUtf16(std::string_view bytes, bool bigEndian, std::string& utf8);

}  // namespace wingcall
