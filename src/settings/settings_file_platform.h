// The half of the settings access that differs between Windows, where the platform's routines
// read and write the file, and the other systems, where the project's own do.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "files/settings_lock.h"

namespace wingcall {

// The settings file's path in the encoding the file system takes for narrow names.
std::string NarrowSettingsPath(const std::wstring& path);

// One read of a key through the format's routine, the value cut to kSettingsBufferSize - 1
// characters as the routine's buffer cuts it.
struct AnsiSettingRead {
    std::string value;
    bool outOfMemory = false;  // the file could not be held in memory
    bool readFault = false;    // reading it failed otherwise
};
AnsiSettingRead ReadAnsiSetting(const std::string& narrowPath, const char* section, const char* key,
                                const char* defaultValue);

// One write under the settings write lock: 0 once the file holds the value, otherwise the
// system's code for why not (errno, or a Windows error code), with the file another writer kept
// busy when the lock stayed busy.
struct AnsiSettingWrite {
    int error = 0;
    std::optional<std::filesystem::path> busyLock;
};
AnsiSettingWrite WriteAnsiSetting(const std::wstring& settingsPath, const std::string& section,
                                  const std::string& key, const std::string& value,
                                  SettingsLockWait wait);

}  // namespace wingcall
