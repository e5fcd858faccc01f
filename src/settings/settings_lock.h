// The cross-process lock under which a settings file is written.
#pragma once

#include <filesystem>

namespace wingcall {

// Held by a settings write from before it reads the file until its new version is in place, so
// that two writers (two Wingcall windows) never both build on the same old version and drop each
// other's keys. The lock is advisory and shared only by writers that take it; readers need none,
// since a write replaces the file whole.
//
// It is a lock file beside the settings file (".Wingcall.ini.lock"), found through the file's
// real location, so that every path naming the same file takes the same lock. On POSIX the holder
// removes the lock file before it lets go, so that no lock file is left beside the settings; on
// Windows it stays, hidden. Where no lock can be had (a folder that cannot be written, a file
// system without locks) the write goes ahead unlocked, as it would without this lock: it then
// fails or succeeds on its own.
class SettingsWriteLock {
  public:
    explicit SettingsWriteLock(const std::filesystem::path& settingsFile);
    ~SettingsWriteLock();
    SettingsWriteLock(const SettingsWriteLock&) = delete;
    SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

    bool held() const;

  private:
    std::filesystem::path lockPath_;
#ifdef _WIN32
    void* handle_;  // a HANDLE; INVALID_HANDLE_VALUE when not held
#else
    int descriptor_ = -1;
#endif
};

}  // namespace wingcall
