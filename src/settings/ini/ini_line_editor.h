// What a settings file holds after one key is set: the line edit behind every write.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/ini/parsed_ini_file.h"

namespace wingcall {

// The whole new file after setting `key` of `section` to `value` (ANSI bytes, trimmed names) in
// `file` (nullptr: there is no file, or it is empty), or nothing when the file already holds the
// value. Only the one line set, or inserted, differs from the file's bytes:
// - a key already there keeps its spelling and its line end; only its value changes;
// - a new key goes after its section's last non-blank line, in that line's line-end style;
// - a new section goes at the end, after a line end when the last line has none.
std::optional<std::string> ContentAfterWrite(const ParsedIniFile* file, std::string_view section,
                                             std::string_view key, std::string_view value);

}  // namespace wingcall
