// The new-profile writer: documents compared byte for byte with hand-written golden files, the
// push-to-talk block rules (the table tests/data/new_profile_documents.txt), and writing that
// never leaves a half-written profile.
#include "profile/new_profile_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "support/data_table.h"
#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

using testing::DataFile;
using testing::ReadBytes;
using testing::Wide;

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

const PushToTalkValues kFullPushToTalk{true, L"hold", L"on", L"LCONTROL", L"3", L"F1"};

TEST(NewProfileDocument, GivesTheDocumentOfEachRowOfTheTable) {
    const auto rows = testing::ReadDataTable("new_profile_documents.txt");
    EXPECT_GE(rows.size(), 12u);
    // The document without a block, to put a block in before its last line.
    const std::string last = "</voxtrel-config>\r\n";
    const std::string withoutBlock = DataFile("new_profile_no_ptt.xml");
    const std::string body = withoutBlock.substr(0, withoutBlock.size() - last.size());
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 8u) << row[0];
        SCOPED_TRACE(row[0] + " commands, " + row[7]);
        CommandTables tables = row[0] == "one" ? OneCommand() : ThreeCommands();
        if (row[0] == "none") {
            tables.CommandCount = 0;
        } else if (row[0] == "empty") {
            tables = CommandTables{};
        }
        const PushToTalkValues values{row[1] == "1", Wide(row[2]), Wide(row[3]),
                                      Wide(row[4]),  Wide(row[5]), Wide(row[6])};
        EXPECT_EQ(NewProfileDocument(tables, values),
                  row[7].ends_with(".xml")
                      ? DataFile(row[7])
                      : body + "         <push-to-talk mode=\"hold\" initial-state=\"on\">\r\n" +
                            row[7] + "         </push-to-talk>\r\n" + last);
    }
}

TEST(WriteNewProfile, ReplacesTheWholeFileAndARefusedTemplateLeavesItAsItWas) {
    testing::TempFolder folder;
    const auto profile = folder / "Wingcall.xml";
    testing::WriteBytes(profile, std::string(5000, 'x'));
    WriteNewProfile(profile, ThreeCommands(), kFullPushToTalk);
    EXPECT_EQ(ReadBytes(profile), DataFile("new_profile_ptt_all.xml"));
    // The file replaced is kept one step back.
    EXPECT_EQ(ReadBytes(folder / "Wingcall.xml.bak"), std::string(5000, 'x'));

    CommandTables pastTheKeys = OneCommand();
    pastTheKeys.CommandKeys.pop_back();
    pastTheKeys.CommandCount = 2;
    testing::ExpectWingcallError([&] { WriteNewProfile(profile, pastTheKeys, PushToTalkValues{}); },
                                 ErrorNumber::SubscriptOutOfRange, {"Keys(2)"});
    EXPECT_EQ(ReadBytes(profile), DataFile("new_profile_ptt_all.xml"));
    EXPECT_EQ(ReadBytes(folder / "Wingcall.xml.bak"), std::string(5000, 'x'))
        << "a refused template keeps the earlier backup";
    EXPECT_EQ(testing::CountEntries(folder.path()), 2u);
}

}  // namespace
}  // namespace wingcall
