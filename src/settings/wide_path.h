// File paths from and to the program's wide text, independent of the process's locale.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace wingcall {

// The path named by `text`: UTF-16 on Windows, UTF-8 file names elsewhere. The standard
// library's own wide conversion follows the C locale and fails on non-ASCII names there.
std::filesystem::path PathFromWide(std::wstring_view text);

// The wide text of `path`; bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromPath(const std::filesystem::path& path);

// UTF-8 text of wide text and of a path, for the messages of WingcallError.
std::string Utf8FromWide(std::wstring_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace wingcall
