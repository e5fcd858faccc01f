// Hostile settings files: huge files, huge lines, NUL bytes, UTF-16 with and without a byte-order
// mark, families too long for 16-bit counts. The template loads as the rules say, in memory in
// proportion to the file, and nothing crashes. (Ordinary refusals are the core tests' own.)
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "files/wide_path.h"
#include "settings/command_template.h"
#include "settings/settings_file.h"
#include "support/hostile_file_builders.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

using namespace testing;  // wingcall::testing, the helpers the tests share

// A scratch folder with a Wingcall.ini in it: the template it loads, a key it reads or writes.
class HostileSettings : public ::testing::Test {
  protected:
    CommandTables Load(const std::string& bytes) {
        WriteBytes(folder_ / "Wingcall.ini", bytes);
        CommandTables tables;
        LoadCommandTemplate(path_, tables);
        return tables;
    }
    std::wstring Read(const wchar_t* section, const wchar_t* key) {
        return ReadSetting(path_, section, key, L"vuoto");
    }
    bool Write(const wchar_t* key, const wchar_t* value) {
        return static_cast<bool>(WriteSetting(path_, L"General", key, value));
    }
    std::string Bytes() { return ReadBytes(folder_ / "Wingcall.ini"); }

    TempFolder folder_;
    std::wstring path_ = WideFromPath(folder_ / "Wingcall.ini");
};

