// Crash-safe replacement of a file: write beside it, flush, then rename over it.
#include "settings/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include "settings/wide_path.h"
#include "settings/wingcall_error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#endif

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using NativeString = fs::path::string_type;

[[noreturn]] void ThrowWriteFailure(const fs::path& target, const std::string& reason) {
    throw WingcallError(ErrorNumber::FileAccess,
                        "Could not write \"" + Utf8FromPath(target) + "\": " + reason + ".");
}

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

// Removes the temporary file unless the rename has taken it over.
class TemporaryFileGuard {
  public:
    explicit TemporaryFileGuard(fs::path path) : path_(std::move(path)) {}
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;
    ~TemporaryFileGuard() {
        if (!released_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    void release() { released_ = true; }

  private:
    fs::path path_;
    bool released_ = false;
};

#ifdef _WIN32

std::string WindowsErrorText(DWORD error) {
    return std::error_code(static_cast<int>(error), std::system_category()).message();
}

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }
    HANDLE get() const { return handle_; }
    bool close() {
        const bool closed = ::CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE handle_;
};

void WriteAndReplace(const fs::path& requestedTarget, const fs::path& target,
                     std::string_view contents) {
    // The replaced file keeps the attributes a user may have given it; read-only ones were
    // refused before.
    const DWORD existing = ::GetFileAttributesW(target.c_str());
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (existing != INVALID_FILE_ATTRIBUTES) {
        const DWORD kept = existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        attributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
    }

    fs::path temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryPathBeside(target);
        // Not shared while it is written, and never inherited by a program Wingcall starts.
        handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes,
                               nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            ThrowWriteFailure(requestedTarget, WindowsErrorText(::GetLastError()));
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        ThrowWriteFailure(requestedTarget, "no temporary file could be created beside it");
    }
    FileHandle file(handle);
    TemporaryFileGuard guard(temporary);

    const char* data = contents.data();
    std::size_t remaining = contents.size();
    while (remaining > 0) {
        const DWORD chunk = static_cast<DWORD>(remaining < (1u << 30) ? remaining : (1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file.get(), data, chunk, &written, nullptr)) {
            ThrowWriteFailure(requestedTarget, WindowsErrorText(::GetLastError()));
        }
        data += written;
        remaining -= written;
    }
    // The data reach the disk before the rename makes them the target's: a power cut then leaves
    // the old file or the whole new one, never an empty one.
    if (!::FlushFileBuffers(file.get()) || !file.close()) {
        ThrowWriteFailure(requestedTarget, WindowsErrorText(::GetLastError()));
    }
    // Written through: the call returns only once the rename itself is on disk.
    if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowWriteFailure(requestedTarget, WindowsErrorText(::GetLastError()));
    }
    guard.release();
}

#else

class FileDescriptor {
  public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    int get() const { return descriptor_; }
    // Closes now and reports the result, since close() can be the call that reports a failed
    // write on some file systems.
    int close() {
        int result = ::close(descriptor_);
        descriptor_ = -1;
        return result;
    }

  private:
    int descriptor_;
};

// The process's file-creation mask, which a new file's mode must honour. Linux reports it without
// changing it; elsewhere it is set and put back at once.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
        }
    }
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

// Gives the temporary file the owner, group and mode of the file it replaces, or the mode a new
// file would get. Owner and group are kept where the process may set them (the superuser both, an
// owner a group it belongs to), so that a write by root does not take the user's own settings
// from them. Best effort: a file system without these leaves the temporary file as it is.
void TakeOverOwnershipAndMode(int descriptor, const struct stat* existing) {
    if (existing == nullptr) {
        ::fchmod(descriptor, 0666 & ~CurrentUmask());
        return;
    }
    // Owner first: a change of owner clears the set-user-ID and set-group-ID bits, which the mode
    // then puts back.
    if (::fchown(descriptor, existing->st_uid, existing->st_gid) != 0) {
        [[maybe_unused]] const int groupOnly =
            ::fchown(descriptor, static_cast<uid_t>(-1), existing->st_gid);
    }
    ::fchmod(descriptor, existing->st_mode & 07777);
}

void SyncFolder(const fs::path& folder) {
    int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);  // best effort: the rename itself has already succeeded
        ::close(descriptor);
    }
}

void WriteAndReplace(const fs::path& requestedTarget, const fs::path& target,
                     std::string_view contents, struct stat* written) {
    struct stat existing {};
    const bool targetExists = ::stat(target.c_str(), &existing) == 0;

    fs::path temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = TemporaryPathBeside(target);
        // Private until it is complete: others get to read it only once it holds the target's
        // mode, just before it takes the target's place.
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno != EEXIST) {
            ThrowWriteFailure(requestedTarget, std::strerror(errno));
        }
    }
    if (descriptor < 0) {
        ThrowWriteFailure(requestedTarget, "no temporary file could be created beside it");
    }
    FileDescriptor file(descriptor);
    TemporaryFileGuard guard(temporary);

    const char* data = contents.data();
    std::size_t remaining = contents.size();
    while (remaining > 0) {
        ssize_t written = ::write(file.get(), data, remaining);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowWriteFailure(requestedTarget, std::strerror(errno));
        }
        data += written;
        remaining -= static_cast<std::size_t>(written);
    }
    TakeOverOwnershipAndMode(file.get(), targetExists ? &existing : nullptr);
    if (::fsync(file.get()) != 0 || (written != nullptr && ::fstat(file.get(), written) != 0) ||
        file.close() != 0) {
        ThrowWriteFailure(requestedTarget, std::strerror(errno));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ThrowWriteFailure(requestedTarget, std::strerror(errno));
    }
    guard.release();
    SyncFolder(target.parent_path());
}

#endif

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

void CheckAndReplace(const fs::path& requestedTarget, std::string_view contents,
                     [[maybe_unused]] struct stat* written) {
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
#ifdef _WIN32
    WriteAndReplace(requestedTarget, target, contents);
#else
    WriteAndReplace(requestedTarget, target, contents, written);
#endif
    RemoveTemporaryFilesOfEndedWriters(target);
}

}  // namespace

void ReplaceFileContents(const fs::path& target, std::string_view contents) {
    CheckAndReplace(target, contents, nullptr);
}

#ifndef _WIN32
void ReplaceFileContents(const fs::path& target, std::string_view contents, struct stat& written) {
    CheckAndReplace(target, contents, &written);
}
#endif

}  // namespace wingcall
