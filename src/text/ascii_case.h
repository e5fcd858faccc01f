// Letter case of ASCII letters only, for the texts Wingcall finds in whatever case they were
// typed: placeholders in phrases, the header lines of a profile being merged, the names of the
// settings file.
#pragma once

#include <cstddef>
#include <string_view>

namespace wingcall {

// `character` with an ASCII capital turned into its small letter; every other character as is.
template <typename Char>
constexpr Char FoldAsciiCase(Char character) {
    return (character >= Char('A') && character <= Char('Z'))
               ? static_cast<Char>(character + (Char('a') - Char('A')))
               : character;
}

// Whether `text` begins with `lowerCasePrefix`, ignoring the case of ASCII letters.
template <typename Char>
constexpr bool StartsWithIgnoringAsciiCase(std::basic_string_view<Char> text,
                                           std::basic_string_view<Char> lowerCasePrefix) {
    if (lowerCasePrefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerCasePrefix.size(); ++i) {
        if (FoldAsciiCase(text[i]) != lowerCasePrefix[i]) {
            return false;
        }
    }
    return true;
}

// Whether two narrow texts are equal but for the case of ASCII letters, as the platform compares
// the names of a settings file. Callers nearly always spell a name as the file does: one
// comparison of the bytes settles those.
inline bool EqualIgnoringAsciiCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    if (left == right) {
        return true;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (FoldAsciiCase(left[i]) != FoldAsciiCase(right[i])) {
            return false;
        }
    }
    return true;
}

// The first place at or after `from` where `lowerCaseNeedle` stands in `text`, ignoring the case
// of ASCII letters, or npos.
template <typename Char>
constexpr std::size_t FindIgnoringAsciiCase(std::basic_string_view<Char> text,
                                            std::basic_string_view<Char> lowerCaseNeedle,
                                            std::size_t from = 0) {
    for (std::size_t start = from; start + lowerCaseNeedle.size() <= text.size(); ++start) {
        if (StartsWithIgnoringAsciiCase(text.substr(start), lowerCaseNeedle)) {
            return start;
        }
    }
    return std::basic_string_view<Char>::npos;
}

}  // namespace wingcall
