// File paths from and to the program's wide text, independent of the process's locale.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "text/utf8_text.h"

namespace wingcall {

// The path named by `text`: UTF-16 on Windows, UTF-8 file names elsewhere. The standard
// library's own wide conversion follows the C locale and fails on non-ASCII names there.
std::filesystem::path PathFromWide(std::wstring_view text);

// The wide text of `path`; bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromPath(const std::filesystem::path& path);

// UTF-8 text of a path, for the messages of WingcallError (Utf8FromWide, from utf8_text.h, does
// the same for wide text).
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace wingcall
