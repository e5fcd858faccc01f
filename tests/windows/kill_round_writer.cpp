// A writer for the kill rounds on Windows: it replaces a file, or writes settings keys, over and
// over until it is told how many or is killed part-way by the test that started it.
//   kill_round_writer replace <file> <versions>       versions 1, 2, ... (0: until killed)
//   kill_round_writer settings <file> <prefix> <keys> keys <prefix>0, <prefix>1, ...
// Exit status 0 when every write reported success, 2 at the first that did not.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "files/atomic_file.h"
#include "settings/settings_file.h"
#include "windows/kill_round_contents.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: kill_round_writer replace|settings <file> ...\n";
        return 1;
    }
    const std::string mode = argv[1];
    const std::filesystem::path file = std::filesystem::u8path(argv[2]);
    try {
        if (mode == "replace") {
            const unsigned long versions = std::strtoul(argv[3], nullptr, 10);
            for (unsigned long version = 1; versions == 0 || version <= versions; ++version) {
                wingcall::ReplaceFileContents(file, wingcall::testing::VersionContents(version));
            }
            return 0;
        }
        if (mode == "settings" && argc == 5) {
            const std::wstring prefix(argv[3], argv[3] + std::char_traits<char>::length(argv[3]));
            const unsigned long keys = std::strtoul(argv[4], nullptr, 10);
            for (unsigned long key = 0; key < keys; ++key) {
                const std::wstring name = prefix + std::to_wstring(key);
                if (!wingcall::WriteSetting(file.wstring(), L"Keys", name,
                                            wingcall::testing::KeyValue(name))) {
                    return 2;
                }
            }
            return 0;
        }
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 2;
    }
    std::cerr << "unknown mode " << mode << '\n';
    return 1;
}
