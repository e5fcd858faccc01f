// The settings file that ships with Wingcall, loaded through the core as the program loads it,
// and the key-name vocabulary that its key sequences and the key names page share.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/ansi_code_page.h"
#include "settings/command_template.h"
#include "settings/settings_file.h"
#include "settings/wide_path.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

const std::filesystem::path kShippedSettings = WINGCALL_SHIPPED_SETTINGS;
// The vocabulary lies beside the settings file; the page that shows it to pilots is in docs/.
const std::filesystem::path kKeyNamesList = kShippedSettings.parent_path() / "key-names.txt";
const std::filesystem::path kKeyNamesPage =
    kShippedSettings.parent_path().parent_path() / "docs" / "key-names.html";

// The names of the list in their order: one a line, "#" lines and empty lines left out.
std::vector<std::string> KeyNamesOfList() {
    std::istringstream lines(testing::ReadBytes(kKeyNamesList));
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.front() != '#') {
            names.push_back(line);
        }
    }
    return names;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator) {
        parts.emplace_back();
    }
    return parts;
}

class ShippedSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { LoadCommandTemplate(WideFromPath(kShippedSettings), tables_); }

    CommandTables tables_;
};

TEST_F(ShippedSettingsTest, HoldsAtLeastFortyCommandsInThreeFamiliesOfEqualLength) {
    const std::size_t count = tables_.CommandCount;
    EXPECT_GE(count, 40u);
    // Equal families: the table size follows the Command family, and each family's sentinel sits
    // right behind the same last entry.
    ASSERT_EQ(tables_.CommandNames.size(), count + 3);
    EXPECT_EQ(tables_.CommandNames[count + 1], L"vuoto");
    EXPECT_EQ(tables_.CommandPhrases[count + 1], L"vuoto");
    EXPECT_EQ(tables_.CommandKeys[count + 1], L"vuoto");
}

TEST_F(ShippedSettingsTest, NamesAndPhrasesAreUniqueAndNotEmpty) {
    std::set<std::wstring> names;
    std::set<std::wstring> phrases;
    for (std::size_t i = 1; i <= tables_.CommandCount; ++i) {
        SCOPED_TRACE(WideToAnsi(tables_.CommandNames[i]));
        EXPECT_FALSE(tables_.CommandNames[i].empty());
        EXPECT_TRUE(names.insert(tables_.CommandNames[i]).second) << "name used twice";
        // Voxtrel cannot tell two commands with the same phrase apart.
        EXPECT_TRUE(phrases.insert(tables_.CommandPhrases[i]).second) << "phrase used twice";
    }
}

TEST_F(ShippedSettingsTest, EveryPhraseCarriesTheCallsignAndOnlyKnownPlaceholders) {
    for (std::size_t i = 1; i <= tables_.CommandCount; ++i) {
        std::string phrase = WideToAnsi(tables_.CommandPhrases[i]);
        SCOPED_TRACE(phrase);
        EXPECT_NE(phrase.find("callsign$"), std::string::npos);
        // "flightnumber$" holds "number$", so it goes first.
        for (const std::string placeholder : {"flightnumber$", "callsign$", "number$"}) {
            for (std::size_t at; (at = phrase.find(placeholder)) != std::string::npos;) {
                phrase.replace(at, placeholder.size(), " ");
            }
        }
        EXPECT_EQ(phrase.find('$'), std::string::npos) << "a placeholder Wingcall does not fill";
        // The profile carries phrases unescaped: these would make it unreadable.
        EXPECT_EQ(phrase.find_first_of("\"&<>"), std::string::npos);
    }
}

TEST_F(ShippedSettingsTest, EveryKeyOfEverySequenceIsADocumentedKeyName) {
    const std::vector<std::string> list = KeyNamesOfList();
    const std::set<std::string> vocabulary(list.begin(), list.end());
    for (std::size_t i = 1; i <= tables_.CommandCount; ++i) {
        const std::string keys = WideToAnsi(tables_.CommandKeys[i]);
        SCOPED_TRACE(WideToAnsi(tables_.CommandNames[i]) + ": " + keys);
        EXPECT_FALSE(keys.empty());
        for (const std::string& step : Split(keys, ' ')) {
            EXPECT_FALSE(step.empty()) << "two spaces in a row, or a space at an end";
            for (const std::string& key : Split(step, '+')) {
                EXPECT_TRUE(vocabulary.count(key)) << "\"" << key << "\" is no key name";
            }
        }
    }
}

