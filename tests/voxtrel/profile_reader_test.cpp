// Reading profile documents: those Wingcall's own writers make, where whatever the user typed
// (markup characters, controls and characters outside the code page included) comes back value
// for value and line for line, or is refused; merges of sources of every shape, each read back
// whole or refused; the code page's bytes; and documents that are broken, foreign or unreadable.
#include "profile_reader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "profile/personalisation.h"
#include "support/data_table.h"
#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

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

// One command whose phrase is the callsign alone, and push-to-talk values of every kind.
struct OneValueProfile {
    std::wstring callsign = L"Viper";
    CommandTables tables;
    PushToTalkValues pushToTalk{true, L"hold", L"on", L"F1", L"3", L"F2"};

    OneValueProfile() {
        tables.CommandNames = {L"", L"Engage", L"vuoto"};
        tables.CommandPhrases = {L"", L"callsign$", L"vuoto"};
        tables.CommandKeys = {L"", L"{LCONTROL}e", L"vuoto"};
        tables.CommandCount = 1;
    }

    std::string Document() const {
        CommandTables personalised = tables;
        wingcall::SubstitutionValues values;
        wingcall::UpdateSubstitutionValues(values, callsign, 1, 2);
        wingcall::PersonalisePhrases(personalised.CommandPhrases, 1, values);
        return wingcall::NewProfileDocument(personalised, pushToTalk);
    }
};

// One value of a profile: where it goes in, what a refusal calls it, and where it is read back.
struct ValuePlace {
    const char* named;
    std::wstring& (*in)(OneValueProfile&);
    QString (*out)(const Profile&);
};

const ValuePlace kValuePlaces[] = {
    {"phrase of command 1", [](OneValueProfile& p) -> std::wstring& { return p.callsign; },
     [](const Profile& r) { return r.commands.value(0).phrase; }},
    {"name of command 1",
     [](OneValueProfile& p) -> std::wstring& { return p.tables.CommandNames[1]; },
     [](const Profile& r) { return r.commands.value(0).name; }},
    {"key sequence of command 1",
     [](OneValueProfile& p) -> std::wstring& { return p.tables.CommandKeys[1]; },
     [](const Profile& r) { return r.commands.value(0).keys; }},
    {"push-to-talk type", [](OneValueProfile& p) -> std::wstring& { return p.pushToTalk.type; },
     [](const Profile& r) { return r.pushToTalk.mode; }},
    {"push-to-talk initial state",
     [](OneValueProfile& p) -> std::wstring& { return p.pushToTalk.initialState; },
     [](const Profile& r) { return r.pushToTalk.initialState; }},
    {"first push-to-talk key",
     [](OneValueProfile& p) -> std::wstring& { return p.pushToTalk.key1; },
     [](const Profile& r) { return r.pushToTalk.inputs.value(0).value; }},
    {"joystick button",
     [](OneValueProfile& p) -> std::wstring& { return p.pushToTalk.joystickButton; },
     [](const Profile& r) { return r.pushToTalk.inputs.value(1).value; }},
    {"second push-to-talk key",
     [](OneValueProfile& p) -> std::wstring& { return p.pushToTalk.key2; },
     [](const Profile& r) { return r.pushToTalk.inputs.value(2).value; }},
};

// `codePoint` as wide text: two units past U+FFFF where wide text is UTF-16.
std::wstring WideOf(char32_t codePoint) {
    if (sizeof(wchar_t) == 2 && codePoint >= 0x10000) {
        const char32_t offset = codePoint - 0x10000;
        return {static_cast<wchar_t>(0xD800 + (offset >> 10)),
                static_cast<wchar_t>(0xDC00 + (offset & 0x3FF))};
    }
    return std::wstring(1, static_cast<wchar_t>(codePoint));
}

// For each row of tests/data/hostile_characters.txt, in every value: written as the row's bytes
// and read back equal to what went in, or refused naming the value and the character.
TEST(WingcallProfileReadBack, EveryCharacterInEveryValueComesBackAsTypedOrIsRefused) {
    for (const std::vector<std::string>& row :
         wingcall::testing::ReadDataTable("hostile_characters.txt")) {
        const char32_t codePoint = wingcall::testing::CodePointsOf(row[0]).at(0);
        const std::wstring value = L"a" + WideOf(codePoint) + L"b";
        for (const ValuePlace& place : kValuePlaces) {
            SCOPED_TRACE(row[0] + " in the " + place.named);
            OneValueProfile written;
            place.in(written) = value;
            if (row[1] == "refused") {
                std::string hex = row[0];
                hex.insert(0, 4 - std::min<std::size_t>(4, hex.size()), '0');
                wingcall::testing::ExpectWingcallError([&] { written.Document(); },
                                                       wingcall::ErrorNumber::InvalidArgument,
                                                       {place.named, "U+" + hex});
                continue;
            }
            const std::string document = written.Document();
            EXPECT_NE(document.find("a" + row[1] + "b"), std::string::npos);
            const Profile profile = Read(document);
            EXPECT_TRUE(profile.readingFindings.isEmpty())
                << profile.readingFindings.value(0).text.toStdString();
            EXPECT_EQ(place.out(profile), Q(value));
        }
    }
}

