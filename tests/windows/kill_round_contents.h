// What the kill-round writer writes, so that the test can tell a whole file from a damaged one.
#pragma once

#include <string>

namespace wingcall::testing {

// Version `version` of a replaced file: a first line naming the version, 256 KB that depend on
// it, and a last line naming it again. Large enough that a write is caught part-way.
inline std::string VersionContents(unsigned long version) {
    const std::string name = std::to_string(version);
    std::string contents = "version " + name + "\n";
    const std::string line =
        std::string(63 - name.size(), static_cast<char>('a' + version % 26)) + name + "\n";
    for (int i = 0; i < 4096; ++i) {
        contents += line;
    }
    return contents + "end " + name + "\n";
}

// The value written under key `name`: long enough that a half-written line would show.
inline std::wstring KeyValue(const std::wstring& name) {
    return name + L"-" + std::wstring(180, L'v');
}

}  // namespace wingcall::testing
