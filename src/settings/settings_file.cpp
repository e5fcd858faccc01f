// Wide-text settings access: converts every text to the ANSI code page for the call and back,
// turns a read that failed into an error, and on Windows makes the platform's writes crash-safe.
#include "settings/settings_file.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "errors/wingcall_error.h"
#include "files/settings_lock.h"
#include "files/wide_path.h"
#include "settings/ini/private_profile.h"
#include "text/ansi_code_page.h"

#ifdef _WIN32
#include <chrono>
#include <exception>
#include <fstream>
#include <iterator>
#include <thread>

#include "files/atomic_file.h"
#endif

namespace wingcall {
namespace {

// Kept trivially destructible: a thread-local object with a destructor is freed twice at thread
// exit by one Windows toolchain's runtime. A longer text (a path of thousands of characters) is
// cut.
struct StoredFailure {
    bool lockStayedBusy;
    std::size_t length;
    char text[4096];
};
thread_local StoredFailure lastWriteFailure{};

void StoreFailure(const SettingsWriteFailure& failure) {
    lastWriteFailure.lockStayedBusy = failure.lockStayedBusy;
    lastWriteFailure.length =
        failure.text.copy(lastWriteFailure.text, sizeof lastWriteFailure.text);
}

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

// Why a write stored nothing, from the error code it left.
SettingsWriteFailure FailureOfWrite(const std::wstring& settingsPath, int reason) {
    // Read before anything else: finding the lock's path may set the last error anew.
    const bool lockStayedBusy = ::GetLastError() == ERROR_LOCK_VIOLATION;
    const std::optional<std::filesystem::path> busyLock =
        LastBusySettingsLock(PathFromWide(settingsPath));
    if (lockStayedBusy && busyLock) {
        return {true, "Wingcall.ini is being written by another program (\"" +
                          Utf8FromPath(*busyLock) +
                          "\") and did not become free in 10 seconds; nothing was stored."};
    }
#ifdef _WIN32
    constexpr int kUnknownFailure = ERROR_WRITE_FAULT;
#else
    constexpr int kUnknownFailure = EIO;
#endif
    // Every refusal of ours gives its reason; a system that gave none still gets no "Success".
    return {false, SystemReasonText(reason != 0 ? reason : kUnknownFailure)};
}

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

// A read that failed gives no value, and a default in its place would pass for a missing key:
// a template of no commands, an empty profile written as a success. The user is told instead.
void ThrowIfReadFailed(DWORD lastError, const std::wstring& settingsPath) {
#ifdef _WIN32
    const bool outOfMemory = lastError == ERROR_NOT_ENOUGH_MEMORY || lastError == ERROR_OUTOFMEMORY;
#else
    const bool outOfMemory = lastError == ERROR_NOT_ENOUGH_MEMORY;
#endif
    if (!outOfMemory && lastError != ERROR_READ_FAULT) {
        return;  // every read but a failed one: the message is built only when it is needed
    }
    const std::string named = "the settings file \"" + Utf8FromWide(settingsPath) + "\"";
    if (outOfMemory) {
        throw WingcallError(ErrorNumber::OutOfMemory,
                            "Not enough memory to read " + named + "; nothing was written.");
    }
    throw WingcallError(ErrorNumber::FileAccess,
                        "Could not read " + named + "; nothing was written.");
}

#ifdef _WIN32
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteNewFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

class RemovedAtEnd {
  public:
    explicit RemovedAtEnd(std::filesystem::path path) : path_(std::move(path)) {}
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;
    ~RemovedAtEnd() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }

