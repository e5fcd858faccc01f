// The settings files and calls on which the platform's private-profile routines (recorded once
// under Wine) and the project's own routines must agree, and the text form of their results.
// Shared by the parity test and by the recorder program that is built for Windows.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/private_profile.h"
#include "support/temp_folder.h"

namespace wingcall::parity {

using namespace std::string_literals;

struct Probe {
    const char* section;
    const char* key;
    const char* fallback = "vuoto";
};

struct Write {
    const char* section;
    const char* key;
    const char* value;
};

struct ParityCase {
    const char* name;
    std::optional<std::string> file;  // nullopt: no file at all
    std::vector<Probe> probes;        // read at the start and again after every write
    std::vector<Write> writes;
};

inline std::vector<ParityCase> ParityCases() {
    const std::string long300(300, 'L');
    static const std::string long300Value(300, 'W');
    return {
        {"CR LF lines",
         "[General]\r\nOpenedOnce=0\r\nVoxtrelEXE=C:\\Voxtrel\\voxtrel.exe\r\n",
         {{"General", "OpenedOnce"},
          {"General", "VoxtrelEXE"},
          {"General", "LastPTT1"},
          {"Commands", "Command(1)"}},
         {{"General", "OpenedOnce", "1"},
          {"General", "LastPTT1", "F1"},
          {"Commands", "Command(1)", "Rejoin"}}},
        {"LF lines",
         "[General]\nOpenedOnce=0\nVoxtrelEXE=C:\\Voxtrel\\voxtrel.exe\n",
         {{"General", "OpenedOnce"},
          {"General", "VoxtrelEXE"},
          {"General", "LastPTT1"},
          {"Commands", "Command(1)"}},
         {{"General", "OpenedOnce", "1"},
          {"General", "LastPTT1", "F1"},
          {"Commands", "Command(1)", "Rejoin"}}},
        {"lone CR lines",
         "[a]\rk=v\rj=w\r",
         {{"a", "k"}, {"a", "j"}, {"a", "n"}},
         {{"a", "k", "1"}, {"a", "n", "2"}}},
        {"mixed line ends",
         "[a]\r\n\rk=1\nj=2\r\ni=3",
         {{"a", "k"}, {"a", "j"}, {"a", "i"}},
         {{"a", "j", "22"}}},
        {"no final line end",
         "[a]\r\nk=v",
         {{"a", "k"}, {"a", "j"}, {"b", "k"}},
         {{"a", "k", "12"}, {"a", "j", "x"}, {"b", "k", "v"}}},
        {"blanks and tabs around names and values",
         "[ \tGeneral  ]\r\n\t k \t= \t v  w \t\r\nmy  key = x\r\n",
         {{"General", "k"},
          {" General ", " k "},
          {"\tGeneral", "k\t"},
          {"General", "my  key"},
          {"General", "my key"}},
         {{"General", "k", "1"}, {"General", "my  key", " y "}}},
        {"quotes",
         "[a]\r\nk=\"v w\"\r\nj='v'\r\ni= \" v \" \r\nh=\"\"v\"\"\r\ng=\"v'\r\nf=\"\r\ne=\"\"\r\n"
         "d=a\"b\"\r\n",
         {{"a", "k"},
          {"a", "j"},
          {"a", "i"},
          {"a", "h"},
          {"a", "g"},
          {"a", "f"},
          {"a", "e"},
          {"a", "d"}},
         {{"a", "k", "plain"}, {"a", "j", "\"q\""}}},
        {"comments that are not comments",
         "; settings\r\n[a]\r\n;k=v\r\nk2=v ; note\r\n#x=1\r\n",
         {{"a", ";k"}, {"a", "k"}, {"a", "k2"}, {"a", "#x"}, {"a", "; settings"}},
         {{"a", "k", "new"}, {"a", "k2", "z"}}},
        {"duplicate keys",
         "[a]\r\nk=1\r\nK=2\r\nj=3\r\n",
         {{"a", "k"}, {"a", "j"}},
         {{"a", "k", "4"}, {"a", "K", "5"}}},
        {"duplicate sections",
         "[a]\r\nk=1\r\n[b]\r\nx=0\r\n[A]\r\nk=2\r\nj=3\r\n",
         {{"a", "k"}, {"a", "j"}, {"b", "x"}},
         {{"a", "j", "4"}, {"a", "k", "5"}}},
        {"letter case",
         "[General]\r\nOpenedOnce=1\r\n",
         {{"gENERAL", "OPENEDONCE"}, {"General", "OpenedOnce"}},
         {{"GENERAL", "openedonce", "0"}}},
        {"long values",
         "[a]\r\nk=" + long300 + "\r\nj=" + std::string(254, 'x') +
             "\r\ni=" + std::string(255, 'y') + "\r\n",
         {{"a", "k"}, {"a", "j"}, {"a", "i"}, {"a", "w"}},
         {{"a", "w", long300Value.c_str()}}},
        {"empty value",
         "[a]\r\nk=\r\nj =   \r\n",
         {{"a", "k"}, {"a", "j"}, {"a", "n"}},
         {{"a", "k", ""}, {"a", "n", ""}, {"a", "j", "1"}, {"a", "j", ""}}},
        {"missing file",
         std::nullopt,
         {{"General", "OpenedOnce"}, {"General", "VoxtrelEXE"}},
         {{"General", "OpenedOnce", "1"}, {"General", "VoxtrelEXE", "C:\\V\\voxtrel.exe"}}},
        {"empty file", "", {{"g", "k"}}, {{"g", "k", "v"}}},
        {"blank lines and a comment end a section",
         "[a]\r\nx=1\r\n; end of a\r\n\r\n\r\n[b]\r\ny=2\r\n",
         {{"a", "x"}, {"a", "k"}, {"b", "y"}, {"b", "z"}, {"c", "k"}},
         {{"a", "k", "v"}, {"b", "z", "3"}, {"c", "k", "4"}}},
        {"section headers",
         "[a]b]\r\nk=v\r\n[x\r\nk2=w\r\n[a=b]\r\nk=z\r\n[c] ; note\r\nk=c\r\n",
         {{"a]b", "k"}, {"a", "k"}, {"a]b", "k2"}, {"[x", "k2"}, {"a=b", "k"}, {"c", "k"}},
         {{"a]b", "k", "1"}}},
        {"keys before any section",
         "k=0\r\n[a]\r\nk=1\r\n",
         {{"a", "k"}, {"b", "k"}},
         {{"a", "k", "2"}}},
        {"defaults",
         "[a]\r\n",
         {{"a", "k", " x  "},
          {"a", "k", "'\"x\"'"},
          {"a", "k", "\"x\""},
          {"a", "k", ""},
          {"a", "k", "x\t"}},
         {}},
        {"a line without =", "[a]\r\nk\r\nj=1\r\n", {{"a", "k"}, {"a", "j"}}, {{"a", "k", "2"}}},
        {"high bytes",
         "[a]\r\nk=\x80\xE9\xFF\r\n\xC9t\xE9=1\r\n",
         {{"a", "k"}, {"a", "\xC9t\xE9"}, {"a", "\xC9T\xE9"}, {"a", "\xE9t\xE9"}},
         {{"a", "k", "\xE9\x80"}}},
        {"value with a line end",
         "[g]\r\nk=0\r\n",
         {{"g", "k"}, {"g", "x"}, {"h", "y"}},
         {{"g", "k", "1\r\nx=2"}, {"g", "k", "1\n[h]\ny=3"}}},
        {"key holding = or starting with [",
         "[g]\r\nk=0\r\n",
         {{"g", "k"}, {"g", "k=x"}, {"g", "[h]"}},
         {{"g", "k=x", "1"}, {"g", "[h]", "2"}}},
    };
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

// One line per observation: "<case>|<stage>|<what>|<result>". The stage is "start" or "after N"
// (the Nth write); "what" is a read, a write or the file's bytes.
inline std::vector<std::string> RecordCase(const ParityCase& row,
                                           const std::filesystem::path& file) {
    std::vector<std::string> lines;
    if (row.file) {
        testing::WriteBytes(file, *row.file);
    }
    const std::string path = file.string();
    auto prefix = [&](const std::string& stage) {
        return std::string(row.name) + "|" + stage + "|";
    };
    auto readAll = [&](const std::string& stage) {
        for (const Probe& probe : row.probes) {
            std::vector<char> buffer(255, '\0');
            const DWORD count = GetPrivateProfileStringA(probe.section, probe.key, probe.fallback,
                                                         buffer.data(), 255, path.c_str());
            lines.push_back(prefix(stage) + "read [" + Escape(probe.section) + "] " +
                            Escape(probe.key) + " default " + Escape(probe.fallback) + "|" +
                            std::to_string(count) + " " +
                            Escape(std::string_view(buffer.data(), count)));
        }
    };
    readAll("start");
    for (std::size_t i = 0; i < row.writes.size(); ++i) {
        const Write& write = row.writes[i];
        const std::string stage = "after " + std::to_string(i + 1);
        const BOOL result =
            WritePrivateProfileStringA(write.section, write.key, write.value, path.c_str());
        lines.push_back(prefix(stage) + "write [" + Escape(write.section) + "] " +
                        Escape(write.key) + " = " + Escape(write.value) + "|" +
                        (result ? "TRUE" : "FALSE"));
        lines.push_back(prefix(stage) + "bytes|" +
                        (std::filesystem::exists(file) ? Escape(testing::ReadBytes(file))
                                                       : std::string("(no file)")));
        readAll(stage);
    }
    return lines;
}

// Every case, each in a file of its own in `folder`.
inline std::vector<std::string> RecordAll(const std::filesystem::path& folder) {
    std::vector<std::string> lines;
    const std::vector<ParityCase> cases = ParityCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::vector<std::string> caseLines =
            RecordCase(cases[i], folder / ("case" + std::to_string(i) + ".ini"));
        lines.insert(lines.end(), caseLines.begin(), caseLines.end());
    }
    return lines;
}

}  // namespace wingcall::parity
