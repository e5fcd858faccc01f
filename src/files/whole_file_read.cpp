// Reading a whole file with the checks that keep the read finite, on Windows and on POSIX.
#include "files/whole_file_read.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace wingcall {
namespace {

WholeFileRead Failed(WholeFileFailure failure, std::string systemReason = {}) {
    WholeFileRead result;
    result.failure = failure;
    result.systemReason = std::move(systemReason);
    return result;
}

#ifdef _WIN32

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};

std::string WindowsErrorText(DWORD error) {
    return std::error_code(static_cast<int>(error), std::system_category()).message();
}

#else

class FileDescriptor {
  public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { ::close(descriptor_); }
    int get() const { return descriptor_; }

  private:
    int descriptor_;
};

#endif

}  // namespace

#ifdef _WIN32

WholeFileRead ReadWholeFile(const std::filesystem::path& path, std::size_t maximumBytes) {
    std::error_code statusError;
    if (std::filesystem::is_directory(std::filesystem::status(path, statusError))) {
        return Failed(WholeFileFailure::Folder);
    }
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return Failed(WholeFileFailure::Unreadable, WindowsErrorText(::GetLastError()));
    }
    const std::unique_ptr<void, HandleCloser> file(opened);
    // A pipe, a console or a device such as NUL is no file on disk: reading it could block or
    // never end.
    if (::GetFileType(opened) != FILE_TYPE_DISK) {
        return Failed(WholeFileFailure::NotOrdinaryFile);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(opened, &size)) {
        return Failed(WholeFileFailure::Unreadable, WindowsErrorText(::GetLastError()));
    }
    if (static_cast<unsigned long long>(size.QuadPart) > maximumBytes) {
        return Failed(WholeFileFailure::TooLarge);
    }
    WholeFileRead result;
    result.bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    std::array<char, 65536> chunk;
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(opened, chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr)) {
            return Failed(WholeFileFailure::Unreadable, WindowsErrorText(::GetLastError()));
        }
        if (count == 0) {
            return result;
        }
        // A file that grows while it is read is held to the same cap.
        if (result.bytes.size() + count > maximumBytes) {
            return Failed(WholeFileFailure::TooLarge);
        }
        result.bytes.append(chunk.data(), count);
    }
}

#else

WholeFileRead ReadWholeFile(const std::filesystem::path& path, std::size_t maximumBytes) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, for ever. The
    // file type is then checked on the open descriptor, so a file swapped in between is seen.
    int opened;
    do {
        opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0) {
        return Failed(WholeFileFailure::Unreadable, std::strerror(errno));
    }
    const FileDescriptor file(opened);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        return Failed(WholeFileFailure::Unreadable, std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        return Failed(WholeFileFailure::Folder);
    }
    // A FIFO, a socket or a device such as /dev/zero is no file on disk: reading it could block
    // or never end.
    if (!S_ISREG(status.st_mode)) {
        return Failed(WholeFileFailure::NotOrdinaryFile);
    }
    if (static_cast<unsigned long long>(status.st_size) > maximumBytes) {
        return Failed(WholeFileFailure::TooLarge);
    }
    WholeFileRead result;
    result.bytes.reserve(static_cast<std::size_t>(status.st_size));
    std::array<char, 65536> chunk;
    for (;;) {
        const ssize_t count = ::read(file.get(), chunk.data(), chunk.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failed(WholeFileFailure::Unreadable, std::strerror(errno));
        }
        if (count == 0) {
            return result;
        }
        // A file that grows while it is read is held to the same cap.
        if (result.bytes.size() + static_cast<std::size_t>(count) > maximumBytes) {
            return Failed(WholeFileFailure::TooLarge);
        }
        result.bytes.append(chunk.data(), static_cast<std::size_t>(count));
    }
}

#endif

}  // namespace wingcall
