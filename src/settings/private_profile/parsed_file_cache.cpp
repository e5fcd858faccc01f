// The cache of parsed settings files, the identity checks that tell when a file changed on disk,
// and the read snapshots under which a file is checked once.
#ifndef _WIN32

#include "settings/private_profile/parsed_file_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "settings/private_profile/settings_read_snapshot.h"

namespace wingcall {
namespace {

// The read snapshot of this thread (0: none), and how deeply snapshots are nested on it. Each
// outermost snapshot has a number of its own, so an entry checked under one snapshot is not
// trusted by a later one or by another thread's.
thread_local std::uint64_t currentSnapshot = 0;
thread_local unsigned snapshotDepth = 0;
std::atomic<std::uint64_t> lastSnapshot{0};

// How recent a file's times may be while a save of the same size could still leave them as they
// are. Whole seconds mark a file system that keeps nothing finer (two seconds on FAT); elsewhere
// the kernel's clock ticks every few milliseconds. Both allow for that clock lagging the real
// time by a tick.
constexpr std::int64_t kCoarseWindowNanoseconds = 3'000'000'000;
constexpr std::int64_t kFineWindowNanoseconds = 100'000'000;

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

timespec Now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

// Whether the file whose status is `info`, taken no earlier than `takenAt`, was changed so
// recently that a later save of the same size might not change its times: it is racily clean.
bool RacilyClean(const struct stat& info, const timespec& takenAt) {
    const std::int64_t latest = std::max(Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim));
    const bool wholeSeconds = info.st_mtim.tv_nsec == 0 && info.st_ctim.tv_nsec == 0;
    return latest + (wholeSeconds ? kCoarseWindowNanoseconds : kFineWindowNanoseconds) >
           Nanoseconds(takenAt);
}

struct DescriptorCloser {
    int descriptor;
    ~DescriptorCloser() { ::close(descriptor); }
};

// Reads the open file to its end in chunks of 64 KB, handing each to `take`, which returns false
// to stop early. True when the end was reached and every chunk was taken.
template <typename TakeChunk>
bool ReadChunks(int descriptor, TakeChunk&& take) {
    char chunk[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (count == 0) {
            return true;
        }
        if (!take(std::string_view(chunk, static_cast<std::size_t>(count)))) {
            return false;
        }
    }
}

// Whether the file at `path` holds exactly `expected`; `info` gets its status, taken before its
// bytes are read. Memory stays at one chunk however large the file.
bool FileHolds(const std::string& path, std::string_view expected, struct stat& info) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    DescriptorCloser closer{descriptor};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) != expected.size()) {
        return false;
    }
    std::size_t compared = 0;
    const bool read = ReadChunks(descriptor, [&](std::string_view chunk) {
        if (chunk.size() > expected.size() - compared ||
            std::memcmp(chunk.data(), expected.data() + compared, chunk.size()) != 0) {
            return false;
        }
        compared += chunk.size();
        return true;
    });
    return read && compared == expected.size();
}

bool ReadWholeFile(const std::string& path, std::string& bytes, struct stat& info) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    DescriptorCloser closer{descriptor};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    return ReadChunks(descriptor, [&](std::string_view chunk) {
        bytes.append(chunk);
        return true;
    });
}

}  // namespace

SettingsReadSnapshot::SettingsReadSnapshot() {
    if (snapshotDepth++ == 0) {
        currentSnapshot = ++lastSnapshot;
    }
}

SettingsReadSnapshot::~SettingsReadSnapshot() {
    if (--snapshotDepth == 0) {
        currentSnapshot = 0;
    }
}

ParsedFileCache::FileIdentity ParsedFileCache::FileIdentity::Of(const struct stat& info,
                                                                bool changeTimeKnown) {
    return {info.st_dev,          info.st_ino,         info.st_size,         info.st_mtim.tv_sec,
            info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec, changeTimeKnown};
}

