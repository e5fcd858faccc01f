// Prints the results of the private-profile parity cases as this build's routines give them.
// Built for Windows, it records the platform's routines; the output is committed as
// tests/data/private_profile_parity.txt, which the parity test holds the project's routines to:
//   scripts/test-windows --record-parity > tests/data/private_profile_parity.txt
#include <cstdio>
#include <exception>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "settings/ini/private_profile_parity_cases.h"
#include "support/temp_folder.h"

int main() {
#ifdef _WIN32
    // The record has LF line ends on both sides.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    try {
        wingcall::testing::TempFolder folder;
        for (const std::string& line : wingcall::parity::RecordAll(folder.path())) {
            std::printf("%s\n", line.c_str());
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "recording failed: %s\n", error.what());
        return 1;
    }
}
