// The settings write lock: an exclusive lock on a lock file beside the settings file (flock on
// POSIX, LockFileEx on Windows), polled for a bounded time and held for the whole of one write.
#include "files/settings_lock.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

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
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Touched by a signal handler: only lock-free atomics will do there.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
std::atomic<int> waitsInProgress{0};
std::atomic<bool> waitsAbandoned{false};

milliseconds waitLimit = kSettingsLockWaitLimit;

// Marks the time from a lock's first attempt until it is held or given up: nothing of the
// write has happened yet, so ending the process then loses nothing.
class WaitInProgress {
  public:
    WaitInProgress() { waitsInProgress.fetch_add(1); }
    ~WaitInProgress() { waitsInProgress.fetch_sub(1); }
    WaitInProgress(const WaitInProgress&) = delete;
    WaitInProgress& operator=(const WaitInProgress&) = delete;
};

// The pauses between two attempts of one lock: short at first, since a writer usually lets go
// within milliseconds, then longer, up to the deadline of the whole wait.
class Poller {
  public:
    enum class Verdict { TryAgain, StayedBusy, Abandoned };

    explicit Poller(SettingsLockWait wait)
        : deadline_(Clock::now() +
                    (wait == SettingsLockWait::TryOnce ? milliseconds(0) : waitLimit)) {}

    Verdict Pause() {
        if (waitsAbandoned.load()) {
            return Verdict::Abandoned;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline_) {
            return Verdict::StayedBusy;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause_, deadline_ - now));
        pause_ = std::min<Clock::duration>(pause_ * 2, milliseconds(50));
        return Verdict::TryAgain;
    }

  private:
    Clock::time_point deadline_;
    Clock::duration pause_ = milliseconds(1);
};

SettingsWriteLock::Outcome OutcomeOf(Poller::Verdict verdict) {
    return verdict == Poller::Verdict::Abandoned ? SettingsWriteLock::Outcome::Abandoned
                                                 : SettingsWriteLock::Outcome::StayedBusy;
}

// The file the path really names, so that a settings file reached through a symbolic link or a
// relative path shares its lock with every other way of naming it.
fs::path RealPath(const fs::path& settingsFile) {
    std::error_code error;
    fs::path file = fs::weakly_canonical(settingsFile, error);
    if (error || file.filename().empty()) {
        file = settingsFile;
    }
    return file;
}

}  // namespace

fs::path SettingsLockPath(const fs::path& settingsFile) {
    const fs::path file = RealPath(settingsFile);
    return file.parent_path() /
           (fs::path::string_type(1, '.') + file.filename().native() + fs::path(".lock").native());
}

bool AbandonSettingsLockWaits() noexcept {
    waitsAbandoned.store(true);
    return waitsInProgress.load() > 0;
}

void SetSettingsLockWaitLimitForTesting(milliseconds limit) {
    waitLimit = limit;
}

#ifdef _WIN32

SettingsWriteLock::SettingsWriteLock(const fs::path& settingsFile, SettingsLockWait wait)
    : lockPath_(SettingsLockPath(settingsFile)), handle_(INVALID_HANDLE_VALUE) {
    const WaitInProgress waiting;
    // Shared in every way, so that any number of writers can open it and wait for their turn;
    // not inheritable, so that a program Wingcall starts holds nothing.
    HANDLE handle = ::CreateFileW(lockPath_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A byte-range lock on the settings file itself would keep readers out of it; the
        // write is refused instead.
        error_ = static_cast<int>(::GetLastError());
        error_ = error_ != 0 ? error_ : ERROR_ACCESS_DENIED;
        return;
    }
    Poller poller(wait);
    for (;;) {
        OVERLAPPED whole{};
        if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                         &whole)) {
            handle_ = handle;
            outcome_ = Outcome::Held;
            return;
        }
        const DWORD code = ::GetLastError();
        Poller::Verdict verdict = Poller::Verdict::TryAgain;
        if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) {
            error_ = code != 0 ? static_cast<int>(code) : ERROR_LOCK_VIOLATION;
        } else if ((verdict = poller.Pause()) == Poller::Verdict::TryAgain) {
            continue;
        } else {
            outcome_ = OutcomeOf(verdict);
            error_ = verdict == Poller::Verdict::Abandoned ? ERROR_OPERATION_ABORTED
                                                           : ERROR_LOCK_VIOLATION;
            if (outcome_ == Outcome::StayedBusy) {
                busyFile_ = lockPath_;
            }
        }
        ::CloseHandle(handle);
        return;
    }
}