bool ParsedFileCache::FileIdentity::Matches(const FileIdentity& onDisk) const {
    return device == onDisk.device && inode == onDisk.inode && size == onDisk.size &&
           modifiedSeconds == onDisk.modifiedSeconds &&
           modifiedNanoseconds == onDisk.modifiedNanoseconds &&
           (!changeTimeKnown || (changedSeconds == onDisk.changedSeconds &&
                                 changedNanoseconds == onDisk.changedNanoseconds));
}

ParsedFileCache& ParsedFileCache::Instance() {
    static ParsedFileCache cache;
    return cache;
}

FileLookup ParsedFileCache::Load(std::string_view path, Purpose purpose) {
    const bool underSnapshot = purpose == Purpose::Read && currentSnapshot != 0;
    if (underSnapshot) {
        if (lastEntry_ != nullptr && *lastPath_ == path &&
            lastEntry_->checkedInSnapshot == currentSnapshot) {
            return {FileState::Loaded, lastEntry_->file};
        }
        auto cached = entries_.find(path);
        if (cached != entries_.end() && cached->second.checkedInSnapshot == currentSnapshot) {
            lastPath_ = &cached->first, lastEntry_ = &cached->second;
            return {FileState::Loaded, cached->second.file};
        }
    }
    FileLookup lookup = LoadChecked(path);
    if (underSnapshot && lookup.state == FileState::Loaded) {
        if (auto cached = entries_.find(path); cached != entries_.end()) {
            cached->second.checkedInSnapshot = currentSnapshot;
            lastPath_ = &cached->first, lastEntry_ = &cached->second;
        }
    }
    return lookup;
}

void ParsedFileCache::RememberOwnWrite(const std::string& path, const struct stat& written,
                                       std::shared_ptr<const ParsedProfileFile> file) {
    // Never a stat() of the path now: another program may have saved over the file since the
    // rename, and its file would then be taken for ours.
    Remember(path, FileIdentity::Of(written, false), false, std::move(file));
}

FileLookup ParsedFileCache::LoadChecked(std::string_view pathText) {
    const std::string path(pathText);
    ForgetLastEntry();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        entries_.erase(path);
        return {error == ENOENT ? FileState::Missing : FileState::Unreadable, nullptr};
    }
    if (!S_ISREG(info.st_mode)) {
        entries_.erase(path);
        return {S_ISDIR(info.st_mode) ? FileState::Folder : FileState::NotAFile, nullptr};
    }
    auto cached = entries_.find(path);
    if (cached != entries_.end() && cached->second.identity.Matches(FileIdentity::Of(info))) {
        CachedFile& entry = cached->second;
        if (entry.trusted) {
            entry.lastUse = ++useCounter_;
            return {FileState::Loaded, entry.file};
        }
        // Racily clean: the bytes decide, and once the file's times are old enough its identity
        // alone will do.
        const timespec before = Now();
        struct stat compared {};
        if (FileHolds(path, entry.file->raw(), compared)) {
            entry.identity = FileIdentity::Of(compared);
            entry.trusted = !RacilyClean(compared, before);
            entry.lastUse = ++useCounter_;
            return {FileState::Loaded, entry.file};
        }
    }
    // The outdated parse goes before the new one is built: a large file is then held parsed once.
    if (cached != entries_.end()) {
        entries_.erase(cached);
    }

    const timespec before = Now();
    std::string bytes;
    struct stat opened {};
    if (!ReadWholeFile(path, bytes, opened)) {
        return {FileState::Unreadable, nullptr};
    }
    auto file = std::make_shared<const ParsedProfileFile>(std::move(bytes));
    Remember(path, FileIdentity::Of(opened), !RacilyClean(opened, before), file);
    return {FileState::Loaded, file};
}

void ParsedFileCache::Remember(const std::string& path, const FileIdentity& identity, bool trusted,
                               std::shared_ptr<const ParsedProfileFile> file) {
    ForgetLastEntry();
    if (entries_.size() >= kMaximumEntries && !entries_.contains(path)) {
        auto oldest = entries_.begin();
        for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
            if (entry->second.lastUse < oldest->second.lastUse) {
                oldest = entry;
            }
        }
        entries_.erase(oldest);
    }
    entries_[path] = CachedFile{identity, std::move(file), ++useCounter_, trusted};
}

}  // namespace wingcall

#endif
