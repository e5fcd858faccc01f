// Fuzzes the private-profile writer: arbitrary file bytes, then one write. A refused write leaves
// the file's bytes as they were; an accepted one reads back, and every other key reads as before.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "reference_profile.h"
#include "scratch_file.h"
#include "settings/ini/private_profile.h"

namespace {

constexpr DWORD kBufferSize = 255;

std::string Read(const std::string& section, const std::string& key, const char* path) {
    char buffer[kBufferSize];
    const DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01missing",
                                                 buffer, kBufferSize, path);
    return std::string(buffer, count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(32);
    const std::string key = input.ConsumeRandomLengthString(32);
    const std::string value = input.ConsumeRandomLengthString(300);
    const std::string file = input.ConsumeRemainingBytesAsString();
    const auto path = wingcall::fuzz::FreshScratchFile(file);

    // The keys a read can reach, as the plain reading finds them (byte names: for a UTF-16 file
    // these are not its real names, but reading them before and after must still agree).
    const std::vector<wingcall::fuzz::ReferenceKey> keys = wingcall::fuzz::ReferenceKeys(file);
    std::vector<std::string> before;
    for (const auto& other : keys) {
        before.push_back(Read(other.section, other.name, path.c_str()));
    }

    const BOOL written =
        WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
    const std::string after = wingcall::fuzz::ReadScratchFile(path);
    if (!written) {
        if (after != file) {
            std::abort();  // a refused write changed the file
        }
        return 0;
    }

    const std::string_view writtenSection = wingcall::fuzz::TrimProfileBlanks(section.c_str());
    const std::string_view writtenKey = wingcall::fuzz::TrimProfileBlanks(key.c_str());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const bool isWrittenKey = wingcall::fuzz::SameName(keys[i].section, writtenSection) &&
                                  wingcall::fuzz::SameName(keys[i].name, writtenKey);
        if (!isWrittenKey && Read(keys[i].section, keys[i].name, path.c_str()) != before[i]) {
            std::abort();  // the write changed another key
        }
    }
    // In a file of plain bytes the value reads back as the rules give it.
    const bool plainBytes = !(after.starts_with("\xEF\xBB\xBF") || after.starts_with("\xFF\xFE") ||
                              after.starts_with("\xFE\xFF"));
    if (plainBytes) {
        std::string_view expected =
            wingcall::fuzz::WithoutQuotePair(wingcall::fuzz::TrimValueBlanks(value.c_str()));
        expected = expected.substr(0, kBufferSize - 1);
        if (Read(section.c_str(), key.c_str(), path.c_str()) != expected) {
            std::abort();  // the value written does not read back
        }
    }
    return 0;
}
