// Loading the command template: table sizes, sentinels, gaps, uneven families and the refusal of
// a family that runs past the tables.
#include "settings/command_template.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/wide_path.h"
#include "settings/wingcall_error.h"
#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

using testing::CommandsSection;
using testing::FamilyLines;
using testing::TempFolder;
using testing::WriteBytes;

std::string TemplateFile(std::size_t commands, std::size_t phrases, std::size_t keys) {
    return "[General]\r\nOpenedOnce=1\r\n\r\n" + CommandsSection(commands, phrases, keys);
}

class CommandTemplateTest : public ::testing::Test {
  protected:
    std::wstring Write(const std::string& contents) {
        const auto file = folder_ / "Wingcall.ini";
        WriteBytes(file, contents);
        return WideFromPath(file);
    }

    CommandTables Load(const std::string& contents) {
        CommandTables tables;
        LoadCommandTemplate(Write(contents), tables);
        return tables;
    }

    TempFolder folder_;
};

std::wstring Entry(const std::wstring& family, std::size_t n) {
    return family + L" " + std::to_wstring(n);
}

TEST_F(CommandTemplateTest, CountCommandsIsTheCommandFamilyPlusTwo) {
    struct Case {
        const char* what;
        std::string file;
        std::size_t expected;
    };
    const Case cases[] = {
        {"forty commands", TemplateFile(40, 40, 40), 42},
        {"no Commands section", "[General]\r\nOpenedOnce=1\r\n", 2},
        {"missing file", "", 2},
        {"gap after Command(2)", "[Commands]\r\nCommand(1)=a\r\nCommand(2)=b\r\nCommand(4)=d\r\n",
         4},
        {"stored vuoto ends the family",
         "[Commands]\r\nCommand(1)=a\r\nCommand(2)=b\r\nCommand(3)=vuoto\r\nCommand(4)=d\r\n", 4},
        {"empty value is an entry", "[Commands]\r\nCommand(1)=\r\nCommand(2)=b\r\n", 4},
        {"Keys(1) alone", "[Commands]\r\nKeys(1)=A\r\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring path = Write(c.file);
        if (c.file.empty()) {
            path = WideFromPath(folder_ / "absent.ini");
        }
        EXPECT_EQ(CountCommands(path), c.expected);
    }
}

TEST_F(CommandTemplateTest, FortyEntriesInEachFamilyFillSlotsOneToFortyAndEndWithTheSentinel) {
    const CommandTables tables = Load(TemplateFile(40, 40, 40));

    EXPECT_EQ(tables.CommandCount, 40u);
    const std::pair<const std::vector<std::wstring>*, std::wstring> families[] = {
        {&tables.CommandNames, L"Command"},
        {&tables.CommandPhrases, L"Phrase"},
        {&tables.CommandKeys, L"Keys"},
    };
    for (const auto& [table, family] : families) {
        SCOPED_TRACE(std::string(family.begin(), family.end()));
        ASSERT_EQ(table->size(), 43u);  // slots 0 to D = 42
        EXPECT_EQ((*table)[0], L"");
        for (std::size_t n = 1; n <= 40; ++n) {
            EXPECT_EQ((*table)[n], Entry(family, n));
        }
        EXPECT_EQ((*table)[41], L"vuoto");
        EXPECT_EQ((*table)[42], L"");
    }
}

TEST_F(CommandTemplateTest, AGapInTheCommandFamilyEndsItThere) {
    const CommandTables tables = Load(
        "[Commands]\r\nCommand(1)=Rejoin\r\nCommand(2)=Break Left\r\nCommand(4)=Never read\r\n" +
        FamilyLines("Phrase", 2) + FamilyLines("Keys", 2));

    ASSERT_EQ(tables.CommandNames.size(), 5u);  // N = 2, D = 4
    EXPECT_EQ(tables.CommandNames[2], L"Break Left");
    EXPECT_EQ(tables.CommandNames[3], L"vuoto");
    EXPECT_EQ(tables.CommandNames[4], L"");
    EXPECT_EQ(tables.CommandCount, 2u);
}

TEST_F(CommandTemplateTest, AnEmptyKeysEntryIsKeptAndLoadingGoesOn) {
    const CommandTables tables =
        Load("[Commands]\r\n" + FamilyLines("Command", 5) + FamilyLines("Phrase", 5) +
             "Keys(1)=A\r\nKeys(2)=B\r\nKeys(3)=\r\nKeys(4)=D\r\nKeys(5)=E\r\n");

    EXPECT_EQ(tables.CommandKeys[3], L"");
    EXPECT_EQ(tables.CommandKeys[4], L"D");
    EXPECT_EQ(tables.CommandKeys[6], L"vuoto");
    EXPECT_EQ(tables.CommandCount, 5u);
}

TEST_F(CommandTemplateTest, TheCountFollowsTheKeysFamilyAlone) {
    struct Case {
        std::size_t commands, phrases, keys;
    };
    // K = N + 1 (the last command is named "vuoto"), K < N (only K commands reach a profile),
    // a Phrase family one longer, Keys(1) without Command(1), no Keys, no template at all.
    const Case cases[] = {{5, 5, 6}, {5, 5, 3}, {5, 6, 5}, {0, 0, 1}, {3, 0, 0}, {0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::vector{c.commands, c.phrases, c.keys}));
        const CommandTables tables = Load(TemplateFile(c.commands, c.phrases, c.keys));

        EXPECT_EQ(tables.CommandCount, c.keys);
        ASSERT_EQ(tables.CommandNames.size(), c.commands + 3);
        ASSERT_EQ(tables.CommandPhrases.size(), c.commands + 3);
        ASSERT_EQ(tables.CommandKeys.size(), c.commands + 3);
        // Each family's sentinel sits right behind its own last entry.
        EXPECT_EQ(tables.CommandNames[c.commands + 1], L"vuoto");
        EXPECT_EQ(tables.CommandPhrases[c.phrases + 1], L"vuoto");
        EXPECT_EQ(tables.CommandKeys[c.keys + 1], L"vuoto");
    }
}