  private:
    std::filesystem::path path_;
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
// Returns ERROR_SUCCESS once the file holds the value, otherwise the error code that says why
// not; the copy and the lock are given up before it returns, so nothing overwrites that code.
DWORD WriteThroughCopy(const std::wstring& settingsPath, const std::string& section,
                       const std::string& key, const std::string& value) {
    namespace fs = std::filesystem;
    const fs::path target = PathFromWide(settingsPath);
    const SettingsWriteLock lock(target);
    if (!lock.held()) {
        return static_cast<DWORD>(lock.error());
    }
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    std::string original;
    if (fs::is_regular_file(status)) {
        ::SetLastError(ERROR_SUCCESS);
        std::optional<std::string> bytes = ReadWholeFile(target);
        if (!bytes) {
            return LastErrorOr(ERROR_READ_FAULT);  // never replace a file it could not read
        }
        original = std::move(*bytes);
    } else if (status.type() != fs::file_type::not_found) {
        // A folder, a device, or a path that cannot be looked at.
        return error ? static_cast<DWORD>(error.value()) : ERROR_ACCESS_DENIED;
    }

    const fs::path copy = TemporaryPathBeside(target);
    const RemovedAtEnd removeCopy(copy);
    ::SetLastError(ERROR_SUCCESS);
    if (!WriteNewFile(copy, original)) {
        return LastErrorOr(ERROR_WRITE_FAULT);  // no folder, or no room for a copy
    }
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                    NarrowPath(WideFromPath(copy)).c_str())) {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    ::SetLastError(ERROR_SUCCESS);
    std::optional<std::string> edited = ReadWholeFile(copy);
    if (!edited) {
        return LastErrorOr(ERROR_READ_FAULT);
    }
    if (fs::is_regular_file(status) && *edited == original) {
        return ERROR_SUCCESS;  // the file already holds the value: it stays untouched
    }
    for (int attempt = 1;; ++attempt) {
        try {
            ::SetLastError(ERROR_SUCCESS);
            ReplaceFileContents(target, *edited);
            return ERROR_SUCCESS;
        } catch (const std::exception&) {
            if (attempt == kReplaceAttempts) {
                return LastErrorOr(ERROR_WRITE_FAULT);  // the file keeps its previous content
            }
        }
        std::this_thread::sleep_for(kReplacePause);
    }
}
#endif

}  // namespace

SectionReader::SectionReader(const std::wstring& settingsPath, const std::wstring& section,
                             const std::wstring& defaultValue)
    : settingsPath_(settingsPath),
      narrowPath_(NarrowPath(settingsPath)),
      ansiSection_(WideToAnsi(section)),
      ansiDefault_(WideToAnsi(defaultValue)) {}

std::wstring SectionReader::Read(std::wstring_view key) const {
    return ReadAsciiKey(WideToAnsi(key).c_str());
}

std::wstring SectionReader::ReadAsciiKey(const char* ansiKey) const {
    // Only the `count` characters the routine reports are taken, so the buffer needs no
    // clearing first: a template load makes a hundred thousand of these reads.
    std::array<char, kSettingsBufferSize> buffer;
    buffer[0] = '\0';
    ::SetLastError(ERROR_SUCCESS);
    DWORD count = GetPrivateProfileStringA(ansiSection_.c_str(), ansiKey, ansiDefault_.c_str(),
                                           buffer.data(), kSettingsBufferSize, narrowPath_.c_str());
    ThrowIfReadFailed(::GetLastError(), settingsPath_);
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
#ifdef _WIN32
    const DWORD error = WriteThroughCopy(settingsPath, ansiSection, ansiKey, ansiValue);
    ::SetLastError(error);
    const bool stored = error == ERROR_SUCCESS;
    const int reason = static_cast<int>(error);
#else
    const std::string narrowPath = NarrowPath(settingsPath);
    const bool stored = WritePrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(),
                                                   ansiValue.c_str(), narrowPath.c_str()) != FALSE;
    const int reason = errno;
#endif
    if (!stored) {
        // Working out the message sets errno and the last error anew; the caller still gets the
        // write's own.
        const DWORD lastError = ::GetLastError();
        StoreFailure(FailureOfWrite(settingsPath, reason));
        ::SetLastError(lastError);
#ifndef _WIN32
        errno = reason;
#endif
    }
    return stored;
}

SettingsWriteFailure LastSettingsWriteFailure() {
    return {lastWriteFailure.lockStayedBusy,
            std::string(lastWriteFailure.text, lastWriteFailure.length)};
}

}  // namespace wingcall