TEST_F(HostileSettings, AHundredMegabyteFileLoadsItsTemplateAndFindsAKeyAtItsEnd) {
    const CommandTables tables = Load(SettingsPaddedTo(100'000'000) + "[Last]\r\nKey=found\r\n");
    EXPECT_EQ(tables.CommandCount, 40u);
    EXPECT_EQ(tables.CommandNames[40], L"Command 40");
    EXPECT_EQ(Read(L"Last", L"Key"), L"found");
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

TEST_F(HostileSettings, MillionsOfEmptyLinesReadInMemoryInProportionToTheFile) {
    // The most lines per byte a file can hold: 8 MB of line ends, then the template; LFs, and
    // lone CRs, which a search for the next LF would cross to the file's end at every line.
    constexpr std::size_t kLines = 8'000'000;
    for (const std::string end : {"\n", "\r"}) {
        SCOPED_TRACE(end == "\n" ? "LF" : "CR");
        WriteBytes(folder_ / "Wingcall.ini", "[General]" + end + "OpenedOnce=1" + end +
                                                 std::string(kLines, end[0]) + "[Commands]" + end +
                                                 "Command(1)=Rejoin" + end + "Phrase(1)=rejoin" +
                                                 end + "Keys(1)=R" + end);
        // Measured in a child, whose peak starts afresh once the file is written.
        ChildProcess child([&](int report) {
            if (std::ofstream clear("/proc/self/clear_refs"); clear) {
                clear << "5";
            }
            const long before = StatusKilobytes("VmRSS:");
            CommandTables tables;
            LoadCommandTemplate(path_, tables);
            const bool loaded = tables.CommandCount == 1 && Read(L"General", L"OpenedOnce") == L"1";
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

TEST_F(HostileSettings, TenMegabyteLinesAreCutOrSkippedAndTheRestReads) {
    const std::string huge(10'000'000, 'x');
    const std::string bytes =
        "[Commands]\r\nCommand(1)=" + huge + "\r\nPhrase(1)=callsign$ rejoin\r\n" + huge + "\r\n[" +
        huge + "]\r\nKeys(1)=R\r\n[General]\r\n" + huge + "=value\r\nLastPTT1=ok\r\n";
    const CommandTables tables = Load(bytes);
    // The first value is cut to 254 characters; the line without "=" is no key; Keys(1) is in
    // the section named by the huge header, so the template has no key sequences.
    EXPECT_EQ(tables.CommandNames[1], std::wstring(254, L'x'));
    EXPECT_EQ(tables.CommandPhrases[1], L"callsign$ rejoin");
    EXPECT_EQ(tables.CommandCount, 0u);
    EXPECT_EQ(Read(L"General", L"LastPTT1"), L"ok");
    EXPECT_TRUE(Write(L"LastPTT1", L"new"));
    EXPECT_EQ(Read(L"General", L"LastPTT1"), L"new");
    EXPECT_EQ(Bytes().size(), bytes.size() + 1);
}

TEST_F(HostileSettings, NulBytesEndOnlyTheirOwnLine) {
    using namespace std::string_literals;
    const CommandTables tables = Load(
        "[Commands]\r\nCommand(1)=Re\0join\r\n\0Command(2)=hidden\r\nPhrase(1)=rejoin\r\n"
        "Keys(1)=R\0\0\r\n"s +
        std::string(100'000, '\0') + "\r\n[General]\r\nLastPTT1=ok\r\n");
    EXPECT_EQ(tables.CommandNames[1], L"Re");
    EXPECT_EQ(tables.CommandNames[2], L"vuoto");
    EXPECT_EQ(tables.CommandKeys[1], L"R");
    EXPECT_EQ(tables.CommandCount, 1u);
    EXPECT_EQ(Read(L"General", L"LastPTT1"), L"ok");

    // A file of NUL bytes alone holds nothing, and a write leaves its bytes in place.
    const std::string nuls(4096, '\0');
    EXPECT_EQ(Load(nuls).CommandCount, 0u);
    EXPECT_TRUE(Write(L"PTTKind", L"hold"));
    EXPECT_EQ(Bytes().substr(0, nuls.size()), nuls);
    EXPECT_EQ(Read(L"General", L"PTTKind"), L"hold");
}

// The whole template in both byte orders, a file without a mark, and one cut in the middle of a
// character. (Writes that keep either byte order, and a NUL ending a header's name, are rows of
// tests/data/private_profile_rules.txt.)
TEST_F(HostileSettings, Utf16FilesLoadWithAByteOrderMarkAndGiveNothingWithout) {
    const std::string ansi = SettingsWithTemplate(40);
    const CommandTables expected = Load(ansi);
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        const std::string mark = Utf16(u"\uFEFF", bigEndian);
        const CommandTables withMark = Load(mark + Utf16(ansi, bigEndian));
        EXPECT_EQ(withMark.CommandCount, 40u);
        EXPECT_EQ(withMark.CommandNames, expected.CommandNames);
        EXPECT_EQ(withMark.CommandPhrases, expected.CommandPhrases);
        EXPECT_EQ(withMark.CommandKeys, expected.CommandKeys);

        // Without the mark every other byte is a NUL, which ends each line after its first
        // character: no section is found, so the template is empty, as for a missing one.
        const CommandTables withoutMark = Load(Utf16(ansi, bigEndian));
        EXPECT_EQ(withoutMark.CommandCount, 0u);
        EXPECT_EQ(withoutMark.CommandNames[1], L"vuoto");
    }
    // A UTF-16 file cut in the middle of a character reads, but is never written.
    const std::string damaged = Utf16(u"\uFEFF") + Utf16(ansi) + "x";
    EXPECT_EQ(Load(damaged).CommandCount, 40u);
    EXPECT_FALSE(Write(L"LastPTT1", L"new"));
    EXPECT_EQ(Bytes(), damaged);
}

// Counts past 16 bits: the last entries land in their own slots, and a Phrase and Keys family
// one longer than the commands gives one more command. (The core tests refuse longer ones.)
TEST_F(HostileSettings, FamiliesPastSixteenBitsLoadIntoTheirOwnSlots) {
    for (const std::size_t longer : {0, 1}) {
        const std::size_t commands = 33000;
        const std::size_t keys = commands + longer;
        SCOPED_TRACE(keys);
        const CommandTables tables = Load(CommandsSection(commands, keys, keys));
        EXPECT_EQ(tables.CommandCount, keys);
        ASSERT_EQ(tables.CommandNames.size(), commands + 3);
        EXPECT_EQ(tables.CommandNames[commands], L"Command " + std::to_wstring(commands));
        EXPECT_EQ(tables.CommandKeys[keys], L"Keys " + std::to_wstring(keys));
    }
}

}  // namespace
}  // namespace wingcall