SettingsWriteLock::~SettingsWriteLock() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        OVERLAPPED whole{};
        ::UnlockFileEx(handle_, 0, 1, 0, &whole);
        ::CloseHandle(handle_);
    }
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

// Without blocking, in case a pipe stands where the settings file should be.
int OpenSettingsFile(const fs::path& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
}

bool StillNamed(int descriptor, const fs::path& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(descriptor, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Locks the file `open` gives for `path`. Once locked it must still be the file the path names:
// the writer before us removes the lock file it held, and replaces the settings file, before it
// lets go; the lock is then the file now in its place, which another writer may already hold.
SettingsWriteLock::Outcome LockNamedFile(const fs::path& path, int (*open)(const fs::path&),
                                         Poller& poller, int& descriptor, int& error) {
    for (;;) {
        const int opened = open(path);
        if (opened < 0) {
            error = errno;
            return SettingsWriteLock::Outcome::Unavailable;
        }
        Poller::Verdict verdict = Poller::Verdict::TryAgain;
        while (::flock(opened, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                error = errno;  // a file system without locks
                ::close(opened);
                return SettingsWriteLock::Outcome::Unavailable;
            }
            if ((verdict = poller.Pause()) != Poller::Verdict::TryAgain) {
                break;
            }
        }
        if (verdict == Poller::Verdict::TryAgain && StillNamed(opened, path)) {
            descriptor = opened;
            return SettingsWriteLock::Outcome::Held;
        }
        ::close(opened);
        if (verdict == Poller::Verdict::TryAgain) {
            verdict = poller.Pause();
        }
        if (verdict != Poller::Verdict::TryAgain) {
            error = verdict == Poller::Verdict::Abandoned ? EINTR : EWOULDBLOCK;
            return OutcomeOf(verdict);
        }
    }
}

}  // namespace

SettingsWriteLock::SettingsWriteLock(const fs::path& settingsFile, SettingsLockWait wait)
    : lockPath_(SettingsLockPath(settingsFile)) {
    const WaitInProgress waiting;
    const fs::path settings = RealPath(settingsFile);
    Poller poller(wait);
    outcome_ = LockNamedFile(lockPath_, OpenLockFile, poller, descriptor_, error_);
    if (outcome_ == Outcome::StayedBusy) {
        busyFile_ = lockPath_;
    }
    if (outcome_ == Outcome::Unavailable) {
        // Whatever is in the lock file's place, the settings file itself can be locked as long
        // as it can be read, which a write needs anyway.
        const int lockFileError = error_;
        outcome_ = LockNamedFile(settings, OpenSettingsFile, poller, settingsDescriptor_, error_);
        if (outcome_ == Outcome::Unavailable) {
            error_ = lockFileError;
        }
        if (outcome_ == Outcome::StayedBusy) {
            busyFile_ = settings;
        }
        return;
    }
    if (outcome_ != Outcome::Held) {
        return;
    }
    int secondError = 0;
    const Outcome second =
        LockNamedFile(settings, OpenSettingsFile, poller, settingsDescriptor_, secondError);
    if (second == Outcome::StayedBusy || second == Outcome::Abandoned) {
        // A writer that could not open the lock file holds the settings file.
        ::unlink(lockPath_.c_str());
        ::close(descriptor_);
        descriptor_ = -1;
        outcome_ = second;
        error_ = secondError;
        if (second == Outcome::StayedBusy) {
            busyFile_ = settings;
        }
    }
    // Unavailable: there is no settings file yet (or none to read), so no such writer either.
}

SettingsWriteLock::~SettingsWriteLock() {
    if (descriptor_ >= 0) {
        // Removed while still held, so that whoever waits on this file sees that it is gone and
        // takes the next one; in a folder that forbids the removal the file simply stays.
        ::unlink(lockPath_.c_str());
        ::close(descriptor_);
    }
    if (settingsDescriptor_ >= 0) {
        ::close(settingsDescriptor_);
    }
}

#endif

}  // namespace wingcall
