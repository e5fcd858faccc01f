// The cross-process lock under which a settings file is written.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

namespace wingcall {

// How long a settings write waits for another writer before it gives up and stores nothing. The
// wait runs on the window's thread, so it must end: a stopped or hung other Wingcall would
// otherwise freeze this one for good.
inline constexpr std::chrono::seconds kSettingsLockWaitLimit{10};

// Held by a settings write from before it reads the file until its new version is in place, so
// that two writers (two Wingcall windows) never both build on the same old version and drop each
// other's keys. The lock is advisory and shared only by writers that take it; readers need none,
// since a write replaces the file whole.
//
// It is a lock file beside the settings file (".Wingcall.ini.lock"), found through the file's
// real location, so that every path naming the same file takes the same lock. On POSIX the holder
// removes the lock file before it lets go, so that no lock file is left beside the settings (but
// for a program ended by a termination signal while it waited: a later writer simply takes that
// file); on Windows it stays, hidden.
//
// A write never goes ahead unlocked. On POSIX, where the lock file cannot be opened (a folder or a
// symbolic link in its place, another user's private file), the settings file itself is locked
// instead; and a holder of the lock file locks the settings file as well, so that writers of both
// kinds keep out of each other's way. On Windows such a write is refused. The lock is polled, not
// waited on: after kSettingsLockWaitLimit, or once AbandonSettingsLockWaits() was called, the
// write is refused.
// How long one write waits for the lock. One step of the program writes several keys; once a
// write of the step found the lock busy for the whole wait, its later writes are still made (a
// key that can be stored is stored) but each tries the lock once: the step waits once, not once
// a key.
enum class SettingsLockWait { Full, TryOnce };

class SettingsWriteLock {
  public:
    enum class Outcome {
        Held,
        StayedBusy,   // another writer held it for the whole wait
        Abandoned,    // a termination request ended the wait
        Unavailable,  // nothing could be locked; error() says why
    };

    explicit SettingsWriteLock(const std::filesystem::path& settingsFile,
                               SettingsLockWait wait = SettingsLockWait::Full);
    ~SettingsWriteLock();
    SettingsWriteLock(const SettingsWriteLock&) = delete;
    SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

    bool held() const { return outcome_ == Outcome::Held; }
    Outcome outcome() const { return outcome_; }
    // When not held: the system's error code for why (errno on POSIX, a Windows error code on
    // Windows), never 0.
    int error() const { return error_; }
    // When it StayedBusy: the file another writer held for the whole wait (the lock file, or the
    // settings file itself).
    const std::optional<std::filesystem::path>& busyFile() const { return busyFile_; }

  private:
    std::filesystem::path lockPath_;
    Outcome outcome_ = Outcome::Unavailable;
    int error_ = 0;
    std::optional<std::filesystem::path> busyFile_;
#ifdef _WIN32
    void* handle_;  // a HANDLE; INVALID_HANDLE_VALUE when not held
#else
    int descriptor_ = -1;          // the lock file, when it could be opened
    int settingsDescriptor_ = -1;  // the settings file itself, when it exists
#endif
};

// The lock file of a settings file.
std::filesystem::path SettingsLockPath(const std::filesystem::path& settingsFile);

// Ends every settings lock wait of the process, in progress or to come: each fails as Abandoned.
// Async-signal-safe, for a termination signal's handler. Returns true when a wait was in progress
// in the moment of the call; the handler may then end the process at once, since a write that
// waits for its lock has changed nothing yet.
bool AbandonSettingsLockWaits() noexcept;

// Tests shorten the wait; the program always waits kSettingsLockWaitLimit.
void SetSettingsLockWaitLimitForTesting(std::chrono::milliseconds limit);

}  // namespace wingcall
