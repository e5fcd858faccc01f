// Reading a settings file for the routines: what is at the path, and the parsed file when it is
// one, read afresh or kept by the current read snapshot.
#pragma once

#include <memory>
#include <string>

#include "settings/ini/parsed_ini_file.h"

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
    FileState state = FileState::Missing;
    std::shared_ptr<const ParsedIniFile> file;  // set when Loaded
    int error = 0;                              // errno, when Unreadable
};

// The file at `path`, read and parsed now. A file of 4 GiB or more throws std::length_error, and
// memory running out std::bad_alloc.
FileLookup ReadSettingsFileNow(const std::string& path);

// For a read: the file as the current read snapshot of this thread first read it, or, without a
// snapshot, as it is now.
FileLookup ReadSettingsFileForRead(const std::string& path);

// After a write of `path`: the current snapshot's reads see the file as the write left it.
void ForgetSnapshotCopy(const std::string& path);

}  // namespace wingcall
