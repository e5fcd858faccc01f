// Wide-text settings access: converts every text to the ANSI code page for the call and back.
#include "settings/settings_file.h"

#include <filesystem>
#include <vector>

#include "settings/ansi_code_page.h"
#include "settings/private_profile.h"
#include "settings/wide_path.h"

namespace wingcall {
namespace {

// The settings file's path in the encoding the file system takes for narrow names: the ANSI code
// page on Windows, UTF-8 elsewhere (so a folder named outside the code page still works there).
std::string NarrowPath(const std::wstring& path) {
#ifdef _WIN32
    return WideToAnsi(path);
#else
    return PathFromWide(path).string();
#endif
}

}  // namespace

std::wstring ReadSetting(const std::wstring& settingsPath, const std::wstring& section,
                         const std::wstring& key, const std::wstring& defaultValue) {
    const std::string ansiSection = WideToAnsi(section);
    const std::string ansiKey = WideToAnsi(key);
    const std::string ansiDefault = WideToAnsi(defaultValue);
    const std::string narrowPath = NarrowPath(settingsPath);
    // The buffer starts as all NULs, so whatever the routine does not fill stays NUL.
    std::vector<char> buffer(kSettingsBufferSize, '\0');
    DWORD count =
        GetPrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), ansiDefault.c_str(),
                                 buffer.data(), kSettingsBufferSize, narrowPath.c_str());
    return AnsiToWide(std::string_view(buffer.data(), count));
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
