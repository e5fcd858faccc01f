// The parsed settings files the routines keep in memory, and when they may be trusted.
//
// A template of tens of thousands of commands is read one key per call, so a parsed file is kept
// and used again while the file on disk is unchanged. Checking that costs a system call per read,
// so a template load holds a SettingsReadSnapshot, under which the file is checked once.
//
// "Unchanged" is told by the file's identity (device, inode, size, modification and change
// times). Times have a granularity: a file system with coarse times, or a kernel clock that ticks
// every few milliseconds, gives two saves of the same size within one tick the same identity. An
// entry whose times were that recent when it was taken is "racily clean": it is trusted only once
// the file's bytes have been compared with it, the way version-control systems treat such files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include <sys/types.h>

#include "settings/private_profile/parsed_profile_file.h"

struct stat;

namespace wingcall {

enum class FileState {
    Missing,     // nothing at the path: reads give the default, a write creates the file
    Folder,      // a folder: reads give the default without its trailing blanks (quotes kept),
                 // writes are refused
    NotAFile,    // a device or pipe: reads give the default, writes are refused
    Unreadable,  // present but not readable: reads give the default, writes are refused
    Loaded,
};

struct FileLookup {
    FileState state;
    std::shared_ptr<const ParsedProfileFile> file;  // set when Loaded
};

class ParsedFileCache {
  public:
    // A write always checks the file on disk; a read may trust the current snapshot.
    enum class Purpose { Read, Write };

    // The one cache of the process.
    static ParsedFileCache& Instance();

    std::mutex& mutex() { return mutex_; }

    // The parsed content of the file at `path`, read again only when it changed on disk. A read
    // under a snapshot trusts an entry already checked under that snapshot without looking at the
    // disk again. The caller holds the mutex.
    FileLookup Load(std::string_view path, Purpose purpose);

    // After our own write: the file that the write renamed into place, whose status `written`
    // was taken from its own descriptor before the rename, holds `file`. The next call compares
    // the bytes on disk with it rather than parsing them again, and sees any file that took its
    // place, or any change to it, since.
    void RememberOwnWrite(const std::string& path, const struct stat& written,
                          std::shared_ptr<const ParsedProfileFile> file);

    void Forget(const std::string& path) noexcept {
        ForgetLastEntry();
        entries_.erase(path);
    }

  private:
    // What tells a file apart from its earlier self. A file replaced by another has a new inode;
    // an edit in place changes the size or the times (within the limits of their granularity).
    struct FileIdentity {
        dev_t device;
        ino_t inode;
        off_t size;
        std::int64_t modifiedSeconds;
        long modifiedNanoseconds;
        std::int64_t changedSeconds;
        long changedNanoseconds;
        // The rename of our own write sets the change time after its status was taken.
        bool changeTimeKnown;

        static FileIdentity Of(const struct stat& info, bool changeTimeKnown = true);
        // Whether `onDisk` (always with its change time) may be this same file, unchanged.
        bool Matches(const FileIdentity& onDisk) const;
    };

    struct CachedFile {
        FileIdentity identity;
        std::shared_ptr<const ParsedProfileFile> file;
        std::uint64_t lastUse;
        // Whether a matching identity alone proves the file unchanged; otherwise (racily clean,
        // or our own write) its bytes are compared first.
        bool trusted;
        // The read snapshot under which this entry was last checked against the disk (0: none).
        std::uint64_t checkedInSnapshot = 0;
    };

    // A program touches one or two settings files; a few entries are plenty, and the bound keeps
    // a long-running process from holding every file it ever read.
    static constexpr std::size_t kMaximumEntries = 8;

    FileLookup LoadChecked(std::string_view path);
    void ForgetLastEntry() noexcept { lastPath_ = nullptr, lastEntry_ = nullptr; }
    void Remember(const std::string& path, const FileIdentity& identity, bool trusted,
                  std::shared_ptr<const ParsedProfileFile> file);

    std::mutex mutex_;
    // Looked up by the caller's own text of the path, so that a read copies no path.
    struct PathHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view path) const noexcept {
            return std::hash<std::string_view>{}(path);
        }
    };
    std::unordered_map<std::string, CachedFile, PathHash, std::equal_to<>> entries_;
    std::uint64_t useCounter_ = 0;
    // The entry a read under the current snapshot found last: the reads of a template load all
    // name one file, so they skip the hashing of its path. Cleared whenever entries go.
    const std::string* lastPath_ = nullptr;
    CachedFile* lastEntry_ = nullptr;
};

}  // namespace wingcall
