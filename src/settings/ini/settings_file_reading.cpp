// Reading a settings file for the routines: what is at the path, and the parsed file when it is
// one, read afresh or kept by the current read snapshot.
#ifndef _WIN32

#include "settings/ini/settings_file_reading.h"

#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <stdexcept>
#include <utility>

#include "files/whole_file_read.h"
#include "settings/ini/settings_read_snapshot.h"

namespace wingcall {

struct SettingsReadSnapshot::Files {
    std::map<std::string, FileLookup, std::less<>> loaded;
};

namespace {

// The files of this thread's outermost read snapshot, or none.
thread_local SettingsReadSnapshot::Files* currentSnapshotFiles = nullptr;

// A settings file is far smaller: a larger one is taken for memory that cannot be had.
constexpr std::size_t kLargestFile = 0xFFFFFFFFu;

}  // namespace

SettingsReadSnapshot::SettingsReadSnapshot() {
    if (currentSnapshotFiles == nullptr) {
        files_ = std::make_unique<Files>();
        currentSnapshotFiles = files_.get();
    }
}

SettingsReadSnapshot::~SettingsReadSnapshot() {
    if (files_ != nullptr) {
        currentSnapshotFiles = nullptr;
    }
}

FileLookup ReadSettingsFileNow(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        return {error == ENOENT ? FileState::Missing : FileState::Unreadable, nullptr, error};
    }
    if (S_ISDIR(info.st_mode)) {
        return {FileState::Folder, nullptr, 0};
    }
    if (!S_ISREG(info.st_mode)) {
        return {FileState::NotAFile, nullptr, 0};
    }
    errno = 0;
    WholeFileRead read = ReadWholeFile(path, kLargestFile);
    const int error = errno;
    switch (read.failure) {
        case WholeFileFailure::None:
            return {FileState::Loaded, std::make_shared<const ParsedIniFile>(std::move(read.bytes)),
                    0};
        case WholeFileFailure::TooLarge:
            throw std::length_error("a settings file of 4 GiB or more");
        case WholeFileFailure::Folder:
            return {FileState::Folder, nullptr, 0};
        case WholeFileFailure::NotOrdinaryFile:
            return {FileState::NotAFile, nullptr, 0};
        case WholeFileFailure::Unreadable:
            break;
    }
    return {FileState::Unreadable, nullptr, error != 0 ? error : EACCES};
}

FileLookup ReadSettingsFileForRead(const std::string& path) {
    if (currentSnapshotFiles == nullptr) {
        return ReadSettingsFileNow(path);
    }
    if (const auto kept = currentSnapshotFiles->loaded.find(path);
        kept != currentSnapshotFiles->loaded.end()) {
        return kept->second;
    }
    FileLookup lookup = ReadSettingsFileNow(path);
    if (lookup.state == FileState::Loaded) {
        currentSnapshotFiles->loaded.emplace(path, lookup);
    }
    return lookup;
}

void ForgetSnapshotCopy(const std::string& path) {
    if (currentSnapshotFiles != nullptr) {
        currentSnapshotFiles->loaded.erase(path);
    }
}

}  // namespace wingcall

#endif
