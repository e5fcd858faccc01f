// Reading profile documents as Wingcall writes them, and documents that are broken.
#include "profile_reader.h"

#include <gtest/gtest.h>

namespace voxtrel {
namespace {

// A new profile with two commands and a full push-to-talk block, laid out as Wingcall writes it.
const char kWingcallProfile[] =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
    "<voxtrel-config>\r\n"
    "        <command-list>\r\n"
    "\r\n"
    "                <command name=\"Rejoin\" phrase=\"Viper one two rejoin\">\r\n"
    "                        <sequence keys=\"Backslash F3 F1 F1\" />\r\n"
    "                </command>\r\n"
    "\r\n"
    "                <command name=\"Music On\" phrase=\"Viper one two music on\">\r\n"
    "                        <sequence keys=\"Backslash F3 F6 F10 LShift+J\" />\r\n"
    "                </command>\r\n"
    "\r\n"
    "       </command-list>\r\n"
    "         <push-to-talk mode=\"hold\" initial-state=\"off\">\r\n"
    "          <key type=\"RCtrl\" />\r\n"
    "          <button number=\"3\" />\r\n"
    "          <key type=\"Num0\" />\r\n"
    "         </push-to-talk>\r\n"
    "</voxtrel-config>\r\n";

bool HasFinding(const Profile& profile, Finding::Kind kind) {
    for (const Finding& finding : profile.readingFindings) {
        if (finding.kind == kind) {
            return true;
        }
    }
    return false;
}

TEST(ProfileReaderTest, ReadsTheCommandsAndThePushToTalkBlockOfAWingcallProfile) {
    const Profile profile = ReadProfile(kWingcallProfile);

    EXPECT_TRUE(profile.readingFindings.isEmpty());
    ASSERT_EQ(profile.commands.size(), 2);
    EXPECT_EQ(profile.commands[1].name, "Music On");
    EXPECT_EQ(profile.commands[1].phrase, "Viper one two music on");
    EXPECT_EQ(profile.commands[1].keys, "Backslash F3 F6 F10 LShift+J");
    EXPECT_EQ(profile.commands[1].line, 9);

    const PushToTalkBlock& block = profile.pushToTalk;
    ASSERT_TRUE(block.present);
    EXPECT_EQ(block.mode, "hold");
    EXPECT_EQ(block.initialState, "off");
    ASSERT_EQ(block.inputs.size(), 3);
    EXPECT_EQ(block.inputs[0].value, "RCtrl");
    EXPECT_EQ(block.inputs[1].kind, PushToTalkInput::Kind::Button);
    EXPECT_EQ(block.inputs[1].value, "3");
    EXPECT_EQ(block.inputs[2].value, "Num0");
    EXPECT_EQ(block.inputs[2].line, 17);
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
    QByteArray document(kWingcallProfile);
    document.replace("music on", "music & lights");
    const Profile profile = ReadProfile(document);

    ASSERT_EQ(profile.readingFindings.size(), 1);
    const Finding& finding = profile.readingFindings[0];
    EXPECT_EQ(finding.kind, Finding::Kind::NotWellFormed);
    EXPECT_EQ(finding.line, 9);
    EXPECT_GT(finding.column, 0);
    // What came before the fault is still shown.
    ASSERT_EQ(profile.commands.size(), 1);
    EXPECT_EQ(profile.commands[0].name, "Rejoin");
}

TEST(ProfileReaderTest, BrokenAndForeignDocumentsAreReported) {
    struct Case {
        const char* what;
        QByteArray document;
        Finding::Kind expected;
    };
    const Case cases[] = {
        {"empty file", "", Finding::Kind::NotWellFormed},
        {"cut short", QByteArray(kWingcallProfile).left(300), Finding::Kind::NotWellFormed},
        {"quote inside a value",
         QByteArray(kWingcallProfile).replace("Viper one two rejoin", "say \"rejoin\""),
         Finding::Kind::NotWellFormed},
        {"other root", "<?xml version=\"1.0\"?><settings><a/></settings>",
         Finding::Kind::NotAProfile},
        {"unknown element",
         QByteArray(kWingcallProfile).replace("<command-list>", "<command-list><macro/>"),
         Finding::Kind::UnexpectedElement},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(HasFinding(ReadProfile(c.document), c.expected));
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