TEST_F(CommandTemplateTest, AFamilyTwoPastTheCommandsIsRefusedNamingItsKey) {
    struct Case {
        std::size_t commands, phrases, keys;
        const char* namedKey;
        const char* lastAllowed;
    };
    const Case cases[] = {
        {40, 42, 40, "Phrase(42)", "Phrase(41)"},
        {40, 40, 42, "Keys(42)", "Keys(41)"},
        {3, 9, 3, "Phrase(5)", "Phrase(4)"},
        {0, 2, 0, "Phrase(2)", "Phrase(1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.namedKey);
        CommandTables tables;
        tables.CommandCount = 7;  // left over from an earlier load
        const std::wstring path = Write(TemplateFile(c.commands, c.phrases, c.keys));
        testing::ExpectWingcallError([&] { LoadCommandTemplate(path, tables); },
                                     ErrorNumber::SubscriptOutOfRange,
                                     {c.namedKey, c.lastAllowed, "Wingcall.ini"});
        EXPECT_EQ(tables.CommandCount, 0u);
        // What was stored before the refusal stays, up to the last slot of the tables.
        EXPECT_EQ(tables.CommandNames[c.commands + 1], L"vuoto");
        const bool phrasesRefused = c.phrases > c.commands + 1;
        const auto& refused = phrasesRefused ? tables.CommandPhrases : tables.CommandKeys;
        const std::wstring family = phrasesRefused ? L"Phrase" : L"Keys";
        ASSERT_EQ(refused.size(), c.commands + 3);
        EXPECT_EQ(refused.back(), Entry(family, c.commands + 2));
    }
}

}  // namespace
}  // namespace wingcall
