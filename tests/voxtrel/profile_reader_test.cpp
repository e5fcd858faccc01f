// Reading profile documents: those Wingcall's own writers make, where whatever the user typed
// (markup characters and characters outside the code page included) comes back value for value
// and line for line; the code page's bytes; and documents that are broken, foreign or unreadable.
#include "profile_reader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <string>
#include <utility>
#include <vector>

#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "profile/personalisation.h"

namespace voxtrel {
namespace {

using wingcall::CommandTables;
using wingcall::PushToTalkValues;

// Each text is used as a callsign, a command name, a key sequence and a push-to-talk key.
const std::vector<std::wstring> kTexts = {
    L"Viper",
    L"A&B",
    L"<break>",
    L"say \"rejoin\" now",
    L"it's",
    L"\" lang=\"x",  // would end the attribute and add one of its own if it went in raw
    L"&amp; &#321; ]]> --> <!-- &",
    L"\u0141ukasz \u20AC\u00E9 \U0001F600",  // outside Windows-1252, in it, and past the BMP
    L"{LSHIFT}<&>\"'",
};

Profile Read(const std::string& document) {
    return ReadProfile(QByteArray::fromStdString(document));
}

QString Q(const std::wstring& text) {
    return QString::fromStdWString(text);
}

// One command per text, its phrase personalised with the text as the callsign.
CommandTables TablesOfTexts() {
    CommandTables tables;
    tables.CommandNames = {L""};
    tables.CommandPhrases = {L""};
    tables.CommandKeys = {L""};
    for (const std::wstring& text : kTexts) {
        tables.CommandNames.push_back(text);
        tables.CommandPhrases.push_back(L"callsign$ flightnumber$ number$, " + text);
        tables.CommandKeys.push_back(text);
    }
    tables.CommandNames.push_back(L"vuoto");
    tables.CommandPhrases.push_back(L"vuoto");
    tables.CommandKeys.push_back(L"vuoto");
    tables.CommandCount = kTexts.size();
    return tables;
}

// The commands of `tables` from profile.commands[first] on, the first on `line` and each four
// lines below the one before, as the writers lay them out.
void ExpectCommandsRead(const Profile& profile, const CommandTables& tables, qsizetype first,
                        qint64 line) {
    for (std::size_t i = 1; i <= tables.CommandCount; ++i) {
        SCOPED_TRACE(Q(tables.CommandNames[i]).toStdString());
        const ProfileCommand& command = profile.commands[first + static_cast<qsizetype>(i) - 1];
        EXPECT_EQ(command.name, Q(tables.CommandNames[i]));
        EXPECT_EQ(command.phrase, Q(tables.CommandPhrases[i]));
        EXPECT_EQ(command.keys, Q(tables.CommandKeys[i]));
        EXPECT_EQ(command.line, line + 4 * static_cast<qint64>(i - 1));
    }
}

TEST(WingcallProfileReadBack, EveryValueOfANewProfileComesBackAsItWent) {
    CommandTables tables = TablesOfTexts();
    for (const std::wstring& callsign : kTexts) {
        SCOPED_TRACE(Q(callsign).toStdString());
        CommandTables personalised = tables;
        wingcall::SubstitutionValues values;
        wingcall::UpdateSubstitutionValues(values, callsign, 1, 2);
        wingcall::PersonalisePhrases(personalised.CommandPhrases, personalised.CommandCount,
                                     values);
        // The push-to-talk values come from lists, but are written like any other value.
        const PushToTalkValues pushToTalk{true, callsign, L"o\"n", callsign, L"<3>", callsign};

        const Profile profile = Read(wingcall::NewProfileDocument(personalised, pushToTalk));
        EXPECT_TRUE(profile.readingFindings.isEmpty())
            << profile.readingFindings.value(0).text.toStdString();
        ASSERT_EQ(profile.commands.size(), static_cast<qsizetype>(kTexts.size()));
        ExpectCommandsRead(profile, personalised, 0, 5);
        const PushToTalkBlock& block = profile.pushToTalk;
        ASSERT_TRUE(block.present);
        EXPECT_EQ(block.mode, Q(callsign));
        EXPECT_EQ(block.initialState, "o\"n");
        ASSERT_EQ(block.inputs.size(), 3);
        EXPECT_EQ(block.inputs[0].value, Q(callsign));
        EXPECT_EQ(block.inputs[1].kind, PushToTalkInput::Kind::Button);
        EXPECT_EQ(block.inputs[1].value, "<3>");
        EXPECT_EQ(block.inputs[2].value, Q(callsign));
        // Below the commands: a blank line, the list's end and the block's start.
        EXPECT_EQ(block.inputs[2].line, 4 * static_cast<qsizetype>(kTexts.size()) + 9);
    }
}

TEST(WingcallProfileReadBack, AMergeOfTwoSuchProfilesHoldsBothSetsOfValues) {
    const CommandTables tables = TablesOfTexts();
    const PushToTalkValues pushToTalk{true, L"hold", L"on", L"A&B", L"None", L""};
    const std::string source = wingcall::NewProfileDocument(tables, pushToTalk);
    const Profile profile = Read(wingcall::MergedProfileDocument(tables, source));
    EXPECT_TRUE(profile.readingFindings.isEmpty())
        << profile.readingFindings.value(0).text.toStdString();
    ASSERT_EQ(profile.commands.size(), static_cast<qsizetype>(2 * kTexts.size()));
    // The source's commands follow the new ones, below the blank line that ends them.
    const auto count = static_cast<qsizetype>(kTexts.size());
    ExpectCommandsRead(profile, tables, 0, 5);
    ExpectCommandsRead(profile, tables, count, 4 * count + 6);
    ASSERT_EQ(profile.pushToTalk.inputs.size(), 1);
    EXPECT_EQ(profile.pushToTalk.inputs[0].value, "A&B");
}

// A new profile of one command per text, without a push-to-talk block, as Wingcall writes it.
QByteArray WingcallProfile() {
    return QByteArray::fromStdString(wingcall::NewProfileDocument(TablesOfTexts(), {}));
}

bool HasFinding(const Profile& profile, Finding::Kind kind) {
    for (const Finding& finding : profile.readingFindings) {
        if (finding.kind == kind) {
            return true;
        }
    }
    return false;
}

TEST(ProfileReaderTest, DecodesTheDeclaredLatinOneBytesAsWindowsWritesThemAndCharacterReferences) {
    const Profile profile = ReadProfile(
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<voxtrel-config>\r\n<command-list>\r\n"
        "<command name=\"Caf\xE9 \x80\x93\x81\" phrase=\"\xC9"
        "lan &#321;\xF3"
        "d\xFA\"><sequence keys=\"A\" />"
        "</command>\r\n</command-list>\r\n</voxtrel-config>\r\n");

    EXPECT_TRUE(profile.readingFindings.isEmpty());
    ASSERT_EQ(profile.commands.size(), 1);
    // Windows-1252 bytes 0x80 and 0x93 show as what the writer meant; undefined 0x81 stays.
    EXPECT_EQ(profile.commands[0].name, QString::fromUtf8("Café €“\u0081"));
    EXPECT_EQ(profile.commands[0].phrase, QString::fromUtf8("Élan Łódú"));
}

// A bare ampersand in a value (as in a document written by hand) breaks the document.
TEST(ProfileReaderTest, ADocumentThatIsNotWellFormedIsReportedWithItsLineAndColumn) {
    const Profile profile = ReadProfile(WingcallProfile().replace("A&amp;B", "A&B"));

    ASSERT_EQ(profile.readingFindings.size(), 1);
    const Finding& finding = profile.readingFindings[0];
    EXPECT_EQ(finding.kind, Finding::Kind::NotWellFormed);
    EXPECT_EQ(finding.line, 9);
    EXPECT_GT(finding.column, 0);
    // What came before the fault is still shown.
    ASSERT_EQ(profile.commands.size(), 1);
    EXPECT_EQ(profile.commands[0].name, "Viper");
}

TEST(ProfileReaderTest, BrokenAndForeignDocumentsAreReported) {
    const std::pair<QByteArray, Finding::Kind> cases[] = {
        {"", Finding::Kind::NotWellFormed},
        {WingcallProfile().left(300), Finding::Kind::NotWellFormed},
        // A quote inside a value.
        {WingcallProfile().replace("\"Viper\"", "\"say \"Viper\"\""), Finding::Kind::NotWellFormed},
        {"<?xml version=\"1.0\"?><settings><a/></settings>", Finding::Kind::NotAProfile},
        {WingcallProfile().replace("<command-list>", "<command-list><macro/>"),
         Finding::Kind::UnexpectedElement},
    };
    for (const auto& [document, expected] : cases) {
        EXPECT_TRUE(HasFinding(ReadProfile(document), expected)) << document.left(60).toStdString();
    }
}

TEST(ProfileReaderTest, AFileThatCannotBeOpenedIsAFinding) {
    const Profile profile = ReadProfileFile("/nonexistent/folder/Wingcall.xml");
    ASSERT_EQ(profile.readingFindings.size(), 1);
    EXPECT_EQ(profile.readingFindings[0].kind, Finding::Kind::FileUnreadable);
    EXPECT_TRUE(profile.readingFindings[0].text.contains("/nonexistent/folder/Wingcall.xml"));
}

}  // namespace
}  // namespace voxtrel
