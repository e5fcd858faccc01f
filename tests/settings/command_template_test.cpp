// Loading the command template: table sizes, sentinels, gaps, uneven families and the refusal of
// a family that runs past the tables. (The extremes, such as 33,000 commands, are in
// tests/robustness/hostile_settings_test.cpp.)
#include "settings/command_template.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "errors/wingcall_error.h"
#include "files/wide_path.h"
#include "support/data_table.h"
#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

using testing::CommandsSection;
using testing::FamilyLines;

class CommandTemplateTest : public ::testing::Test {
  protected:
    // A settings file of a used installation whose [Commands] section is `commands`.
    std::wstring Write(const std::string& commands) {
        testing::WriteBytes(folder_ / "Wingcall.ini",
                            "[General]\r\nOpenedOnce=1\r\n\r\n" + commands);
        return WideFromPath(folder_ / "Wingcall.ini");
    }

    testing::TempFolder folder_;
};

// For each row of tests/data/command_template_lengths.txt: every family fills slots 1 to its own
// length, its sentinel follows, and every other slot up to D stays empty; the count follows the
// Keys family alone. A family two past the commands is refused naming its key and the last one
// allowed, with no count; what was stored before the refusal stays, up to the last slot.
TEST_F(CommandTemplateTest, EachFamilyFillsItsSlotsThenItsSentinelOrIsRefusedNamingItsKey) {
    const auto rows = testing::ReadDataTable("command_template_lengths.txt");
    ASSERT_GT(rows.size(), 10u);
    for (const std::vector<std::string>& row : rows) {
        ASSERT_EQ(row.size(), 5u) << row[0];
        SCOPED_TRACE(::testing::PrintToString(row));
        const std::size_t lengths[] = {std::stoul(row[0]), std::stoul(row[1]), std::stoul(row[2])};
        const std::size_t commands = lengths[0];
        const std::wstring path = Write(CommandsSection(commands, lengths[1], lengths[2]));
        CommandTables tables;
        tables.CommandCount = 7;  // left over from an earlier load
        if (!row[3].empty()) {
            testing::ExpectWingcallError([&] { LoadCommandTemplate(path, tables); },
                                         ErrorNumber::SubscriptOutOfRange,
                                         {row[3], row[4], "Wingcall.ini"});
            EXPECT_EQ(tables.CommandCount, 0u);
        } else {
            LoadCommandTemplate(path, tables);
            EXPECT_EQ(tables.CommandCount, lengths[2]);
        }
        const std::pair<const std::vector<std::wstring>*, std::wstring> families[] = {
            {&tables.CommandNames, L"Command "},
            {&tables.CommandPhrases, L"Phrase "},
            {&tables.CommandKeys, L"Keys "},
        };
        bool reached = true;  // no family before this one was refused
        for (std::size_t f = 0; f < 3; ++f) {
            const std::vector<std::wstring>& table = *families[f].first;
            ASSERT_EQ(table.size(), commands + 3);
            const std::size_t filled = reached ? std::min(lengths[f], commands + 2) : 0;
            for (std::size_t slot = 0; slot < table.size(); ++slot) {
                const std::wstring expected = slot >= 1 && slot <= filled
                                                  ? families[f].second + std::to_wstring(slot)
                                              : reached && slot == filled + 1 ? L"vuoto"
                                                                              : L"";
                EXPECT_EQ(table[slot], expected) << "slot " << slot;
            }
            reached = reached && lengths[f] <= commands + 1;
        }
    }
}

// A gap ends the Command family there (Command(4) is never read, nor counted), and an empty entry
// is an entry: loading goes on behind it. No file at all is a template of no commands.
TEST_F(CommandTemplateTest, AGapEndsAFamilyAndAnEmptyEntryDoesNot) {
    CommandTables tables;
    LoadCommandTemplate(
        Write("[Commands]\r\nCommand(1)=\r\nCommand(2)=Break Left\r\nCommand(4)=Never read\r\n" +
              FamilyLines("Phrase", 2) + "Keys(1)=\r\nKeys(2)=B\r\n"),
        tables);
    EXPECT_EQ(tables.CommandNames,
              (std::vector<std::wstring>{L"", L"", L"Break Left", L"vuoto", L""}));
    EXPECT_EQ(tables.CommandKeys, (std::vector<std::wstring>{L"", L"", L"B", L"vuoto", L""}));
    EXPECT_EQ(tables.CommandCount, 2u);
    EXPECT_EQ(CountCommands(WideFromPath(folder_ / "absent.ini")), 2u);
}

// A value no profile can hold stops the load naming its key and the character; a TAB, which a
// profile holds as "&#9;", does not.
TEST_F(CommandTemplateTest, AValueNoProfileCanHoldIsRefusedNamingItsKeyAndTheCharacter) {
    CommandTables tables;
    const std::wstring path =
        Write("[Commands]\r\n" + FamilyLines("Command", 2) + "Phrase(1)=break\tleft\r\n" +
              "Phrase(2)=bre\x7F\xFF\x1Bk\r\n" + FamilyLines("Keys", 2));
    testing::ExpectWingcallError([&] { LoadCommandTemplate(path, tables); },
                                 ErrorNumber::InvalidArgument,
                                 {"Wingcall.ini", "Phrase(2) holds the character U+001B"});
    EXPECT_EQ(tables.CommandPhrases[1], L"break\tleft");
    EXPECT_EQ(tables.CommandCount, 0u);

    // In the Command family, which the count reads first, the names before it are kept and no
    // other family is read.
    const std::wstring badName = Write(
        "[Commands]\r\nCommand(1)=Rejoin on the left wing\r\n"
        "Command(2)=Rejoin on the right wing, \x01 now\r\nCommand(3)=Push\r\n" +
        FamilyLines("Phrase", 3) + FamilyLines("Keys", 3));
    CommandTables named;
    testing::ExpectWingcallError([&] { LoadCommandTemplate(badName, named); },
                                 ErrorNumber::InvalidArgument,
                                 {"Command(2) holds the character U+0001"});
    EXPECT_EQ(named.CommandNames,
              (std::vector<std::wstring>{L"", L"Rejoin on the left wing", L"", L"", L"", L""}));
    EXPECT_EQ(named.CommandPhrases, std::vector<std::wstring>(6));
    EXPECT_EQ(named.CommandCount, 0u);
}

}  // namespace
}  // namespace wingcall
