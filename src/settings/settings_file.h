// Wide-text access to the settings file, through the two routines of its format
// (settings/ini/).
#pragma once

#include <string>
#include <string_view>

#include "files/settings_lock.h"

namespace wingcall {

// Section names and the missing-value sentinel of the settings file.
inline constexpr const wchar_t* kGeneralSection = L"General";
inline constexpr const wchar_t* kCommandsSection = L"Commands";
inline constexpr const wchar_t* kMissingValue = L"vuoto";

// The read buffer holds 255 characters, so a value comes back with at most 254.
inline constexpr unsigned long kSettingsBufferSize = 255;

// Reads `key` of `section`, or `defaultValue` when the key is absent. Every text is converted to
// the ANSI code page for the call and the result back to wide text. A read that failed (the file
// could not be held in memory) throws WingcallError OutOfMemory, or FileAccess, naming the file.
std::wstring ReadSetting(const std::wstring& settingsPath, const std::wstring& section,
                         const std::wstring& key, const std::wstring& defaultValue);

// Reads keys of one section of one settings file with one default, as a template load does: the
// path, the section and the default are converted once. Each read is one call of the format's
// read routine, with the arguments ReadSetting would pass.
class SectionReader {
  public:
    SectionReader(const std::wstring& settingsPath, const std::wstring& section,
                  const std::wstring& defaultValue);

    // The value of `key`, or the default when the key is absent; a failed read throws as
    // ReadSetting does.
    std::wstring Read(std::wstring_view key) const;

  private:
    std::wstring settingsPath_;  // for the message of a read that failed
    std::string narrowPath_;
    std::string ansiSection_;
    std::string ansiDefault_;
};

// Why a write stored nothing, in words a pilot can read (UTF-8).
struct SettingsWriteFailure {
    // Another program held the settings file's write lock for the whole wait. `text` is then a
    // whole message of its own; otherwise it is the system's reason, without a final period.
    bool lockStayedBusy = false;
    std::string text;
};

// What a write did: converts to true when the file now holds the value; `failure` says why not.
struct SettingsWriteOutcome {
    bool stored = false;
    SettingsWriteFailure failure;
    explicit operator bool() const { return stored; }
};

// Writes `key` of `section`. The file is replaced whole, under the settings write lock
// (settings_lock.h), on every platform; `wait` says how long the lock is waited for.
SettingsWriteOutcome WriteSetting(const std::wstring& settingsPath, const std::wstring& section,
                                  const std::wstring& key, const std::wstring& value,
                                  SettingsLockWait wait = SettingsLockWait::Full);

}  // namespace wingcall
