// Locale-independent conversion between wide text and file paths.
#include "files/wide_path.h"

#include "text/utf8_text.h"

namespace wingcall {

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

#ifdef _WIN32

std::filesystem::path PathFromWide(std::wstring_view text) {
    return std::filesystem::path(std::wstring(text));
}

std::wstring WideFromPath(const std::filesystem::path& path) {
    return path.wstring();
}

#else

std::filesystem::path PathFromWide(std::wstring_view text) {
    const std::string utf8 = Utf8FromWide(text);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::wstring WideFromPath(const std::filesystem::path& path) {
    return WideFromUtf8(path.native());
}

#endif

}  // namespace wingcall
