// Code points of UTF-8 text and of the program's wide text, for the conversions that need them
// (Unicode settings files, file names, messages).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace wingcall {

// Stands in for what is no character: a malformed sequence, a lone surrogate.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends the UTF-8 bytes of `codePoint`; a surrogate or a value past U+10FFFF is written as
// U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes the UTF-8 sequence at `index` and moves `index` behind it. A malformed, overlong or
// cut-off sequence, or one that names a surrogate, gives U+FFFD and consumes one byte.
char32_t NextUtf8CodePoint(std::string_view bytes, std::size_t& index);

// Reads the code point of wide text at `index` (UTF-16 on Windows, UTF-32 elsewhere) and moves
// `index` behind it. A lone surrogate comes back as it is.
char32_t NextWideCodePoint(std::wstring_view text, std::size_t& index);

// The UTF-16 code units of `codePoint` (below U+110000) in `units`; returns how many (1 or 2).
std::size_t Utf16UnitsOf(char32_t codePoint, char16_t units[2]);

// Whole texts, for every place that needs one form from the other: wide text to UTF-8 (a lone
// surrogate becomes U+FFFD), and UTF-8 to wide text (each malformed byte becomes U+FFFD).
std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view bytes);

}  // namespace wingcall
