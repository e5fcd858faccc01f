// The few characters the private-profile format gives a meaning to, and how names and values are
// trimmed and compared. Kept in one place so that reading and writing agree on them.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/ascii_case.h"

namespace wingcall {

// Blanks around names and values: spaces, tabs, vertical tabs, form feeds and CRs.
inline bool IsTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

inline std::string_view TrimLeft(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsTrimmed(text[first])) {
        ++first;
    }
    return text.substr(first);
}

inline std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    std::size_t length = text.size();
    while (length > 0 && IsTrimmed(text[length - 1])) {
        --length;
    }
    return text.substr(0, length);
}

// A value is trimmed of Ctrl-Z (0x1A) as well, the end-of-file mark that old editors left at
// the end of a file, and so at the end of its last value.
inline bool IsTrimmedFromValue(char c) {
    return IsTrimmed(c) || c == '\x1A';
}

inline std::string_view TrimValue(std::string_view value) {
    std::size_t first = 0;
    while (first < value.size() && IsTrimmedFromValue(value[first])) {
        ++first;
    }
    std::size_t end = value.size();
    while (end > first && IsTrimmedFromValue(value[end - 1])) {
        --end;
    }
    return value.substr(first, end - first);
}

// The text up to its first NUL.
inline std::string_view BeforeNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

inline bool IsBlank(std::string_view text) {
    return Trim(text).empty();
}

// One pair of matching quotes around the whole value is removed, nothing else.
inline std::string_view WithoutSurroundingQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace wingcall
