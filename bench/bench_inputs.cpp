// The inputs the benchmarks work on.
#include "bench_inputs.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "profile/new_profile_writer.h"
#include "profile/personalisation.h"

namespace wingcall::bench {

std::wstring Wide(const std::filesystem::path& path) {
    return std::wstring(path.native().begin(), path.native().end());
}

std::string SettingsWithTemplate(std::size_t count) {
    std::string text =
        "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=C:\\Voxtrel\\voxtrel.exe\r\n"
        "VoxtrelProfilesPath=C:\\Voxtrel\\profiles\r\nLastPTT1=LControl\r\nLastPTT2=\r\n"
        "LastBut=None\r\nPTTEnabled=1\r\nPTTInState=on\r\nPTTKind=hold\r\n\r\n[Commands]\r\n";
    for (std::size_t i = 1; i <= count; ++i) {
        text += "Command(" + std::to_string(i) + ")=Rejoin call " + std::to_string(i) + "\r\n";
    }
    for (std::size_t i = 1; i <= count; ++i) {
        text += "Phrase(" + std::to_string(i) + ")=callsign$ flightnumber$ number$ rejoin on me " +
                std::to_string(i) + "\r\n";
    }
    for (std::size_t i = 1; i <= count; ++i) {
        text += "Keys(" + std::to_string(i) + ")={LSHIFT}{F" + std::to_string(i % 12 + 1) + "}\r\n";
    }
    return text;
}

CommandTables TablesWith(std::size_t count) {
    CommandTables tables;
    tables.CommandNames.assign(count + 3, L"");
    tables.CommandPhrases.assign(count + 3, L"");
    tables.CommandKeys.assign(count + 3, L"");
    for (std::size_t i = 1; i <= count; ++i) {
        tables.CommandNames[i] = L"Rejoin call " + std::to_wstring(i);
        tables.CommandPhrases[i] =
            L"callsign$ flightnumber$ number$ rejoin on me " + std::to_wstring(i);
        tables.CommandKeys[i] = L"{LSHIFT}{F" + std::to_wstring(i % 12 + 1) + L"}";
    }
    tables.CommandNames[count + 1] = tables.CommandPhrases[count + 1] =
        tables.CommandKeys[count + 1] = L"vuoto";
    tables.CommandCount = count;
    return tables;
}

CommandTables PersonalisedTables(std::size_t count) {
    CommandTables tables = TablesWith(count);
    SubstitutionValues values;
    UpdateSubstitutionValues(values, L"Viper", 1, 2);
    PersonalisePhrases(tables.CommandPhrases, tables.CommandCount, values);
    return tables;
}

std::string ProfileOfLines(std::size_t lines) {
    // Four header lines, four lines per command, two closing lines.
    const std::size_t commands = lines > 6 ? (lines - 6 + 3) / 4 : 0;
    return NewProfileDocument(TablesWith(commands), PushToTalkValues{});
}

Workspace::Workspace() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "wingcall-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder");
    }
    path_ = pattern;
}

Workspace::~Workspace() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace wingcall::bench
