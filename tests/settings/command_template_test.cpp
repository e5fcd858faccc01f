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

std::wstring Entry(const std::wstring& family, std::size_t n) {
    return family + L" " + std::to_wstring(n);
}

class CommandTemplateTest : public ::testing::Test {
  protected:
    std::wstring Write(const std::string& contents) {
        WriteBytes(folder_ / "Wingcall.ini", contents);
        return WideFromPath(folder_ / "Wingcall.ini");
    }

    CommandTables Load(const std::string& contents) {
        CommandTables tables;
        LoadCommandTemplate(Write(contents), tables);
        return tables;
    }

    TempFolder folder_;
};

TEST_F(CommandTemplateTest, CountCommandsIsTheCommandFamilyPlusTwo) {
    const struct {
        const char* what;
        std::string file;
        std::size_t expected;
    } cases[] = {
        {"no Commands section", "[General]\r\nOpenedOnce=1\r\n", 2},
        {"stored vuoto ends the family",
         "[Commands]\r\nCommand(1)=a\r\nCommand(2)=b\r\nCommand(3)=vuoto\r\nCommand(4)=d\r\n", 4},
        {"empty value is an entry", "[Commands]\r\nCommand(1)=\r\nCommand(2)=b\r\n", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CountCommands(Write(c.file)), c.expected);
    }
    EXPECT_EQ(CountCommands(WideFromPath(folder_ / "absent.ini")), 2u);
}

// Every family fills slots 1 to its own length, its sentinel follows, and every other slot up to
// D stays empty; the count follows the Keys family alone.
TEST_F(CommandTemplateTest, EachFamilyFillsItsSlotsThenItsSentinel) {
    // Equal families; K = N + 1 (the last command is named "vuoto"); K < N (only K commands reach
    // a profile); a Phrase family one longer; Keys(1) without Command(1); no Keys; no template.
    const std::size_t cases[][3] = {{40, 40, 40}, {5, 5, 6}, {5, 5, 3}, {5, 6, 5},
                                    {0, 0, 1},    {3, 0, 0}, {0, 0, 0}};
    for (const auto& lengths : cases) {
        SCOPED_TRACE(::testing::PrintToString(lengths));
        const std::size_t commands = lengths[0];
        const CommandTables tables = Load(TemplateFile(commands, lengths[1], lengths[2]));
        EXPECT_EQ(tables.CommandCount, lengths[2]);
        const std::pair<const std::vector<std::wstring>*, std::wstring> families[] = {
            {&tables.CommandNames, L"Command"},
            {&tables.CommandPhrases, L"Phrase"},
            {&tables.CommandKeys, L"Keys"},
        };
        for (std::size_t f = 0; f < 3; ++f) {
            const std::vector<std::wstring>& table = *families[f].first;
            ASSERT_EQ(table.size(), commands + 3);
            for (std::size_t slot = 0; slot < table.size(); ++slot) {
                const std::wstring expected = slot == lengths[f] + 1 ? L"vuoto"
                                              : slot >= 1 && slot <= lengths[f]
                                                  ? Entry(families[f].second, slot)
                                                  : L"";
                EXPECT_EQ(table[slot], expected) << "slot " << slot;
            }
        }
    }
}

// A gap ends the Command family there (Command(4) is never read), and an empty Keys entry is an
// entry: loading goes on behind it.
TEST_F(CommandTemplateTest, AGapEndsAFamilyAndAnEmptyEntryDoesNot) {
    const CommandTables tables = Load(
        "[Commands]\r\nCommand(1)=Rejoin\r\nCommand(2)=Break Left\r\nCommand(4)=Never read\r\n" +
        FamilyLines("Phrase", 2) + "Keys(1)=\r\nKeys(2)=B\r\n");
    EXPECT_EQ(tables.CommandNames,
              (std::vector<std::wstring>{L"", L"Rejoin", L"Break Left", L"vuoto", L""}));
    EXPECT_EQ(tables.CommandKeys, (std::vector<std::wstring>{L"", L"", L"B", L"vuoto", L""}));
    EXPECT_EQ(tables.CommandCount, 2u);
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
        ASSERT_EQ(refused.size(), c.commands + 3);
        EXPECT_EQ(refused.back(), Entry(phrasesRefused ? L"Phrase" : L"Keys", c.commands + 2));
    }
}

}  // namespace
}  // namespace wingcall