// For each row of tests/data/merge_sources.txt: the source is merged behind one new command and
// the stand-in reads the new command and every command of the source, with nothing wrong; or the
// merge is refused naming the source and its line, and the output and the source stay as they
// were, also when the source is the output.
TEST(WingcallProfileReadBack, EveryMergeSourceGivesAProfileThatLoadsWholeOrIsRefused) {
    wingcall::testing::TempFolder folder;
    const auto output = folder / "new.xml";
    const auto source = folder / "old.xml";
    const CommandTables tables = OneValueProfile().tables;
    for (const std::vector<std::string>& row :
         wingcall::testing::ReadDataTable("merge_sources.txt")) {
        SCOPED_TRACE(row[0]);
        wingcall::testing::WriteBytes(output, "previous profile");
        wingcall::testing::WriteBytes(source, row[1]);
        if (row[2] == "refused") {
            for (const auto& target : {output, source}) {
                try {
                    wingcall::WriteMergedProfile(target, source, tables);
                    ADD_FAILURE() << "merged";
                } catch (const wingcall::MergeSourceRefused& refused) {
                    const std::string message = refused.what();
                    EXPECT_NE(message.find("\"" + source.string() + "\": "), std::string::npos)
                        << message;
                    EXPECT_NE(message.find(row[3]), std::string::npos) << message;
                }
                EXPECT_EQ(wingcall::testing::ReadBytes(output), "previous profile");
                EXPECT_EQ(wingcall::testing::ReadBytes(source), row[1]);
            }
            continue;
        }
        wingcall::WriteMergedProfile(output, source, tables);
        EXPECT_EQ(wingcall::testing::ReadBytes(source), row[1]);
        const Profile profile = ReadProfileFile(QString::fromStdString(output.string()));
        EXPECT_TRUE(profile.readingFindings.isEmpty())
            << profile.readingFindings.value(0).text.toStdString();
        ASSERT_EQ(profile.commands.size(), 1 + std::stoi(row[2]));
        EXPECT_EQ(profile.commands[0].name, "Engage");
    }
}

bool HasFinding(const Profile& profile, Finding::Kind kind);

// For each merge of tests/data/merge_layouts.txt: the stand-in, a reader that knows namespaces,
// loads the merged profile and reads the new command, then every command of the source with the
// values it reads from the source itself (where it can read the source's encoding), and the
// source's push-to-talk block.
TEST(WingcallProfileReadBack, EveryMergeOfAnotherLayoutReadsBackWithTheSourcesValues) {
    wingcall::testing::TempFolder folder;
    const auto output = folder / "new.xml";
    const auto source = folder / "old.xml";
    const CommandTables tables = OneValueProfile().tables;
    for (const std::vector<std::string>& row :
         wingcall::testing::ReadDataTable("merge_layouts.txt")) {
        if (row[2] == "refused") {
            continue;
        }
        SCOPED_TRACE(row[0]);
        wingcall::testing::WriteBytes(source, row[1]);
        wingcall::WriteMergedProfile(output, source, tables);
        const Profile merged = ReadProfileFile(QString::fromStdString(output.string()));
        EXPECT_FALSE(HasFinding(merged, Finding::Kind::NotWellFormed) ||
                     HasFinding(merged, Finding::Kind::NotAProfile))
            << merged.readingFindings.value(0).text.toStdString();
        ASSERT_GE(merged.commands.size(), 2);
        EXPECT_EQ(merged.commands[0].name, "Engage");
        EXPECT_EQ(merged.commands[1].name, QString::fromStdString(row[3]));
        const Profile original = Read(row[1]);
        if (!HasFinding(original, Finding::Kind::NotWellFormed)) {
            ASSERT_EQ(merged.commands.size(), original.commands.size() + 1);
            for (qsizetype i = 0; i < original.commands.size(); ++i) {
                EXPECT_EQ(merged.commands[i + 1].name, original.commands[i].name);
                EXPECT_EQ(merged.commands[i + 1].phrase, original.commands[i].phrase);
                EXPECT_EQ(merged.commands[i + 1].keys, original.commands[i].keys);
            }
        }
        EXPECT_EQ(merged.pushToTalk.present, !row[4].empty());
        if (!row[4].empty()) {
            ASSERT_EQ(merged.pushToTalk.inputs.size(), 1);
            EXPECT_EQ(merged.pushToTalk.inputs[0].value, QString::fromStdString(row[4]));
        }
    }
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
