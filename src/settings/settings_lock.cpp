// The settings write lock: an exclusive lock on a lock file beside the settings file (flock on
// POSIX, LockFileEx on Windows), held for the whole of one write.
#include "settings/settings_lock.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace wingcall {
namespace {

namespace fs = std::filesystem;

// Beside the file the path really names, so that a settings file reached through a symbolic link
// or a relative path shares its lock with every other way of naming it.
fs::path LockPathFor(const fs::path& settingsFile) {
    std::error_code error;
    fs::path file = fs::weakly_canonical(settingsFile, error);
    if (error || file.filename().empty()) {
        file = settingsFile;
    }
    return file.parent_path() /
           (fs::path::string_type(1, '.') + file.filename().native() + fs::path(".lock").native());
}

}  // namespace

#ifdef _WIN32

SettingsWriteLock::SettingsWriteLock(const fs::path& settingsFile)
    : lockPath_(LockPathFor(settingsFile)), handle_(INVALID_HANDLE_VALUE) {
    // Shared in every way, so that any number of writers can open it and wait for their turn;
    // not inheritable, so that a program Wingcall starts holds nothing.
    HANDLE handle = ::CreateFileW(lockPath_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    OVERLAPPED whole{};
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) {
        ::CloseHandle(handle);
        return;
    }
    handle_ = handle;
}

SettingsWriteLock::~SettingsWriteLock() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        OVERLAPPED whole{};
        ::UnlockFileEx(handle_, 0, 1, 0, &whole);
        ::CloseHandle(handle_);
    }
}

bool SettingsWriteLock::held() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

#else

namespace {

// Opens the lock file, creating it when it is missing; read-only when another user's lock file
// cannot be opened for writing (a lock needs no write access). Never follows a symbolic link that
// someone put in its place.
int OpenLockFile(const fs::path& path) {
    int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (descriptor < 0 && errno == EACCES) {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    return descriptor;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A writer that holds the lock long enough for this many others to come and go is not waited
// for again and again for ever: the write goes ahead unlocked.
constexpr int kMostAttempts = 10000;

}  // namespace

SettingsWriteLock::SettingsWriteLock(const fs::path& settingsFile)
    : lockPath_(LockPathFor(settingsFile)) {
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        const int descriptor = OpenLockFile(lockPath_);
        if (descriptor < 0) {
            return;
        }
        int locked;
        while ((locked = ::flock(descriptor, LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat opened {};
        struct stat named {};
        if (locked == 0 && ::fstat(descriptor, &opened) == 0 &&
            ::lstat(lockPath_.c_str(), &named) == 0 && SameFile(opened, named)) {
            descriptor_ = descriptor;
            return;
        }
        ::close(descriptor);
        if (locked != 0) {
            return;  // the file system offers no locks
        }
        // The writer before us removed the file it held once it was done: the lock is now the
        // file in its place, which another writer may already hold.
    }
}

SettingsWriteLock::~SettingsWriteLock() {
    if (descriptor_ >= 0) {
        // Removed while still held, so that whoever waits on this file sees that it is gone and
        // takes the next one; in a folder that forbids the removal the file simply stays.
        ::unlink(lockPath_.c_str());
        ::close(descriptor_);
    }
}

bool SettingsWriteLock::held() const {
    return descriptor_ >= 0;
}

#endif

}  // namespace wingcall
