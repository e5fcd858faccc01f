// Reading a whole file that someone else chose, with the checks that keep the read finite: no
// folder, no pipe or device that could block or never end, nothing larger than the caller's cap.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace wingcall {

// Why a whole-file read gave no bytes. The caller words the message: only it knows what the file
// was meant to be.
enum class WholeFileFailure {
    None,             // the read succeeded
    Unreadable,       // opening, inspecting or reading failed; `systemReason` says why
    Folder,           // the path names a folder
    NotOrdinaryFile,  // a pipe, a socket, a console or a device rather than a file on disk
    TooLarge,         // larger than the cap, or grew past it while being read
};

struct WholeFileRead {
    WholeFileFailure failure = WholeFileFailure::None;
    std::string bytes;         // the whole content, when failure is None
    std::string systemReason;  // the system's own text, when failure is Unreadable
};

// Reads all of `path`, which must be an ordinary file of at most `maximumBytes`. A FIFO is never
// waited on, and the type is checked on the open file, so a file swapped in meanwhile is seen.
// Other programs may keep the file open, even for writing, while it is read.
WholeFileRead ReadWholeFile(const std::filesystem::path& path, std::size_t maximumBytes);

}  // namespace wingcall
