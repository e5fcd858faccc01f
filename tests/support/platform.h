// Which platform the tests run on, for the few tests that only make sense on one side: the
// project's own private-profile routines (POSIX builds) or the platform's own (Windows builds,
// checked on Linux under Wine).
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace wingcall::testing {

// True in a Windows build that runs under Wine: Wine's ntdll exports wine_get_version, Windows's
// does not.
inline bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace wingcall::testing
