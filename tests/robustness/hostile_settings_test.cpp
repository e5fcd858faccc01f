// Hostile settings files: huge files, huge lines, NUL bytes, UTF-16 with and without a byte-order
// mark, families that disagree in length. The template loads as the rules say or is refused with
// a message naming the key, and nothing crashes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "settings/command_template.h"
#include "settings/settings_file.h"
#include "settings/wide_path.h"
#include "settings/wingcall_error.h"
#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using testing::ChildOutcome;
using testing::ChildProcess;
using testing::CommandsSection;
using testing::ReadBytes;
using testing::Report;
using testing::SettingsWithTemplate;
using testing::TempFolder;
using testing::WriteBytes;

// Loads the template of a settings file holding `bytes`.
CommandTables LoadFrom(const TempFolder& folder, const std::string& bytes) {
    const fs::path settings = folder / "Wingcall.ini";
    WriteBytes(settings, bytes);
    CommandTables tables;
    LoadCommandTemplate(WideFromPath(settings), tables);
    return tables;
}

std::wstring ReadFrom(const TempFolder& folder, const wchar_t* section, const wchar_t* key) {
    return ReadSetting(WideFromPath(folder / "Wingcall.ini"), section, key, L"vuoto");
}

TEST(HostileSettings, AHundredMegabyteFileLoadsItsTemplateAndFindsAKeyAtItsEnd) {
    TempFolder folder;
    // A template, then 100 MB of lines a careless tool appended, then one more section.
    std::string bytes = SettingsWithTemplate(40);
    const std::string filler = "Note=" + std::string(93, 'n') + "\r\n";  // 100 bytes
    bytes.reserve(100'000'000 + bytes.size() + 64);
    while (bytes.size() < 100'000'000) {
        bytes += filler;
    }
    bytes += "[Last]\r\nKey=found\r\n";

    const CommandTables tables = LoadFrom(folder, bytes);
    EXPECT_EQ(tables.CommandCount, 40u);
    EXPECT_EQ(tables.CommandNames[40], L"Command 40");
    EXPECT_EQ(ReadFrom(folder, L"Last", L"Key"), L"found");
}

// A field of /proc/self/status in kilobytes: "VmRSS:" now, "VmHWM:" the peak.
long StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field)) {
            return std::stol(line.substr(field.size()));
        }
    }
    return 0;
}

TEST(HostileSettings, MillionsOfEmptyLinesReadInMemoryInProportionToTheFile) {
    // The most lines per byte a file can hold: 8 MB of line ends, then the template; LFs, and
    // lone CRs, which a search for the next LF would cross to the file's end at every line.
    for (const char lineEnd : {'\n', '\r'}) {
        SCOPED_TRACE(lineEnd == '\n' ? "LF" : "CR");
        TempFolder folder;
        constexpr std::size_t kLines = 8'000'000;
        {
            const std::string end(1, lineEnd);
            std::string bytes = "[General]" + end + "OpenedOnce=1" + end +
                                std::string(kLines, lineEnd) + "[Commands]" + end +
                                "Command(1)=Rejoin" + end + "Phrase(1)=rejoin" + end + "Keys(1)=R" +
                                end;
            WriteBytes(folder / "Wingcall.ini", bytes);
        }
        // Measured in a child, whose peak starts afresh once the file is written.
        ChildProcess child([&](int report) {
            if (std::ofstream clear("/proc/self/clear_refs"); clear) {
                clear << "5";
            }
            const long before = StatusKilobytes("VmRSS:");
            CommandTables tables;
            LoadCommandTemplate(WideFromPath(folder / "Wingcall.ini"), tables);
            const bool loaded =
                tables.CommandCount == 1 && ReadFrom(folder, L"General", L"OpenedOnce") == L"1";
            Report(report, std::to_string(StatusKilobytes("VmHWM:") - before));
            return loaded ? 0 : 1;
        });
        const ChildOutcome outcome = child.Wait(std::chrono::seconds(100));
        ASSERT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.exitCode, 0) << "the template did not load";
        // A line that holds no key costs nothing beyond its byte: the file and the key index
        // sized from it stay far under four bytes a line.
        const long grownKilobytes = std::stol(outcome.report);
        EXPECT_LT(grownKilobytes, static_cast<long>(4 * kLines / 1024)) << grownKilobytes << " kB";
    }
}

TEST(HostileSettings, TenMegabyteLinesAreCutOrSkippedAndTheRestReads) {
    TempFolder folder;
    const std::string huge(10'000'000, 'x');
    const std::string bytes =
        "[Commands]\r\nCommand(1)=" + huge + "\r\nPhrase(1)=callsign$ rejoin\r\n" + huge + "\r\n[" +
        huge + "]\r\nKeys(1)=R\r\n[General]\r\n" + huge + "=value\r\nLastPTT1=ok\r\n";
    const CommandTables tables = LoadFrom(folder, bytes);
    // The first value is cut to 254 characters; the line without "=" is no key; Keys(1) is in
    // the section named by the huge header, so the template has no key sequences.
    EXPECT_EQ(tables.CommandNames[1], std::wstring(254, L'x'));
    EXPECT_EQ(tables.CommandPhrases[1], L"callsign$ rejoin");
    EXPECT_EQ(tables.CommandCount, 0u);
    EXPECT_EQ(ReadFrom(folder, L"General", L"LastPTT1"), L"ok");
    EXPECT_TRUE(
        WriteSetting(WideFromPath(folder / "Wingcall.ini"), L"General", L"LastPTT1", L"new"));
    EXPECT_EQ(ReadFrom(folder, L"General", L"LastPTT1"), L"new");
    EXPECT_EQ(ReadBytes(folder / "Wingcall.ini").size(), bytes.size() + 1);
}

