// The new-profile writer: documents compared byte for byte with hand-written golden files, the
// push-to-talk block rules, and writing that never leaves a half-written profile.
#include "profile/new_profile_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

using testing::CountEntries;
using testing::ExpectWingcallError;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::string Golden(const char* name) {
    return ReadBytes(std::filesystem::path(WINGCALL_TEST_DATA_DIR) / name);
}

// Three commands as loaded, with the sentinel after them: names with blanks to trim (and a tab
// that stays), quotes, ampersands and angle brackets, a letter outside the code page, and
// letters of the code page's upper half.
CommandTables ThreeCommands() {
    CommandTables tables;
    tables.CommandNames = {L"", L"  Rejoin  ", L" Cover  me ", L"\tTab ", L"vuoto"};
    tables.CommandPhrases = {L"", L"Avenger two, rejoin on \"me\" & <hold>",
                             L"\u0141ukasz, cover me", L"", L"vuoto"};
    tables.CommandKeys = {L"", L"{LSHIFT}r", L"c\u20AC\u00E9", L"", L"vuoto"};
    tables.CommandCount = 3;
    return tables;
}

CommandTables OneCommand() {
    CommandTables tables;
    tables.CommandNames = {L"", L"Break right", L"vuoto"};
    tables.CommandPhrases = {L"", L"Viper one three, break right", L"vuoto"};
    tables.CommandKeys = {L"", L"{LALT}b", L"vuoto"};
    tables.CommandCount = 1;
    return tables;
}

PushToTalkValues PushToTalk(bool inUse, std::wstring key1, std::wstring button, std::wstring key2) {
    return {inUse, L"hold", L"on", std::move(key1), std::move(button), std::move(key2)};
}

TEST(NewProfileDocument, AllThreePushToTalkInputsTrimmedNamesAndUnescapedValues) {
    EXPECT_EQ(NewProfileDocument(ThreeCommands(), PushToTalk(true, L"LCONTROL", L"3", L"F1")),
              Golden("new_profile_ptt_all.xml"));
}

TEST(NewProfileDocument, NoCommandsAndNothingToPushGivesTheBareDocument) {
    CommandTables tables = ThreeCommands();
    tables.CommandCount = 0;
    EXPECT_EQ(NewProfileDocument(tables, PushToTalk(true, L"", L"None", L"")),
              Golden("new_profile_no_commands.xml"));
    EXPECT_EQ(NewProfileDocument(CommandTables{}, PushToTalk(false, L"", L"None", L"")),
              Golden("new_profile_no_commands.xml"));
}

TEST(NewProfileDocument, OnlyTheButtonGivesItsLineAlone) {
    const PushToTalkValues buttonOnly{true, L"toggle", L"off", L"", L"12", L""};
    EXPECT_EQ(NewProfileDocument(OneCommand(), buttonOnly),
              Golden("new_profile_ptt_button_only.xml"));
}

TEST(NewProfileDocument, ABlankKeyCountsAsSet) {
    EXPECT_EQ(NewProfileDocument(OneCommand(), PushToTalk(true, L" ", L"None", L"")),
              Golden("new_profile_ptt_blank_key.xml"));
}

TEST(NewProfileDocument, NoBlockUnlessTickedAndSomethingIsSet) {
    const std::string withoutBlock = Golden("new_profile_no_ptt.xml");
    EXPECT_EQ(NewProfileDocument(OneCommand(), PushToTalk(false, L"A", L"3", L"B")), withoutBlock);
    EXPECT_EQ(NewProfileDocument(OneCommand(), PushToTalk(true, L"", L"None", L"")), withoutBlock);
    // The button test is exact: any other spelling of "None" is a button.
    EXPECT_NE(NewProfileDocument(OneCommand(), PushToTalk(true, L"", L"none", L"")), withoutBlock);
}

TEST(NewProfileDocument, EachSinglePushToTalkInputGivesItsOwnLine) {
    const std::string start =
        "       </command-list>\r\n"
        "         <push-to-talk mode=\"hold\" initial-state=\"on\">\r\n";
    const std::string end = "         </push-to-talk>\r\n</voxtrel-config>\r\n";
    struct Case {
        PushToTalkValues values;
        std::string lines;
    };
    const Case cases[] = {
        {PushToTalk(true, L"K1", L"None", L""), "          <key type=\"K1\" />\r\n"},
        {PushToTalk(true, L"", L"None", L"K2"), "          <key type=\"K2\" />\r\n"},
        {PushToTalk(true, L"K1", L"None", L"K2"),
         "          <key type=\"K1\" />\r\n          <key type=\"K2\" />\r\n"},
        {PushToTalk(true, L"", L"32", L"K2"),
         "          <button number=\"32\" />\r\n          <key type=\"K2\" />\r\n"}};
    for (const Case& example : cases) {
        const std::string document = NewProfileDocument(OneCommand(), example.values);
        const std::string tail = start + example.lines + end;
        ASSERT_GE(document.size(), tail.size());
        EXPECT_EQ(document.substr(document.size() - tail.size()), tail) << example.lines;
    }
}

TEST(NewProfileDocument, RefusesACountPastATableNamingTheEntry) {
    CommandTables tables = OneCommand();
    tables.CommandKeys.pop_back();
    tables.CommandCount = 2;
    ExpectWingcallError([&] { NewProfileDocument(tables, PushToTalk(false, L"", L"None", L"")); },
                        ErrorNumber::SubscriptOutOfRange, {"Keys(2)"});
}

TEST(WriteNewProfile, ReplacesAnExistingFileEntirely) {
    TempFolder folder;
    const auto profile = folder / "Wingcall.xml";
    WriteBytes(profile, std::string(5000, 'x'));
    WriteNewProfile(profile, ThreeCommands(), PushToTalk(true, L"LCONTROL", L"3", L"F1"));
    EXPECT_EQ(ReadBytes(profile), Golden("new_profile_ptt_all.xml"));
    EXPECT_EQ(CountEntries(folder.path()), 1u);
}

TEST(WriteNewProfile, ARefusedTemplateLeavesTheTargetAsItWas) {
    TempFolder folder;
    const auto profile = folder / "Wingcall.xml";
    WriteBytes(profile, "old profile");
    CommandTables tables = OneCommand();
    tables.CommandCount = 3;
    EXPECT_THROW(WriteNewProfile(profile, tables, PushToTalk(false, L"", L"None", L"")),
                 WingcallError);
    EXPECT_EQ(ReadBytes(profile), "old profile");
    EXPECT_EQ(CountEntries(folder.path()), 1u);
}

}  // namespace
}  // namespace wingcall
