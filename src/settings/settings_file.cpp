// Wide-text settings access: converts every text to the ANSI code page for the call and back.
#include "settings/settings_file.h"

#include <vector>

#include "settings/ansi_code_page.h"
#include "settings/private_profile.h"

namespace wingcall {

std::wstring ReadSetting(const std::wstring& settingsPath, const std::wstring& section,
                         const std::wstring& key, const std::wstring& defaultValue) {
    const std::string ansiSection = WideToAnsi(section);
    const std::string ansiKey = WideToAnsi(key);
    const std::string ansiDefault = WideToAnsi(defaultValue);
    const std::string ansiPath = WideToAnsi(settingsPath);
    // The buffer starts as all NULs, so whatever the routine does not fill stays NUL.
    std::vector<char> buffer(kSettingsBufferSize, '\0');
    DWORD count =
        GetPrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), ansiDefault.c_str(),
                                 buffer.data(), kSettingsBufferSize, ansiPath.c_str());
    return AnsiToWide(std::string_view(buffer.data(), count));
}

bool WriteSetting(const std::wstring& settingsPath, const std::wstring& section,
                  const std::wstring& key, const std::wstring& value) {
    const std::string ansiSection = WideToAnsi(section);
    const std::string ansiKey = WideToAnsi(key);
    const std::string ansiValue = WideToAnsi(value);
    const std::string ansiPath = WideToAnsi(settingsPath);
    return WritePrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), ansiValue.c_str(),
                                      ansiPath.c_str()) != FALSE;
}

}  // namespace wingcall
