// Wide-text settings access: converts every text to the ANSI code page for the call and back.
#include "settings/settings_file.h"

#include <array>
#include <filesystem>
#include <optional>

#include "settings/ansi_code_page.h"
#include "settings/private_profile.h"
#include "settings/wide_path.h"

namespace wingcall {
namespace {

#ifdef _WIN32
// The short (8.3) form of an existing path, all ASCII, or nothing when the volume keeps no short
// names or the path does not exist.
std::optional<std::wstring> ShortPath(const std::wstring& path) {
    DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length == 0) {
        return std::nullopt;
    }
    std::wstring shortPath(length, L'\0');
    length = GetShortPathNameW(path.c_str(), shortPath.data(), length);
    if (length == 0 || length >= shortPath.size()) {
        return std::nullopt;
    }
    shortPath.resize(length);
    return shortPath;
}
#endif

// The settings file's path in the encoding the file system takes for narrow names: the ANSI code
// page on Windows, UTF-8 elsewhere (so a folder named outside the code page still works there).
// On Windows a path with characters the code page lacks (a program folder with a Polish name on a
// Western system) would reach the routines with "?" in it and miss the file; its short form, or
// its folder's short form followed by the file name, reaches the same file in ASCII.
std::string NarrowPath(const std::wstring& path) {
#ifdef _WIN32
    std::string ansi = WideToAnsi(path);
    if (AnsiToWide(ansi) == path) {
        return ansi;
    }
    if (std::optional<std::wstring> shortPath = ShortPath(path)) {
        return WideToAnsi(*shortPath);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos) {
        if (std::optional<std::wstring> shortFolder = ShortPath(path.substr(0, separator))) {
            return WideToAnsi(*shortFolder + path.substr(separator));
        }
    }
    return ansi;
#else
    return Utf8FromWide(path);
#endif
}

}  // namespace

SectionReader::SectionReader(const std::wstring& settingsPath, const std::wstring& section,
                             const std::wstring& defaultValue)
    : narrowPath_(NarrowPath(settingsPath)),
      ansiSection_(WideToAnsi(section)),
      ansiDefault_(WideToAnsi(defaultValue)) {}

std::wstring SectionReader::Read(std::wstring_view key) const {
    const std::string ansiKey = WideToAnsi(key);
    // The buffer starts as all NULs, so whatever the routine does not fill stays NUL.
    std::array<char, kSettingsBufferSize> buffer{};
    DWORD count =
        GetPrivateProfileStringA(ansiSection_.c_str(), ansiKey.c_str(), ansiDefault_.c_str(),
                                 buffer.data(), kSettingsBufferSize, narrowPath_.c_str());
    return AnsiToWide(std::string_view(buffer.data(), count));
}

std::wstring ReadSetting(const std::wstring& settingsPath, const std::wstring& section,
                         const std::wstring& key, const std::wstring& defaultValue) {
    return SectionReader(settingsPath, section, defaultValue).Read(key);
}

bool WriteSetting(const std::wstring& settingsPath, const std::wstring& section,
                  const std::wstring& key, const std::wstring& value) {
    const std::string ansiSection = WideToAnsi(section);
    const std::string ansiKey = WideToAnsi(key);
    const std::string ansiValue = WideToAnsi(value);
    const std::string narrowPath = NarrowPath(settingsPath);
    return WritePrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), ansiValue.c_str(),
                                      narrowPath.c_str()) != FALSE;
}

}  // namespace wingcall
