// Fuzzes the private-profile reader: arbitrary file bytes, section, key, default and buffer size.
// For files without a byte-order mark the result must equal the plain reference reading.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "reference_profile.h"
#include "scratch_file.h"
#include "settings/ini/private_profile.h"

namespace {

bool HasByteOrderMark(const std::string& bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
           bytes.starts_with("\xFE\xFF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string defaultValue = input.ConsumeRandomLengthString(300);
    const auto bufferSize = input.ConsumeIntegralInRange<DWORD>(1, 300);
    const std::string file = input.ConsumeRemainingBytesAsString();
    const auto path = wingcall::fuzz::FreshScratchFile(file);

    // Guard bytes after the buffer catch a write past its end even without a sanitizer.
    std::vector<char> buffer(bufferSize + 16, '\x7F');
    const DWORD count = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                 buffer.data(), bufferSize, path.c_str());
    if (count >= bufferSize || buffer[count] != '\0' || std::strlen(buffer.data()) != count) {
        std::abort();
    }
    for (std::size_t i = bufferSize; i < buffer.size(); ++i) {
        if (buffer[i] != '\x7F') {
            std::abort();
        }
    }
    if (!HasByteOrderMark(file)) {
        // The arguments go in as C strings: a NUL in them ends them there.
        const std::string expected = wingcall::fuzz::ReferenceRead(
            file, section.c_str(), key.c_str(), defaultValue.c_str(), bufferSize);
        if (expected != std::string(buffer.data(), count)) {
            std::abort();
        }
    }
    if (wingcall::fuzz::ReadScratchFile(path) != file) {
        std::abort();  // reading never changes the file
    }
    return 0;
}
