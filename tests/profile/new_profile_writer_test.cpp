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

using testing::ReadBytes;

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

TEST(NewProfileDocument, MatchesTheGoldenFiles) {
    CommandTables noCommands = ThreeCommands();
    noCommands.CommandCount = 0;
    const PushToTalkValues nothingSet = PushToTalk(true, L"", L"None", L"");
    const struct {
        const char* golden;
        CommandTables tables;
        PushToTalkValues values;
    } cases[] = {
        {"new_profile_ptt_all.xml", ThreeCommands(), PushToTalk(true, L"LCONTROL", L"3", L"F1")},
        {"new_profile_no_commands.xml", noCommands, nothingSet},
        {"new_profile_no_commands.xml", CommandTables{}, PushToTalk(false, L"", L"None", L"")},
        {"new_profile_ptt_button_only.xml",
         OneCommand(),
         {true, L"toggle", L"off", L"", L"12", L""}},
        // A blank key counts as set.
        {"new_profile_ptt_blank_key.xml", OneCommand(), PushToTalk(true, L" ", L"None", L"")},
        // No block unless ticked and something is set.
        {"new_profile_no_ptt.xml", OneCommand(), PushToTalk(false, L"A", L"3", L"B")},
        {"new_profile_no_ptt.xml", OneCommand(), nothingSet},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        EXPECT_EQ(NewProfileDocument(c.tables, c.values), Golden(c.golden));
    }
}

TEST(NewProfileDocument, EachSetPushToTalkInputGivesItsOwnLine) {
    // The document without a block, with the block put in before its last line.
    const std::string last = "</voxtrel-config>\r\n";
    const std::string withoutBlock = Golden("new_profile_no_ptt.xml");
    const std::string body = withoutBlock.substr(0, withoutBlock.size() - last.size());
    const struct {
        PushToTalkValues values;
        std::string lines;
    } cases[] = {
        {PushToTalk(true, L"K1", L"None", L""), "          <key type=\"K1\" />\r\n"},
        {PushToTalk(true, L"", L"None", L"K2"), "          <key type=\"K2\" />\r\n"},
        {PushToTalk(true, L"K1", L"None", L"K2"),
         "          <key type=\"K1\" />\r\n          <key type=\"K2\" />\r\n"},
        {PushToTalk(true, L"", L"32", L"K2"),
         "          <button number=\"32\" />\r\n          <key type=\"K2\" />\r\n"},
        // The button test is exact: any other spelling of "None" is a button.
        {PushToTalk(true, L"", L"none", L""), "          <button number=\"none\" />\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NewProfileDocument(OneCommand(), c.values),
                  body + "         <push-to-talk mode=\"hold\" initial-state=\"on\">\r\n" +
                      c.lines + "         </push-to-talk>\r\n" + last)
            << c.lines;
    }
}

TEST(WriteNewProfile, ReplacesTheWholeFileAndARefusedTemplateLeavesItAsItWas) {
    testing::TempFolder folder;
    const auto profile = folder / "Wingcall.xml";
    testing::WriteBytes(profile, std::string(5000, 'x'));
    WriteNewProfile(profile, ThreeCommands(), PushToTalk(true, L"LCONTROL", L"3", L"F1"));
    EXPECT_EQ(ReadBytes(profile), Golden("new_profile_ptt_all.xml"));

    CommandTables pastTheKeys = OneCommand();
    pastTheKeys.CommandKeys.pop_back();
    pastTheKeys.CommandCount = 2;
    testing::ExpectWingcallError(
        [&] { WriteNewProfile(profile, pastTheKeys, PushToTalk(false, L"", L"None", L"")); },
        ErrorNumber::SubscriptOutOfRange, {"Keys(2)"});
    EXPECT_EQ(ReadBytes(profile), Golden("new_profile_ptt_all.xml"));
    EXPECT_EQ(testing::CountEntries(folder.path()), 1u);
}

}  // namespace
}  // namespace wingcall
