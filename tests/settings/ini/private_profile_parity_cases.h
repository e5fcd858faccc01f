// The settings files and calls on which the platform's private-profile routines (recorded once
// under Wine) and the project's own routines must agree
// (tests/data/private_profile_parity_cases.txt), and the text form of their results. Shared by the
// parity test and by the recorder program that is built for Windows.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini/private_profile.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace wingcall::parity {

struct ParityCase {
    std::string name;
    std::optional<std::string> file;                 // nullopt: no file at all
    std::vector<std::array<std::string, 3>> reads;   // section, key, default: read at the start
                                                     // and again after every write
    std::vector<std::array<std::string, 3>> writes;  // section, key, value
};

// The cases of tests/data/private_profile_parity_cases.txt.
inline std::vector<ParityCase> ParityCases() {
    std::vector<ParityCase> cases;
    for (std::vector<std::string>& row :
         testing::ReadDataTable("private_profile_parity_cases.txt")) {
        if (row.size() != (row[0] == "case" ? 3u : 4u) || (row[0] != "case" && cases.empty())) {
            throw std::runtime_error("malformed parity case row: " + row[0]);
        }
        if (row[0] == "case") {
            cases.push_back(
                {row[1], row[2] == "(none)" ? std::nullopt : std::optional(row[2]), {}, {}});
        } else {
            (row[0] == "read" ? cases.back().reads : cases.back().writes)
                .push_back({row[1], row[2], row[3]});
        }
    }
    return cases;
}

// A value in the text form of the results: printable ASCII as it is, every other byte (and the
// backslash and the field separator) as \xHH, so the record is plain ASCII whatever was read.
inline std::string Escape(std::string_view bytes) {
    std::string text;
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '|') {
            text.push_back(static_cast<char>(byte));
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        }
    }
    return text;
}

// Every case, each in a file of its own in `folder`, as one line per observation:
// "<case>|<stage>|<what>|<result>". The stage is "start" or "after N" (the Nth write); "what" is
// a read, a write or the file's bytes.
inline std::vector<std::string> RecordAll(const std::filesystem::path& folder) {
    std::vector<std::string> lines;
    int number = 0;
    for (const ParityCase& row : ParityCases()) {
        const std::filesystem::path file = folder / ("case" + std::to_string(number++) + ".ini");
        if (row.file) {
            testing::WriteBytes(file, *row.file);
        }
        const std::string path = file.string();
        auto readAll = [&](const std::string& stage) {
            for (const auto& [section, key, fallback] : row.reads) {
                std::vector<char> buffer(255, '\0');
                const DWORD count =
                    GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                             buffer.data(), 255, path.c_str());
                lines.push_back(row.name + "|" + stage + "|read [" + Escape(section) + "] " +
                                Escape(key) + " default " + Escape(fallback) + "|" +
                                std::to_string(count) + " " +
                                Escape(std::string_view(buffer.data(), count)));
            }
        };
        readAll("start");
        for (std::size_t i = 0; i < row.writes.size(); ++i) {
            const auto& [section, key, value] = row.writes[i];
            const std::string stage = row.name + "|after " + std::to_string(i + 1) + "|";
            const BOOL result = WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                                           value.c_str(), path.c_str());
            lines.push_back(stage + "write [" + Escape(section) + "] " + Escape(key) + " = " +
                            Escape(value) + "|" + (result ? "TRUE" : "FALSE"));
            lines.push_back(stage + "bytes|" +
                            (std::filesystem::exists(file) ? Escape(testing::ReadBytes(file))
                                                           : std::string("(no file)")));
            readAll("after " + std::to_string(i + 1));
        }
    }
    return lines;
}

}  // namespace wingcall::parity
