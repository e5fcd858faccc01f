// Crash-safe replacement of a file: the checks before a write, the temporary files' names and the
// sweep of those left by writers that ended; the write itself is in atomic_file_posix.cpp and
// atomic_file_windows.cpp.
#include "files/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <system_error>

#include "errors/wingcall_error.h"
#include "files/atomic_file_platform.h"
#include "files/wide_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace wingcall {

void ThrowWriteFailure(const std::filesystem::path& target, const std::string& reason) {
    throw WingcallError(ErrorNumber::FileAccess,
                        "Could not write \"" + Utf8FromPath(target) + "\": " + reason + ".");
}

namespace {

namespace fs = std::filesystem;
using NativeString = fs::path::string_type;

// As many links as the system itself follows before it reports a loop.
constexpr int kMostLinksFollowed = 40;

// The file actually replaced: symbolic links are followed one by one, so that the link itself
// survives and a dangling link gets the file it names created, not replaced by a plain file.
fs::path ResolveTarget(const fs::path& target) {
    fs::path current = target;
    for (int followed = 0; followed <= kMostLinksFollowed; ++followed) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(current, error)) || error) {
            return current;
        }
        fs::path next = fs::read_symlink(current, error);
        if (error) {
            return current;
        }
        // A relative link names its file from the folder the link is in.
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    ThrowWriteFailure(target, "its symbolic links form a loop");
}

NativeString NativeFromAscii(std::string_view ascii) {
    return NativeString(ascii.begin(), ascii.end());
}

// The longest file name most file systems take: 255 bytes on POSIX, 255 UTF-16 units on Windows.
constexpr std::size_t kLongestName = 255;
// What a temporary name adds to the part taken from the target's name: "." in front, ".tmp-",
// a process id and a counter of up to 10 digits each, a number of up to 6, and two "-".
constexpr std::size_t kTemporaryNameRoom = 1 + 5 + 10 + 1 + 10 + 1 + 6;
// A shortened name part ends in "~" and 8 hexadecimal digits of a hash of the whole name.
constexpr std::size_t kHashRoom = 9;

// The part of a temporary name taken from the target's name: the name itself, or, when that is
// too long to leave room for the rest of the temporary name, its beginning and a hash of all of
// it, so that a target whose name the file system accepts can still be written.
NativeString TemporaryNamePart(const NativeString& name) {
    if (name.size() + kTemporaryNameRoom <= kLongestName) {
        return name;
    }
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const auto unit : name) {
        hash = (hash ^ static_cast<std::uint32_t>(unit)) * 16777619u;
    }
    NativeString part = name.substr(0, kLongestName - kTemporaryNameRoom - kHashRoom);
#ifdef _WIN32
    // Never keep half of a surrogate pair.
    if (part.back() >= 0xD800 && part.back() <= 0xDBFF) {
        part.pop_back();
    }
#endif
    static constexpr char kHex[] = "0123456789abcdef";
    part += NativeString::value_type('~');
    for (int shift = 28; shift >= 0; shift -= 4) {
        part += static_cast<NativeString::value_type>(kHex[(hash >> shift) & 0xF]);
    }
    return part;
}

// Temporary files of `target` are named "." + its name part + ".tmp-" + the writer's process id
// + "-" + a number unique within that process + "-" + a random number, so that one left behind by
// a writer that was killed can be told from one that a live writer is still filling.
NativeString TemporaryNamePrefix(const fs::path& target) {
    return NativeFromAscii(".") + TemporaryNamePart(target.filename().native()) +
           NativeFromAscii(".tmp-");
}

unsigned long CurrentProcessId() {
#ifdef _WIN32
    return static_cast<unsigned long>(::GetCurrentProcessId());
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

// Whether the process `id` has ended. A process that may still run, or whose state cannot be
// told, counts as running, so that its temporary file is left alone.
bool ProcessHasEnded(unsigned long id) {
    if (id == 0 || id == CurrentProcessId()) {
        return false;
    }
#ifdef _WIN32
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                         static_cast<DWORD>(id));
    if (process == nullptr) {
        return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no process has that id
    }
    // A process that ended stays known while something still holds a handle to it.
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
#else
    if (id > static_cast<unsigned long>(INT32_MAX)) {
        return false;
    }
    return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
#endif
}

// Removes the temporary files of `target` whose writer no longer runs: a writer killed in the
// middle of a write (a crash, a power cut, a full disk ending it with SIGXFSZ) leaves its
// temporary file behind, and the next successful write clears it away. Files of live writers,
// this process included, are left alone. Best effort: nothing here can fail the write.
void RemoveTemporaryFilesOfEndedWriters(const fs::path& target) {
    const NativeString prefix = TemporaryNamePrefix(target);
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const NativeString name = entry->path().filename().native();
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        unsigned long writer = 0;
        std::size_t at = prefix.size();
        while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - prefix.size() < 10) {
            writer = writer * 10 + static_cast<unsigned long>(name[at] - '0');
            ++at;
        }
        if (at == prefix.size() || at == name.size() || name[at] != '-') {
            continue;
        }
        if (ProcessHasEnded(writer)) {
            std::error_code ignored;
            fs::remove(entry->path(), ignored);
        }
    }
}

}  // namespace

fs::path TemporaryPathBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937 generator{std::random_device{}()};
    const std::string suffix = std::to_string(CurrentProcessId()) + "-" +
                               std::to_string(counter++) + "-" +
                               std::to_string(generator() % 1000000);
    return target.parent_path() / (TemporaryNamePrefix(target) + NativeFromAscii(suffix));
}

namespace {

void CheckAndReplace(const fs::path& requestedTarget, std::string_view contents) {
    const fs::path target = ResolveTarget(requestedTarget);
    std::error_code statusError;
    const fs::file_status status = fs::status(target, statusError);
    if (fs::is_directory(status)) {
        ThrowWriteFailure(requestedTarget, "it is a folder");
    }
    // A file the user made read-only stays as it is, even for an administrator, as the read-only
    // attribute works on Windows; replacing it through a rename would otherwise succeed.
    constexpr fs::perms kAnyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (fs::is_regular_file(status) && (status.permissions() & kAnyWrite) == fs::perms::none) {
        ThrowWriteFailure(requestedTarget, "it is read-only");
    }
    WriteAndReplace(requestedTarget, target, contents);
    RemoveTemporaryFilesOfEndedWriters(target);
}

}  // namespace

void ReplaceFileContents(const fs::path& target, std::string_view contents) {
    CheckAndReplace(target, contents);
}

}  // namespace wingcall
