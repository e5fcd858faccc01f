// A slow, plain reading of the private-profile format for the fuzz targets to compare with: every
// rule written out the obvious way, with none of the real reader's indexes or caching.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wingcall::fuzz {

inline bool IsProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

inline std::string_view TrimProfileBlanks(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsProfileBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Values lose Ctrl-Z (an old end-of-file mark) at either end as well as blanks.
inline std::string_view TrimValueBlanks(std::string_view text) {
    const auto trimmed = [](char c) { return IsProfileBlank(c) || c == '\x1A'; };
    while (!text.empty() && trimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && trimmed(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

inline bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y) {
            return false;
        }
    }
    return true;
}

inline std::string_view WithoutQuotePair(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

struct ReferenceKey {
    std::string section;
    std::string name;
    std::string value;  // trimmed, quotes still on
};

// Every key that a read can reach: the first key of each name in the first section of each name.
inline std::vector<ReferenceKey> ReferenceKeys(std::string_view file) {
    std::vector<ReferenceKey> keys;
    std::vector<std::string> sections;
    std::optional<std::string> current;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = start;
        while (end < file.size() && file[end] != '\r' && file[end] != '\n') {
            ++end;
        }
        std::string_view line = file.substr(start, end - start);
        if (end < file.size()) {
            end += (file[end] == '\r' && end + 1 < file.size() && file[end + 1] == '\n') ? 2 : 1;
        }
        start = end;

        // A NUL ends the line's text; a header whose "]" comes only after the NUL still counts,
        // its name running to the NUL.
        const bool closedAfterNul =
            line.find('\0') != std::string_view::npos &&
            line.substr(line.find('\0')).find(']') != std::string_view::npos;
        line = line.substr(0, line.find('\0'));
        std::string_view left = line;
        while (!left.empty() && IsProfileBlank(left.front())) {
            left.remove_prefix(1);
        }
        const bool closed = left.rfind(']') != std::string_view::npos;
        if (!left.empty() && left.front() == '[' && (closed || closedAfterNul)) {
            const std::string name(
                TrimProfileBlanks(closed ? left.substr(1, left.rfind(']') - 1) : left.substr(1)));
            bool seen = false;
            for (const std::string& section : sections) {
                seen = seen || SameName(section, name);
            }
            current.reset();
            if (!seen) {
                sections.push_back(name);
                current = name;
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!current || equals == std::string_view::npos) {
            continue;
        }
        const std::string name(TrimProfileBlanks(line.substr(0, equals)));
        bool seen = false;
        for (const ReferenceKey& key : keys) {
            seen = seen || (key.section == *current && SameName(key.name, name));
        }
        if (!seen) {
            keys.push_back({*current, name, std::string(TrimValueBlanks(line.substr(equals + 1)))});
        }
    }
    return keys;
}

// What a read of `section`/`key` with `defaultValue` and a buffer of `size` hands back.
inline std::string ReferenceRead(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view defaultValue,
                                 std::size_t size) {
    section = TrimProfileBlanks(section);
    key = TrimProfileBlanks(key);
    std::string_view value;
    bool found = false;
    const std::vector<ReferenceKey> keys = ReferenceKeys(file);
    for (const ReferenceKey& candidate : keys) {
        if (!found && SameName(candidate.section, section) && SameName(candidate.name, key)) {
            value = WithoutQuotePair(candidate.value);
            found = true;
        }
    }
    if (!found) {
        // A default of spaces alone keeps one.
        while (defaultValue.size() > 1 && defaultValue.back() == ' ') {
            defaultValue.remove_suffix(1);
        }
        value = defaultValue == " " ? defaultValue : WithoutQuotePair(defaultValue);
    }
    return std::string(value.substr(0, size - 1));
}

}  // namespace wingcall::fuzz
