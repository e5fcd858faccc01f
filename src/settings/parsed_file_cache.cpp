// The cache of parsed settings files, the identity checks that tell when a file changed on disk,
// and the read snapshots under which a file is checked once.
#ifndef _WIN32

#include "settings/parsed_file_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "settings/settings_read_snapshot.h"

namespace wingcall {
namespace {

// The read snapshot of this thread (0: none), and how deeply snapshots are nested on it. Each
// outermost snapshot has a number of its own, so an entry checked under one snapshot is not
// trusted by a later one or by another thread's.
thread_local std::uint64_t currentSnapshot = 0;
thread_local unsigned snapshotDepth = 0;
std::atomic<std::uint64_t> lastSnapshot{0};

bool ReadWholeFile(const std::string& path, std::string& bytes, struct stat& info) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
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
        bytes.append(chunk, static_cast<std::size_t>(count));
    }
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

ParsedFileCache::FileIdentity ParsedFileCache::FileIdentity::Of(const struct stat& info) {
    return {info.st_dev,          info.st_ino,         info.st_size,        info.st_mtim.tv_sec,
            info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
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

void ParsedFileCache::RememberOwnWrite(const std::string& path,
                                       std::shared_ptr<const ParsedProfileFile> file) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        ForgetLastEntry();
        entries_.erase(path);
        return;
    }
    Remember(path, FileIdentity::Of(info), std::move(file));
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
    if (cached != entries_.end() && cached->second.identity == FileIdentity::Of(info)) {
        cached->second.lastUse = ++useCounter_;
        return {FileState::Loaded, cached->second.file};
    }

    std::string bytes;
    struct stat opened {};
    if (!ReadWholeFile(path, bytes, opened)) {
        entries_.erase(path);
        return {FileState::Unreadable, nullptr};
    }
    auto file = std::make_shared<const ParsedProfileFile>(std::move(bytes));
    Remember(path, FileIdentity::Of(opened), file);
    return {FileState::Loaded, file};
}

void ParsedFileCache::Remember(const std::string& path, const FileIdentity& identity,
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
    entries_[path] = CachedFile{identity, std::move(file), ++useCounter_};
}

}  // namespace wingcall

#endif
