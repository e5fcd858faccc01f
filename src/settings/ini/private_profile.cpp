// The two private-profile routines for builds outside Windows, where the platform has none.
//
// They read and write the Windows private-profile format with the rules the platform's own
// routines follow, so that a settings file behaves the same on every system. The format's rules
// are those of parsed_ini_file.cpp; the rules of the calls are these:
// - A read hands back the value of the first key of its name in the first section of its name,
//   without one pair of surrounding quotes; names are trimmed and match without regard to ASCII
//   letter case. A missing file, section or key gives the default, without its trailing spaces
//   (a default of spaces alone keeps one) and one pair of surrounding quotes; a path that names
//   a folder gives the default without its trailing spaces but with its quotes. The result is
//   cut to the buffer, NUL-terminated.
// - Values of a Unicode file come back in the ANSI code page, a character it lacks as the
//   platform's best-fit replacement, or "?" when there is none.
// - A file that starts with a UTF-8 or UTF-16 byte-order mark is read in that encoding; writes
//   keep the file's encoding. Any other file is bytes in the ANSI code page.
// - A write changes only the one line it sets (or inserts); every other byte stays as it was,
//   and the file is replaced through a temporary file so it is never left half-written.
// - A write that could damage the file is refused (FALSE): a line end in any argument, a key
//   that would read back as another key or as a header, a file that could not be read, a
//   read-only file. Deleting keys or sections (null arguments) is not offered. A refused or
//   failed write leaves errno (and the last error) saying why.
// - A write holds the settings write lock from its read of the file to the replace, so writes
//   of other processes never build on a version that it is replacing; without the lock it is
//   refused.
// - A read that fails for want of memory gives no value at all and says so through the last
//   error: a default in its place would pass for a missing key.
#ifndef _WIN32

#include "settings/ini/private_profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "files/atomic_file.h"
#include "files/settings_lock.h"
#include "settings/ini/ini_line_editor.h"
#include "settings/ini/ini_syntax.h"
#include "settings/ini/settings_file_reading.h"

namespace {

using wingcall::FileLookup;
using wingcall::FileState;
using wingcall::ParsedIniFile;

// Copies `value` cut to size - 1 characters with a closing NUL; returns the characters copied.
DWORD CopyToBuffer(std::string_view value, char* buffer, DWORD size) {
    const std::size_t count = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// The default is handed back without its trailing spaces and one pair of surrounding quotes; a
// default of spaces alone keeps one. When the path names a folder, the platform keeps the quotes.
std::string_view PreparedDefault(const char* defaultValue, FileState state) {
    std::string_view value = defaultValue == nullptr ? "" : defaultValue;
    const std::size_t lastNonSpace = value.find_last_not_of(' ');
    if (lastNonSpace == std::string_view::npos) {
        return value.substr(0, 1);
    }
    value = value.substr(0, lastNonSpace + 1);
    return state == FileState::Folder ? value : wingcall::WithoutSurroundingQuotes(value);
}

std::atomic<DWORD> lastError{ERROR_SUCCESS};

// Why reading or writing the file failed, for the last error: memory (a string that would pass
// its largest size is that too), or `otherwise`.
DWORD ErrorCodeOf(const std::exception& error, DWORD otherwise) {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr ||
        dynamic_cast<const std::length_error*>(&error) != nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return otherwise;
}

// The last error that goes with an errno value of a refused or failed write.
DWORD LastErrorFor(int error) {
    switch (error) {
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOENT:
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EWOULDBLOCK:
            return ERROR_LOCK_VIOLATION;
        case EINTR:
            return ERROR_OPERATION_ABORTED;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_WRITE_FAULT;
    }
}

// Set last of all, once every cleanup of the write (the lock's release among them) is over, so
// that nothing overwrites errno before the caller reads it.
BOOL Refused(int error) {
    SetLastError(LastErrorFor(error));
    errno = error;
    return FALSE;
}

bool Contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// The stored value of the key, in ANSI bytes, or nothing when the section or key is missing.
std::optional<std::string_view> StoredValue(const ParsedIniFile& file, const char* section,
                                            const char* key, std::string& storage) {
    std::string sectionStorage, keyStorage;
    const wingcall::SectionRecord* sectionRecord =
        file.FindSection(file.ToInternal(wingcall::Trim(section), sectionStorage));
    if (sectionRecord == nullptr) {
        return std::nullopt;
    }
    const wingcall::KeyRecord* keyRecord =
        file.FindKey(*sectionRecord, file.ToInternal(wingcall::Trim(key), keyStorage));
    if (keyRecord == nullptr) {
        return std::nullopt;
    }
    const std::string_view value = wingcall::WithoutSurroundingQuotes(keyRecord->value);
    if (!wingcall::IsUnicode(file.encoding())) {
        return value;
    }
    storage = file.ToAnsi(value);
    return storage;
}

}  // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    SetLastError(ERROR_SUCCESS);
    if (lpReturnedString == nullptr || nSize == 0) {
        return 0;
    }
    lpReturnedString[0] = '\0';
    if (lpFileName == nullptr) {
        return 0;
    }
    const wingcall::IniRead read =
        wingcall::ReadIniValue(lpAppName, lpKeyName, lpDefault, lpFileName);
    switch (read.failure) {
        case wingcall::IniReadFailure::None:
            return CopyToBuffer(read.value, lpReturnedString, nSize);
        case wingcall::IniReadFailure::OutOfMemory:
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        case wingcall::IniReadFailure::ReadFault:
            SetLastError(ERROR_READ_FAULT);
            return 0;
    }
    return 0;
}

