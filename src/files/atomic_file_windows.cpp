// The Windows half of the crash-safe replace: a new file written, flushed to disk and moved over
// the target with a rename that is itself written through.
#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "files/atomic_file.h"
#include "files/atomic_file_platform.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

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

}  // namespace wingcall
#endif