TEST(ShippedSettingsFileTest, IsAnAnsiFileWithCrLfLineEndsThatStartsAFirstRun) {
    const std::string bytes = testing::ReadBytes(kShippedSettings);
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(static_cast<unsigned char>(bytes[0]), 0xEF) << "no byte-order mark";
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (bytes[at] == '\n') {
            ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "lone LF at byte " << at;
        }
        if (bytes[at] == '\r') {
            ASSERT_TRUE(at + 1 < bytes.size() && bytes[at + 1] == '\n') << "lone CR at " << at;
        }
    }
    EXPECT_TRUE(bytes.ends_with("\r\n"));

    const std::wstring path = WideFromPath(kShippedSettings);
    EXPECT_EQ(ReadSetting(path, kGeneralSection, L"OpenedOnce", kMissingValue), L"0");
    for (const wchar_t* key : {L"VoxtrelEXE", L"VoxtrelProfilesPath", L"LastPTT1", L"LastBut"}) {
        EXPECT_EQ(ReadSetting(path, kGeneralSection, key, kMissingValue), L"vuoto");
    }
}

// The first run writes into [General]; the template must come through unchanged.
TEST(ShippedSettingsFileTest, FirstRunWritesLeaveTheTemplateIntact) {
    testing::TempFolder folder;
    const auto copy = folder / "Wingcall.ini";
    testing::WriteBytes(copy, testing::ReadBytes(kShippedSettings));
    const std::wstring path = WideFromPath(copy);
    CommandTables before;
    LoadCommandTemplate(path, before);

    ASSERT_TRUE(WriteSetting(path, kGeneralSection, L"VoxtrelEXE", L"C:\\Voxtrel\\voxtrel.exe"));
    ASSERT_TRUE(
        WriteSetting(path, kGeneralSection, L"VoxtrelProfilesPath", L"C:\\Voxtrel\\profiles"));
    ASSERT_TRUE(WriteSetting(path, kGeneralSection, L"OpenedOnce", L"1"));

    CommandTables after;
    LoadCommandTemplate(path, after);
    EXPECT_EQ(after.CommandCount, before.CommandCount);
    EXPECT_EQ(after.CommandNames, before.CommandNames);
    EXPECT_EQ(after.CommandPhrases, before.CommandPhrases);
    EXPECT_EQ(after.CommandKeys, before.CommandKeys);
    EXPECT_EQ(ReadSetting(path, kGeneralSection, L"OpenedOnce", L""), L"1");
    EXPECT_EQ(ReadSetting(path, kGeneralSection, L"VoxtrelEXE", L""), L"C:\\Voxtrel\\voxtrel.exe");
}

TEST(KeyNamesTest, TheListHoldsEachNameOnceAndThePageShowsExactlyTheListsNames) {
    const std::vector<std::string> list = KeyNamesOfList();
    ASSERT_FALSE(list.empty());
    const std::set<std::string> listed(list.begin(), list.end());
    EXPECT_EQ(listed.size(), list.size()) << "a name is listed twice";
    for (const std::string& name : list) {
        EXPECT_TRUE(std::all_of(name.begin(), name.end(),
                                [](unsigned char c) { return std::isalnum(c) != 0; }))
            << "\"" << name << "\" would clash with the separators";
    }

    const std::string page = testing::ReadBytes(kKeyNamesPage);
    const std::regex keyName(R"(<code class="key">([^<]*)</code>)");
    std::vector<std::string> shown;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), keyName);
         it != std::sregex_iterator(); ++it) {
        shown.push_back((*it)[1].str());
    }
    EXPECT_EQ(shown, list) << "the page and data/key-names.txt differ";
}

}  // namespace
}  // namespace wingcall
