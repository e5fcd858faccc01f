// The two private-profile routines for builds outside Windows, where the platform has none.
//
// They read and write the Windows private-profile format with the rules the platform's own
// routines follow, so that a settings file behaves the same on every system. The format's rules
// are those of parsed_profile_file.cpp; the rules of the calls are these:
// - A read hands back the value of the first key of its name in the first section of its name,
//   without one pair of surrounding quotes; names are trimmed and match without regard to ASCII
//   letter case. A missing file, section or key gives the default, without its trailing spaces
//   (a default of spaces alone keeps one) and one pair of surrounding quotes; a path that names
//   a folder gives the default exactly as given. The result is cut to the buffer,
//   NUL-terminated.
// - Values of a Unicode file come back in the ANSI code page, a character it lacks as the
//   platform's best-fit replacement, or "?" when there is none.
// - A file that starts with a UTF-8 or UTF-16 byte-order mark is read in that encoding; writes
//   keep the file's encoding. Any other file is bytes in the ANSI code page.
// - A write changes only the one line it sets (or inserts); every other byte stays as it was,
//   and the file is replaced through a temporary file so it is never left half-written.
// - A write that could damage the file is refused (FALSE): a line end in any argument, a key
//   that would read back as another key or as a header, a file that could not be read, a
//   read-only file. Deleting keys or sections (null arguments) is not offered.
// - A write holds the settings write lock from its read of the file to the replace, so writes
//   of other processes never build on a version that it is replacing.
// - A read that fails for want of memory gives no value at all and says so through the last
//   error: a default in its place would pass for a missing key.
#ifndef _WIN32

#include "settings/private_profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/atomic_file.h"
#include "settings/parsed_file_cache.h"
#include "settings/profile_line_editor.h"
#include "settings/profile_syntax.h"
#include "settings/settings_lock.h"

namespace {

using wingcall::FileLookup;
using wingcall::FileState;
using wingcall::ParsedFileCache;
using wingcall::ParsedProfileFile;

// The file name comes in the file system's own narrow encoding (UTF-8 here), so that a settings
// file in a folder whose name lies outside the ANSI code page is still found.
std::string_view FileSystemPath(const char* fileName) {
    return fileName;
}

// Copies `value` cut to size - 1 characters with a closing NUL; returns the characters copied.
DWORD CopyToBuffer(std::string_view value, char* buffer, DWORD size) {
    const std::size_t count = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// The default is handed back without its trailing spaces and one pair of surrounding quotes; a
// default of spaces alone keeps one. When the path names a folder, the platform hands the default
// back exactly as given.
std::string_view PreparedDefault(const char* defaultValue, FileState state) {
    std::string_view value = defaultValue == nullptr ? "" : defaultValue;
    if (state == FileState::Folder) {
        return value;
    }
    const std::size_t lastNonSpace = value.find_last_not_of(' ');
    if (lastNonSpace == std::string_view::npos) {
        return value.substr(0, 1);
    }
    return wingcall::WithoutSurroundingQuotes(value.substr(0, lastNonSpace + 1));
}

thread_local DWORD lastError = ERROR_SUCCESS;

// Why reading or writing the file failed, for the last error: memory (a string that would pass
// its largest size is that too), or `otherwise`.
DWORD ErrorCodeOf(const std::exception& error, DWORD otherwise) {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr ||
        dynamic_cast<const std::length_error*>(&error) != nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return otherwise;
}

bool Contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// The stored value of the key, in ANSI bytes, or nothing when the section or key is missing.
std::optional<std::string_view> StoredValue(const ParsedProfileFile& file, const char* section,
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
    const std::string_view value = wingcall::WithoutSurroundingQuotes(file.ValueOf(*keyRecord));
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
    if (lpAppName == nullptr || lpKeyName == nullptr || lpFileName == nullptr) {
        return 0;
    }
    FileState state = FileState::Missing;
    try {
        const std::string_view path = FileSystemPath(lpFileName);
        ParsedFileCache& cache = ParsedFileCache::Instance();
        std::lock_guard<std::mutex> lock(cache.mutex());
        const FileLookup lookup = cache.Load(path, ParsedFileCache::Purpose::Read);
        state = lookup.state;
        if (lookup.state == FileState::Loaded) {
            std::string storage;
            if (const auto value = StoredValue(*lookup.file, lpAppName, lpKeyName, storage)) {
                return CopyToBuffer(*value, lpReturnedString, nSize);
            }
        }
    } catch (const std::exception& error) {
        SetLastError(ErrorCodeOf(error, ERROR_READ_FAULT));
        return 0;
    }
    return CopyToBuffer(PreparedDefault(lpDefault, state), lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName) {
    SetLastError(ERROR_SUCCESS);
    // Deleting a key or a section (a null value or key) is not offered.
    if (lpAppName == nullptr || lpKeyName == nullptr || lpString == nullptr ||
        lpFileName == nullptr) {
        return FALSE;
    }
    const std::string_view section = wingcall::Trim(lpAppName);
    const std::string_view key = wingcall::Trim(lpKeyName);
    const std::string_view value = lpString;
    // A line end in any argument would put lines of its own into the file. A key holding "="
    // or opening with "[" would be read back as another key or as a section header.
    for (std::string_view text : {section, key, value}) {
        if (Contains(text, '\r') || Contains(text, '\n')) {
            return FALSE;
        }
    }
    if (Contains(key, '=') || key.starts_with('[')) {
        return FALSE;
    }

    try {
        const std::string path(FileSystemPath(lpFileName));
        // Taken before the cache's mutex, so that reads of this process go on while another
        // process's write is waited for.
        const wingcall::SettingsWriteLock writeLock(path);
        ParsedFileCache& cache = ParsedFileCache::Instance();
        std::lock_guard<std::mutex> lock(cache.mutex());
        FileLookup lookup = cache.Load(path, ParsedFileCache::Purpose::Write);
        if (lookup.state == FileState::Folder || lookup.state == FileState::NotAFile ||
            lookup.state == FileState::Unreadable) {
            return FALSE;  // never replace a file whose content could not be read
        }
        if (lookup.state == FileState::Loaded &&
            (!lookup.file->writable() || ::access(path.c_str(), W_OK) != 0)) {
            return FALSE;  // a damaged Unicode file, or one the user made read-only
        }
        std::optional<std::string> content =
            wingcall::ContentAfterWrite(lookup.file.get(), section, key, value);
        if (!content) {
            return TRUE;  // the file already holds the value: it stays untouched
        }
        struct stat written {};
        wingcall::ReplaceFileContents(path, *content, written);
        // The old parse goes before the new one is built: a large file is then held parsed once.
        lookup.file.reset();
        cache.Forget(path);
        try {
            cache.RememberOwnWrite(path, written,
                                   std::make_shared<const ParsedProfileFile>(std::move(*content)));
        } catch (const std::exception&) {
            cache.Forget(path);  // the write succeeded; the next read parses the file anew
        }
        return TRUE;
    } catch (const std::exception& error) {
        SetLastError(ErrorCodeOf(error, ERROR_WRITE_FAULT));
        return FALSE;  // the file keeps its previous content
    }
}

#endif
