// Crash-safe replacement of a file: write beside it, flush, then rename over it.
#include "settings/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include "settings/wide_path.h"
#include "settings/wingcall_error.h"

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace wingcall {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowWriteFailure(const fs::path& target, const std::string& reason) {
    throw WingcallError(ErrorNumber::FileAccess,
                        "Could not write \"" + Utf8FromPath(target) + "\": " + reason + ".");
}

// The file actually replaced: a symbolic link is followed so that the link itself survives.
fs::path ResolveTarget(const fs::path& target) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        fs::path resolved = fs::canonical(target, error);
        if (!error) {
            return resolved;
        }
    }
    return target;
}

// Temporary files of `target` are named "." + its name + ".tmp-" + the writer's process id + "-"
// + a number unique within that process, so that one left behind by a writer that was killed can
// be told from one that a live writer is still filling.
std::string TemporaryNamePrefix(const fs::path& target) {
    return "." + target.filename().string() + ".tmp-";
}

long CurrentProcessId() {
#ifdef _WIN32
    return 0;
#else
    return static_cast<long>(::getpid());
#endif
}

fs::path TemporaryPathBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937 generator{std::random_device{}()};
    std::string name = TemporaryNamePrefix(target) + std::to_string(CurrentProcessId()) + "-" +
                       std::to_string(counter++) + "-" + std::to_string(generator() % 1000000);
    return target.parent_path() / name;
}

#ifndef _WIN32

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

// Removes the temporary file unless the rename has taken it over.
class TemporaryFileGuard {
  public:
    explicit TemporaryFileGuard(fs::path path) : path_(std::move(path)) {}
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;
    ~TemporaryFileGuard() {
        if (!released_) {
            ::unlink(path_.c_str());
        }
    }
    void release() { released_ = true; }

  private:
    fs::path path_;
    bool released_ = false;
};

// Removes the temporary files of `target` whose writer no longer runs: a writer killed in the
// middle of a write (a crash, a power cut, a full disk ending it with SIGXFSZ) leaves its
// temporary file behind, and the next successful write clears it away. Files of live writers,
// this process included, are left alone. Best effort: nothing here can fail the write.
void RemoveTemporaryFilesOfEndedWriters(const fs::path& target) {
    const std::string prefix = TemporaryNamePrefix(target);
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(prefix)) {
            continue;
        }
        const std::size_t digitsEnd = name.find('-', prefix.size());
        const std::string digits = name.substr(prefix.size(), digitsEnd - prefix.size());
        if (digits.empty() || digitsEnd == std::string::npos ||
            digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) {
            continue;
        }
        const auto writer = static_cast<pid_t>(std::stol(digits));
        if (writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH) {
            ::unlink(entry->path().c_str());
        }
    }
}

void SyncFolder(const fs::path& folder) {
    int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor >= 0) {
        ::fsync(descriptor);  // best effort: the rename itself has already succeeded
        ::close(descriptor);
    }
}

#endif

}  // namespace

void ReplaceFileContents(const fs::path& requestedTarget, std::string_view contents) {
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
    fs::path temporary = TemporaryPathBeside(target);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            ThrowWriteFailure(requestedTarget, "the folder cannot be written to");
        }
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            ThrowWriteFailure(requestedTarget, "the disk may be full");
        }
    }
    std::error_code renameError;
    fs::rename(temporary, target, renameError);
    if (renameError) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        ThrowWriteFailure(requestedTarget, renameError.message());
    }
#else
    struct stat existing {};
    const bool targetExists = ::stat(target.c_str(), &existing) == 0;

    fs::path temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = TemporaryPathBeside(target);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    if (targetExists) {
        ::fchmod(file.get(), existing.st_mode & 07777);
    }
    if (::fsync(file.get()) != 0 || file.close() != 0) {
        ThrowWriteFailure(requestedTarget, std::strerror(errno));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ThrowWriteFailure(requestedTarget, std::strerror(errno));
    }
    guard.release();
    SyncFolder(target.parent_path());
    RemoveTemporaryFilesOfEndedWriters(target);
#endif
}

}  // namespace wingcall
