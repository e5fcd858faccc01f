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

#include "files/wide_path.h"
#include "settings/command_template.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "text/ansi_code_page.h"

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

// Every command has a name and a phrase of its own, the callsign in its phrase and no placeholder
// Wingcall does not fill, and a key sequence made of documented key names. They are loaded after
// the first run's writes into [General], which must leave the template as it was. (Tables, not
// bytes, are compared: the platform's routines under Wine rewrite the whole file.)
TEST(ShippedSettingsTest, HoldsAtLeastFortyWellFormedCommandsInThreeFamiliesOfEqualLength) {
    CommandTables shipped;
    LoadCommandTemplate(WideFromPath(kShippedSettings), shipped);
    testing::TempFolder folder;
    testing::WriteBytes(folder / "Wingcall.ini", testing::ReadBytes(kShippedSettings));
    const std::wstring path = WideFromPath(folder / "Wingcall.ini");
    ASSERT_TRUE(WriteSetting(path, kGeneralSection, L"VoxtrelEXE", L"C:\\Voxtrel\\voxtrel.exe"));
    ASSERT_TRUE(
        WriteSetting(path, kGeneralSection, L"VoxtrelProfilesPath", L"C:\\Voxtrel\\profiles"));
    ASSERT_TRUE(WriteSetting(path, kGeneralSection, L"OpenedOnce", L"1"));
    CommandTables tables;
    LoadCommandTemplate(path, tables);
    EXPECT_EQ(tables.CommandNames, shipped.CommandNames);
    EXPECT_EQ(tables.CommandPhrases, shipped.CommandPhrases);
    EXPECT_EQ(tables.CommandKeys, shipped.CommandKeys);

    const std::size_t count = tables.CommandCount;
    EXPECT_EQ(count, shipped.CommandCount);
    EXPECT_GE(count, 40u);
    // Equal families: the table size follows the Command family, and each family's sentinel sits
    // right behind the same last entry.
    for (const auto* family : {&tables.CommandNames, &tables.CommandPhrases, &tables.CommandKeys}) {
        ASSERT_EQ(family->size(), count + 3);
        EXPECT_EQ((*family)[count + 1], L"vuoto");
    }

    const std::vector<std::string> list = KeyNamesOfList();
    const std::set<std::string> vocabulary(list.begin(), list.end());
    const std::regex placeholders(R"((flight)?number\$|callsign\$)");
    const std::regex keyName("[^ +]+");
    const std::regex keySequence(R"([^ +]+(\+[^ +]+)*( [^ +]+(\+[^ +]+)*)*)");
    std::set<std::wstring> names;
    std::set<std::wstring> phrases;
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string phrase = WideToAnsi(tables.CommandPhrases[i]);
        const std::string keys = WideToAnsi(tables.CommandKeys[i]);
        SCOPED_TRACE(WideToAnsi(tables.CommandNames[i]) + ": " + phrase + ": " + keys);
        EXPECT_FALSE(tables.CommandNames[i].empty());
        EXPECT_TRUE(names.insert(tables.CommandNames[i]).second) << "name used twice";
        // Voxtrel cannot tell two commands with the same phrase apart.
        EXPECT_TRUE(phrases.insert(tables.CommandPhrases[i]).second) << "phrase used twice";

        EXPECT_NE(phrase.find("callsign$"), std::string::npos);
        const std::string unfilled = std::regex_replace(phrase, placeholders, " ");
        EXPECT_EQ(unfilled.find('$'), std::string::npos) << "a placeholder Wingcall does not fill";
        // The profile carries phrases unescaped: these would make it unreadable.
        EXPECT_EQ(phrase.find_first_of("\"&<>"), std::string::npos);

        // Key names joined by "+" into steps, the steps by single spaces.
        EXPECT_TRUE(std::regex_match(keys, keySequence)) << "an empty key or step";
        for (auto key = std::sregex_iterator(keys.begin(), keys.end(), keyName);
             key != std::sregex_iterator(); ++key) {
            EXPECT_TRUE(vocabulary.count(key->str())) << "\"" << key->str() << "\" is no key name";
        }
    }
}

TEST(ShippedSettingsFileTest, IsAnAnsiFileWithCrLfLineEndsThatStartsAFirstRun) {
    const std::string bytes = testing::ReadBytes(kShippedSettings);
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(static_cast<unsigned char>(bytes[0]), 0xEF) << "no byte-order mark";
    EXPECT_EQ(std::regex_replace(bytes, std::regex("\r\n"), "").find_first_of("\r\n"),
              std::string::npos)
        << "a lone CR or LF";
    EXPECT_TRUE(bytes.ends_with("\r\n"));

    const std::wstring path = WideFromPath(kShippedSettings);
    EXPECT_EQ(ReadSetting(path, kGeneralSection, L"OpenedOnce", kMissingValue), L"0");
    for (const wchar_t* key : {L"VoxtrelEXE", L"VoxtrelProfilesPath", L"LastPTT1", L"LastBut"}) {
        EXPECT_EQ(ReadSetting(path, kGeneralSection, key, kMissingValue), L"vuoto");
    }
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
