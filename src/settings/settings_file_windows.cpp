// The Windows half of the settings access: the platform's own routines read the file, and its
// writes are made crash-safe and shared with other writers through a copy under the settings
// write lock.
#ifdef _WIN32

#include <windows.h>

#include <array>
#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "files/atomic_file.h"
#include "files/whole_file_read.h"
#include "files/wide_path.h"
#include "settings/settings_file.h"
#include "settings/settings_file_platform.h"
#include "text/ansi_code_page.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;

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

// A settings file is far smaller; a larger file is left unread and the write refused.
constexpr std::size_t kLargestSettingsFile = 256 * 1024 * 1024;

// The whole file, or nothing when it could not be read.
std::optional<std::string> ReadWholeSettingsFile(const fs::path& file) {
    WholeFileRead read = ReadWholeFile(file, kLargestSettingsFile);
    if (read.failure != WholeFileFailure::None) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool WriteNewFile(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

class RemovedAtEnd {
  public:
    explicit RemovedAtEnd(fs::path path) : path_(std::move(path)) {}
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;
    ~RemovedAtEnd() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }

  private:
    fs::path path_;
};

// A reader in another process that holds the file open without sharing its deletion makes the
// rename fail for as long as its read lasts; a few tries get past it.
constexpr int kReplaceAttempts = 20;
constexpr auto kReplacePause = std::chrono::milliseconds(50);

// The last error the system left, or `otherwise` where it left none. Each step that can fail
// starts from no error, since calls that succeed may leave an old one in place.
DWORD LastErrorOr(DWORD otherwise) {
    const DWORD code = ::GetLastError();
    return code != ERROR_SUCCESS ? code : otherwise;
}

// The platform's routine rewrites the file in place: a crash or a power cut part-way leaves it
// damaged, and two writers at once drop each other's keys. So, under the settings write lock, the
// file is copied beside itself, the routine edits the copy, and the copy's content then replaces
// the file whole (flushed to disk, renamed over it written through). A copy left by a writer
// that was killed carries the name of a temporary file, and a later write sweeps it away.
AnsiSettingWrite WriteThroughCopy(const std::wstring& settingsPath, const std::string& section,
                                  const std::string& key, const std::string& value,
                                  SettingsLockWait wait) {
    const fs::path target = PathFromWide(settingsPath);
    const SettingsWriteLock lock(target, wait);
    if (!lock.held()) {
        return {lock.error(), lock.busyFile()};
    }
    const auto failed = [](DWORD code) { return AnsiSettingWrite{static_cast<int>(code), {}}; };
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    std::string original;
    if (fs::is_regular_file(status)) {
        ::SetLastError(ERROR_SUCCESS);
        std::optional<std::string> bytes = ReadWholeSettingsFile(target);
        if (!bytes) {
            return failed(LastErrorOr(ERROR_READ_FAULT));  // never replace what it could not read
        }
        original = std::move(*bytes);
    } else if (status.type() != fs::file_type::not_found) {
        // A folder, a device, or a path that cannot be looked at.
        return failed(error ? static_cast<DWORD>(error.value()) : ERROR_ACCESS_DENIED);
    }

    const fs::path copy = TemporaryPathBeside(target);
    const RemovedAtEnd removeCopy(copy);
    ::SetLastError(ERROR_SUCCESS);
    if (!WriteNewFile(copy, original)) {
        return failed(LastErrorOr(ERROR_WRITE_FAULT));  // no folder, or no room for a copy
    }
    ::SetLastError(ERROR_SUCCESS);
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                    NarrowSettingsPath(WideFromPath(copy)).c_str())) {
        return failed(LastErrorOr(ERROR_WRITE_FAULT));
    }
    ::SetLastError(ERROR_SUCCESS);
    std::optional<std::string> edited = ReadWholeSettingsFile(copy);
    if (!edited) {
        return failed(LastErrorOr(ERROR_READ_FAULT));
    }
    if (fs::is_regular_file(status) && *edited == original) {
        return {};  // the file already holds the value: it stays untouched
    }
    for (int attempt = 1;; ++attempt) {
        try {
            ::SetLastError(ERROR_SUCCESS);
            ReplaceFileContents(target, *edited);
            return {};
        } catch (const std::exception&) {
            if (attempt == kReplaceAttempts) {
                return failed(LastErrorOr(ERROR_WRITE_FAULT));  // the file keeps its content
            }
        }
        std::this_thread::sleep_for(kReplacePause);
    }
}

}  // namespace

// The ANSI code page, as the platform's routines take narrow names. A path with characters the
// code page lacks (a program folder with a Polish name on a Western system) would reach the
// routines with "?" in it and miss the file; its short form, or its folder's short form followed
// by the file name, reaches the same file in ASCII.
std::string NarrowSettingsPath(const std::wstring& path) {
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
}

AnsiSettingRead ReadAnsiSetting(const std::string& narrowPath, const char* section, const char* key,
                                const char* defaultValue) {
    // Only the `count` characters the routine reports are taken, so the buffer needs no
    // clearing first.
    std::array<char, kSettingsBufferSize> buffer;
    buffer[0] = '\0';
    ::SetLastError(ERROR_SUCCESS);
    const DWORD count = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(),
                                                 kSettingsBufferSize, narrowPath.c_str());
    const DWORD lastError = ::GetLastError();
    AnsiSettingRead read;
    read.outOfMemory = lastError == ERROR_NOT_ENOUGH_MEMORY || lastError == ERROR_OUTOFMEMORY;
    read.readFault = lastError == ERROR_READ_FAULT;
    if (!read.outOfMemory && !read.readFault) {
        read.value.assign(buffer.data(), count);
    }
    return read;
}

AnsiSettingWrite WriteAnsiSetting(const std::wstring& settingsPath, const std::string& section,
                                  const std::string& key, const std::string& value,
                                  SettingsLockWait wait) {
    return WriteThroughCopy(settingsPath, section, key, value, wait);
}

}  // namespace wingcall

#endif
