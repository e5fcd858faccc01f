// The POSIX half of the crash-safe replace: a private temporary file written, given the target's
// owner, group and mode, flushed to disk and renamed over the target, then the folder flushed.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "files/atomic_file.h"
#include "files/atomic_file_platform.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

void WriteAndReplace(const fs::path& requestedTarget, const fs::path& target,
                     std::string_view contents) {
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
    if (::fsync(file.get()) != 0 || file.close() != 0) {
        ThrowWriteFailure(requestedTarget, std::strerror(errno));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ThrowWriteFailure(requestedTarget, std::strerror(errno));
    }
    guard.release();
    SyncFolder(target.parent_path());
}

}  // namespace wingcall
#endif
