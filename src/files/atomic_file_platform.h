// What the two halves of the crash-safe replace share: the write itself differs between Windows
// and POSIX (atomic_file_windows.cpp, atomic_file_posix.cpp); the checks, the temporary names and
// the sweep of left-over temporary files are common (atomic_file.cpp).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace wingcall {

// Throws the FileAccess error of a write that failed: "Could not write "<target>": <reason>."
[[noreturn]] void ThrowWriteFailure(const std::filesystem::path& target, const std::string& reason);

// Removes the temporary file unless the rename has taken it over.
class TemporaryFileGuard {
  public:
    explicit TemporaryFileGuard(std::filesystem::path path) : path_(std::move(path)) {}
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;
    ~TemporaryFileGuard() {
        if (!released_) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    void release() { released_ = true; }

  private:
    std::filesystem::path path_;
    bool released_ = false;
};

// Writes `contents` to a new temporary file beside `target` (the file links lead to), flushes it
// to disk and renames it over `target`; errors name `requestedTarget`, the path the caller gave.
void WriteAndReplace(const std::filesystem::path& requestedTarget,
                     const std::filesystem::path& target, std::string_view contents);

}  // namespace wingcall