namespace wingcall {

IniRead ReadIniValue(const char* section, const char* key, const char* defaultValue,
                     const std::string& fileName) {
    if (section == nullptr || key == nullptr) {
        return {};
    }
    FileState state = FileState::Missing;
    try {
        const FileLookup lookup = ReadSettingsFileForRead(fileName);
        state = lookup.state;
        if (lookup.state == FileState::Loaded) {
            std::string storage;
            if (const auto value = StoredValue(*lookup.file, section, key, storage)) {
                return {std::string(*value), IniReadFailure::None};
            }
        }
    } catch (const std::exception& error) {
        return {std::string(), ErrorCodeOf(error, ERROR_READ_FAULT) == ERROR_NOT_ENOUGH_MEMORY
                                   ? IniReadFailure::OutOfMemory
                                   : IniReadFailure::ReadFault};
    }
    return {std::string(PreparedDefault(defaultValue, state)), IniReadFailure::None};
}

}  // namespace wingcall

namespace {

// Sets the value under the settings write lock; 0 once the file holds it, otherwise the errno
// value that says why not. Every resource it takes is given back before it returns.
int WriteUnderLock(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value, wingcall::SettingsLockWait wait,
                   std::optional<std::filesystem::path>& busyLock) {
    try {
        const wingcall::SettingsWriteLock writeLock(path, wait);
        if (!writeLock.held()) {
            busyLock = writeLock.busyFile();
            return writeLock.error();
        }
        // Always the file on disk, never a snapshot's copy: the write builds on what is there.
        FileLookup lookup = wingcall::ReadSettingsFileNow(path);
        // Never replace a file whose content could not be read.
        if (lookup.state == FileState::Folder) {
            return EISDIR;
        }
        if (lookup.state == FileState::NotAFile) {
            return EINVAL;  // a device or a pipe
        }
        if (lookup.state == FileState::Unreadable) {
            return lookup.error;
        }
        if (lookup.state == FileState::Loaded && !lookup.file->writable()) {
            return EILSEQ;  // a damaged Unicode file: its bad sequences would not survive
        }
        if (lookup.state == FileState::Loaded) {
            // One the user made read-only: that stays so even for an administrator.
            struct stat status {};
            if (::access(path.c_str(), W_OK) != 0) {
                return errno;
            }
            if (::stat(path.c_str(), &status) == 0 && (status.st_mode & 0222) == 0) {
                return EACCES;
            }
        }
        std::optional<std::string> content =
            wingcall::ContentAfterWrite(lookup.file.get(), section, key, value);
        if (!content) {
            return 0;  // the file already holds the value: it stays untouched
        }
        errno = 0;
        wingcall::ReplaceFileContents(path, *content);
        wingcall::ForgetSnapshotCopy(path);
        return 0;
    } catch (const std::exception& error) {
        // The file keeps its previous content. A failed system call left its reason in errno.
        const int reason = errno;
        return ErrorCodeOf(error, ERROR_WRITE_FAULT) == ERROR_NOT_ENOUGH_MEMORY ? ENOMEM
               : reason != 0                                                    ? reason
                                                                                : EIO;
    }
}

}  // namespace

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName) {
    SetLastError(ERROR_SUCCESS);
    if (lpFileName == nullptr) {
        return Refused(EINVAL);
    }
    const wingcall::IniWrite write = wingcall::WriteIniValue(
        lpAppName, lpKeyName, lpString, lpFileName, wingcall::SettingsLockWait::Full);
    return write.error == 0 ? TRUE : Refused(write.error);
}

namespace wingcall {

IniWrite WriteIniValue(const char* section, const char* key, const char* value,
                       const std::string& fileName, SettingsLockWait wait) {
    // Deleting a key or a section (a null value or key) is not offered.
    if (section == nullptr || key == nullptr || value == nullptr) {
        return {EINVAL, std::nullopt};
    }
    const std::string_view trimmedSection = Trim(section);
    const std::string_view trimmedKey = Trim(key);
    // A line end in any argument would put lines of its own into the file. A key holding "="
    // or opening with "[" would be read back as another key or as a section header.
    for (std::string_view text : {trimmedSection, trimmedKey, std::string_view(value)}) {
        if (Contains(text, '\r') || Contains(text, '\n')) {
            return {EINVAL, std::nullopt};
        }
    }
    if (Contains(trimmedKey, '=') || trimmedKey.starts_with('[')) {
        return {EINVAL, std::nullopt};
    }
    IniWrite write;
    write.error = WriteUnderLock(fileName, trimmedSection, trimmedKey, value, wait, write.busyLock);
    return write;
}

}  // namespace wingcall

#endif