TEST(HostileSettings, NulBytesEndOnlyTheirOwnLineOrHeaderName) {
    TempFolder folder;
    using namespace std::string_literals;
    const std::string bytes =
        "[Commands]\r\nCommand(1)=Re\0join\r\n\0Command(2)=hidden\r\nPhrase(1)=rejoin\r\n"
        "Keys(1)=R\0\0\r\n[Gen\0eral]\r\nKeys(2)=after a header cut short\r\n"s +
        std::string(100'000, '\0') + "\r\n[General]\r\nLastPTT1=ok\r\n";
    const CommandTables tables = LoadFrom(folder, bytes);
    EXPECT_EQ(tables.CommandNames[1], L"Re");
    EXPECT_EQ(tables.CommandNames[2], L"vuoto");
    EXPECT_EQ(tables.CommandKeys[1], L"R");
    // A NUL ends a header's name: "[Gen<NUL>eral]" starts section "Gen", which holds Keys(2).
    EXPECT_EQ(tables.CommandCount, 1u);
    EXPECT_EQ(ReadFrom(folder, L"General", L"LastPTT1"), L"ok");

    // A file of NUL bytes alone holds nothing, and a write leaves its bytes in place.
    const std::string nuls(4096, '\0');
    EXPECT_EQ(LoadFrom(folder, nuls).CommandCount, 0u);
    EXPECT_TRUE(
        WriteSetting(WideFromPath(folder / "Wingcall.ini"), L"General", L"PTTKind", L"hold"));
    EXPECT_EQ(ReadBytes(folder / "Wingcall.ini").substr(0, nuls.size()), nuls);
    EXPECT_EQ(ReadFrom(folder, L"General", L"PTTKind"), L"hold");
}

// `ansi` (ASCII only) as UTF-16, little- or big-endian, with or without a byte-order mark.
std::string Utf16(const std::string& ansi, bool bigEndian, bool byteOrderMark) {
    std::string out = byteOrderMark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (char c : ansi) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

TEST(HostileSettings, Utf16FilesLoadWithAByteOrderMarkAndGiveNothingWithout) {
    TempFolder folder;
    const std::string ansi = SettingsWithTemplate(40);
    const CommandTables expected = LoadFrom(folder, ansi);
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        const CommandTables withMark = LoadFrom(folder, Utf16(ansi, bigEndian, true));
        EXPECT_EQ(withMark.CommandCount, 40u);
        EXPECT_EQ(withMark.CommandNames, expected.CommandNames);
        EXPECT_EQ(withMark.CommandPhrases, expected.CommandPhrases);
        EXPECT_EQ(withMark.CommandKeys, expected.CommandKeys);
        // A write keeps the encoding.
        EXPECT_TRUE(
            WriteSetting(WideFromPath(folder / "Wingcall.ini"), L"General", L"LastPTT1", L"new"));
        EXPECT_EQ(ReadBytes(folder / "Wingcall.ini"),
                  Utf16(SettingsWithTemplate(40).replace(ansi.find("original"), 8, "new"),
                        bigEndian, true));

        // Without the mark every other byte is a NUL, which ends each line after its first
        // character: no section is found, so the template is empty, as for a missing one.
        const CommandTables withoutMark = LoadFrom(folder, Utf16(ansi, bigEndian, false));
        EXPECT_EQ(withoutMark.CommandCount, 0u);
        EXPECT_EQ(withoutMark.CommandNames[1], L"vuoto");
    }
    // A UTF-16 file cut in the middle of a character reads, but is never written.
    const std::string damaged = Utf16(ansi, false, true) + "x";
    EXPECT_EQ(LoadFrom(folder, damaged).CommandCount, 40u);
    EXPECT_FALSE(
        WriteSetting(WideFromPath(folder / "Wingcall.ini"), L"General", L"LastPTT1", L"new"));
    EXPECT_EQ(ReadBytes(folder / "Wingcall.ini"), damaged);
}

// The ordinary lengths are the core tests' own; these are the extremes.
TEST(HostileSettings, FamiliesOfDifferentLengthsLoadOrAreRefusedNamingTheKey) {
    const struct {
        std::size_t commands, phrases, keys;
        std::size_t commandCount;  // when loaded
        const char* refusedKey;    // when refused
    } cases[] = {
        {40, 40, 500, 0, "Keys(42)"},
        {3, 40000, 3, 0, "Phrase(5)"},
        {33000, 33000, 33000, 33000, nullptr},
        {33000, 33001, 33001, 33001, nullptr},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.commands) + " " + std::to_string(c.phrases) + " " +
                     std::to_string(c.keys));
        const fs::path settings = folder / "Wingcall.ini";
        WriteBytes(settings, CommandsSection(c.commands, c.phrases, c.keys));
        CommandTables tables;
        if (c.refusedKey) {
            testing::ExpectWingcallError(
                [&] { LoadCommandTemplate(WideFromPath(settings), tables); },
                ErrorNumber::SubscriptOutOfRange, {c.refusedKey});
            EXPECT_EQ(tables.CommandCount, 0u);
            continue;
        }
        LoadCommandTemplate(WideFromPath(settings), tables);
        EXPECT_EQ(tables.CommandCount, c.commandCount);
        ASSERT_EQ(tables.CommandNames.size(), c.commands + 3);
        // Counts past 16 bits: the last entries land in their own slots.
        EXPECT_EQ(tables.CommandNames[c.commands], L"Command " + std::to_wstring(c.commands));
        EXPECT_EQ(tables.CommandKeys[c.keys], L"Keys " + std::to_wstring(c.keys));
    }
}

}  // namespace
}  // namespace wingcall
