// The two private-profile routines through which every settings access goes. On Windows they are
// the platform's own; elsewhere this project provides them with the same names, signatures and
// observable behaviour (see private_profile.cpp and parsed_ini_file.cpp for the rules they
// follow).
#pragma once

// A run of many reads (a template load) holds one snapshot of the settings files; it is part of
// what this folder offers the rest of the program.
#include "settings/ini/settings_read_snapshot.h"

#ifdef _WIN32
#include <windows.h>
#else

#include <filesystem>
#include <optional>
#include <string>

#include "files/settings_lock.h"

namespace wingcall {

// The routines' own core, which the program calls: failures come back as values. The routines
// below wrap them for callers that expect the platform's signatures (the parity recorder, the
// fuzzers), with the last error and errno the platform would leave.

// A read: the value (not cut to any buffer) or the default prepared as the read routine hands
// it back; a read that could not hold the file in memory, or failed otherwise than for a
// missing or unreadable file, gives no value and says which.
enum class IniReadFailure { None, OutOfMemory, ReadFault };
struct IniRead {
    std::string value;
    IniReadFailure failure = IniReadFailure::None;
};
IniRead ReadIniValue(const char* section, const char* key, const char* defaultValue,
                     const std::string& fileName);

// A write: 0 once the file holds the value, otherwise the errno value that says why not (EINVAL
// for the arguments, EISDIR, EACCES, EROFS, EWOULDBLOCK for a lock that stayed busy, EINTR for a
// wait ended by a termination request...), with the file another writer kept busy.
struct IniWrite {
    int error = 0;
    std::optional<std::filesystem::path> busyLock;
};
IniWrite WriteIniValue(const char* section, const char* key, const char* value,
                       const std::string& fileName, SettingsLockWait wait);

}  // namespace wingcall

// Section, key, default and value are text in the ANSI code page (Windows-1252); the file name is
// in the file system's own narrow encoding (UTF-8), as a narrow file name is on Windows too.

using DWORD = unsigned long;
using BOOL = int;
using LPCSTR = const char*;
using LPSTR = char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// The codes the routines leave for GetLastError, as the platform's do.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_WRITE_FAULT = 29;
inline constexpr DWORD ERROR_READ_FAULT = 30;
inline constexpr DWORD ERROR_LOCK_VIOLATION = 33;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;

// The code the last routine called left: ERROR_SUCCESS, or why it failed. One for the process:
// only single-threaded callers (the parity recorder, the fuzzers) use the routines themselves.
DWORD GetLastError();
void SetLastError(DWORD code);

// Copies the value of `lpKeyName` in section `lpAppName` of the file `lpFileName` (or, when it
// is missing, `lpDefault`) into `lpReturnedString`, cut to nSize - 1 characters and
// NUL-terminated, and returns the number of characters copied. Null section or key: returns 0.
// When the file could not be held in memory, or reading it failed in any other way than a
// missing or unreadable file, nothing is copied (an empty result, 0), and the last error is
// ERROR_NOT_ENOUGH_MEMORY or ERROR_READ_FAULT; otherwise it is ERROR_SUCCESS.
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);

// Sets `lpKeyName` in section `lpAppName` to `lpString`, creating the file, section or key as
// needed, and returns TRUE on success. Writes that would damage the file are refused with FALSE:
// null arguments, a CR or LF in any argument, a key holding "=" or starting with "[", a file that
// cannot be read, a read-only file; so is a write that could not have the settings write lock
// (settings_lock.h), which the writes of other processes take too. The file is replaced through a
// temporary file, never left half-written. A FALSE leaves errno saying why (EINVAL for the
// arguments, EISDIR, EACCES, EROFS, EWOULDBLOCK for a lock that stayed busy, EINTR for a wait
// ended by a termination request...), and the last error likewise.
BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName);

#endif
