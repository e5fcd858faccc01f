// Wide-text settings access: converts every text to the ANSI code page for the call and back,
// turns a read that failed into an error and a write that failed into words a pilot can read.
// The half that differs on Windows is in settings_file_windows.cpp.
#include "settings/settings_file.h"

#include <cerrno>
#include <string>
#include <system_error>

#include "errors/wingcall_error.h"
#include "files/wide_path.h"
#include "settings/settings_file_platform.h"
#include "text/ansi_code_page.h"
#include "text/utf8_text.h"

#ifndef _WIN32
#include <algorithm>

#include "settings/ini/private_profile.h"
#endif

namespace wingcall {
namespace {

// The system's text for an error code (errno, or a Windows error code), without the final period
// or line end some systems add.
std::string SystemReasonText(int code) {
    std::string text = std::error_code(code, std::system_category()).message();
    while (!text.empty() && (text.back() == '.' || text.back() == '\r' || text.back() == '\n' ||
                             text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// Why a write stored nothing, from what it handed back.
SettingsWriteFailure FailureOfWrite(const AnsiSettingWrite& write) {
    if (write.busyLock) {
        return {true, "Wingcall.ini is being written by another program (\"" +
                          Utf8FromPath(*write.busyLock) +
                          "\") and did not become free in 10 seconds; nothing was stored."};
    }
#ifdef _WIN32
    constexpr int kUnknownFailure = 29;  // ERROR_WRITE_FAULT
#else
    constexpr int kUnknownFailure = EIO;
#endif
    // Every refusal of ours gives its reason; a system that gave none still gets no "Success".
    return {false, SystemReasonText(write.error != 0 ? write.error : kUnknownFailure)};
}

// A read that failed gives no value, and a default in its place would pass for a missing key:
// a template of no commands, an empty profile written as a success. The user is told instead.
void ThrowIfReadFailed(const AnsiSettingRead& read, const std::wstring& settingsPath) {
    if (!read.outOfMemory && !read.readFault) {
        return;  // every read but a failed one: the message is built only when it is needed
    }
    const std::string named = "the settings file \"" + Utf8FromWide(settingsPath) + "\"";
    if (read.outOfMemory) {
        throw WingcallError(ErrorNumber::OutOfMemory,
                            "Not enough memory to read " + named + "; nothing was written.");
    }
    throw WingcallError(ErrorNumber::FileAccess,
                        "Could not read " + named + "; nothing was written.");
}

}  // namespace

#ifndef _WIN32
std::string NarrowSettingsPath(const std::wstring& path) {
    // UTF-8, so a folder named outside the code page still works.
    return Utf8FromWide(path);
}

AnsiSettingRead ReadAnsiSetting(const std::string& narrowPath, const char* section, const char* key,
                                const char* defaultValue) {
    IniRead read = ReadIniValue(section, key, defaultValue, narrowPath);
    read.value.resize(std::min<std::size_t>(read.value.size(), kSettingsBufferSize - 1));
    return {std::move(read.value), read.failure == IniReadFailure::OutOfMemory,
            read.failure == IniReadFailure::ReadFault};
}

AnsiSettingWrite WriteAnsiSetting(const std::wstring& settingsPath, const std::string& section,
                                  const std::string& key, const std::string& value,
                                  SettingsLockWait wait) {
    const IniWrite write = WriteIniValue(section.c_str(), key.c_str(), value.c_str(),
                                         NarrowSettingsPath(settingsPath), wait);
    return {write.error, write.busyLock};
}
#endif

SectionReader::SectionReader(const std::wstring& settingsPath, const std::wstring& section,
                             const std::wstring& defaultValue)
    : settingsPath_(settingsPath),
      narrowPath_(NarrowSettingsPath(settingsPath)),
      ansiSection_(WideToAnsi(section)),
      ansiDefault_(WideToAnsi(defaultValue)) {}

std::wstring SectionReader::Read(std::wstring_view key) const {
    const AnsiSettingRead read = ReadAnsiSetting(narrowPath_, ansiSection_.c_str(),
                                                 WideToAnsi(key).c_str(), ansiDefault_.c_str());
    ThrowIfReadFailed(read, settingsPath_);
    return AnsiToWide(read.value);
}

std::wstring ReadSetting(const std::wstring& settingsPath, const std::wstring& section,
                         const std::wstring& key, const std::wstring& defaultValue) {
    return SectionReader(settingsPath, section, defaultValue).Read(key);
}

SettingsWriteOutcome WriteSetting(const std::wstring& settingsPath, const std::wstring& section,
                                  const std::wstring& key, const std::wstring& value,
                                  SettingsLockWait wait) {
    const AnsiSettingWrite write = WriteAnsiSetting(settingsPath, WideToAnsi(section),
                                                    WideToAnsi(key), WideToAnsi(value), wait);
    if (write.error == 0) {
        return {true, {}};
    }
    return {false, FailureOfWrite(write)};
}

}  // namespace wingcall
