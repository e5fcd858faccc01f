// What the stand-in finds wrong with a profile's content (key names, shared phrases, buttons), and
// what its window shows of a profile and its findings.
#include "profile_findings.h"

#include <gtest/gtest.h>

#include <QFile>

#include <QLabel>
#include <QListWidget>
#include <QTableWidget>

#include <utility>

#include "stand_in_window.h"

namespace voxtrel {
namespace {

KeyVocabulary ShippedVocabulary() {
    KeyVocabulary vocabulary;
    EXPECT_TRUE(vocabulary.LoadFromFile(WINGCALL_KEY_NAMES_FILE))
        << vocabulary.LoadError().toStdString();
    return vocabulary;
}

QList<Finding::Kind> KindsOf(const QList<Finding>& findings) {
    QList<Finding::Kind> kinds;
    for (const Finding& finding : findings) {
        kinds.append(finding.kind);
    }
    return kinds;
}

// The list's own names, in their letter case, and nothing else: its comment lines are not names.
TEST(KeyVocabularyTest, TheShippedListLoadsWithoutItsCommentLines) {
    const KeyVocabulary vocabulary = ShippedVocabulary();
    EXPECT_TRUE(vocabulary.Contains("NumPlus"));
    for (const char* name : {"", "# Letters", "+"}) {
        EXPECT_FALSE(vocabulary.Contains(name)) << name;
    }
}

// Keys with the count of names in them that are not in the list.
TEST(ProfileFindingsTest, KeyNamesOutsideTheVocabularyAreFound) {
    const std::pair<QString, int> cases[] = {{"A 0 F24 Backslash LShift RCtrl Space", 0},
                                             {"a rctrl Ctrl", 3},
                                             {"Backslash F3 F1 F1", 0},
                                             {"LShift+J", 0},
                                             {"", 0},
                                             {"lshift+J", 1},
                                             {"Ctrl+Alt+Del", 3},
                                             {"LCtrl+", 1},
                                             {"+J", 1},
                                             {"Num+", 2},
                                             {"Backslash F25", 1},
                                             {"Escape  Enter", 0}};
    const KeyVocabulary vocabulary = ShippedVocabulary();
    for (const auto& [keys, unknownNames] : cases) {
        Profile profile;
        profile.commands = {{"Call", "viper one one call", keys, 5}};
        EXPECT_EQ(KindsOf(FindProblems(profile, vocabulary)).count(Finding::Kind::UnknownKeyName),
                  unknownNames)
            << keys.toStdString();
    }
}

TEST(ProfileFindingsTest, PushToTalkKeysMustBeSingleKeyNamesAndButtonsOneToThirtyTwo) {
    Profile profile;
    profile.commands = {ProfileCommand{"Rejoin", "viper one two rejoin", "F1", 5}};
    profile.pushToTalk.present = true;
    profile.pushToTalk.inputs = {
        {PushToTalkInput::Kind::Key, "RCtrl", 15}, {PushToTalkInput::Kind::Key, "Right Ctrl", 16},
        {PushToTalkInput::Kind::Key, " ", 17},     {PushToTalkInput::Kind::Button, "32", 18},
        {PushToTalkInput::Kind::Button, "33", 19}, {PushToTalkInput::Kind::Button, "None", 20},
    };
    const QList<Finding> findings = FindProblems(profile, ShippedVocabulary());

    ASSERT_EQ(findings.size(), 4);
    EXPECT_EQ(findings[0].kind, Finding::Kind::UnknownKeyName);
    EXPECT_EQ(findings[0].line, 16);
    EXPECT_EQ(findings[1].line, 17);
    EXPECT_EQ(findings[2].kind, Finding::Kind::ButtonOutOfRange);
    EXPECT_EQ(findings[2].line, 19);
    EXPECT_EQ(findings[3].line, 20);
}

// With the other spellings loaded, a near miss is told the listed name; a profile read whole that
// lists no command says so; and no finding ends in two full stops.
TEST(ProfileFindingsTest, NearMissesAreToldTheListedNameAndAnEmptyProfileIsAFinding) {
    KeyVocabulary vocabulary = ShippedVocabulary();
    QFile aliases(QStringLiteral(WINGCALL_KEY_NAME_ALIASES_FILE));
    ASSERT_TRUE(aliases.open(QIODevice::ReadOnly));
    vocabulary.LoadAliasesFromText(QString::fromUtf8(aliases.readAll()));
    EXPECT_EQ(vocabulary.ListedNameFor("Right Ctrl"), "RCtrl");
    EXPECT_EQ(vocabulary.ListedNameFor("caps-lock"), "CapsLock");
    EXPECT_EQ(vocabulary.ListedNameFor("RCtrl"), "");
    EXPECT_EQ(vocabulary.ListedNameFor("Banana"), "");

    Profile profile;
    profile.pushToTalk.present = true;
    profile.pushToTalk.inputs = {{PushToTalkInput::Kind::Key, "AltGr", 7}};
    const QList<Finding> findings = FindProblems(profile, vocabulary);
    ASSERT_EQ(findings.size(), 2);
    EXPECT_EQ(findings[0].kind, Finding::Kind::NoCommands);
    EXPECT_EQ(findings[0].text,
              "The profile holds no commands: Voxtrel has nothing to listen for.");
    EXPECT_TRUE(findings[1].text.endsWith(" Write it \"RAlt\".")) << findings[1].text.toStdString();

    // A file that could not be read is not also said to hold no commands.
    Profile unread;
    unread.readingFindings = {{Finding::Kind::FileUnreadable, 0, 0, "Cannot open it: gone.."}};
    const QList<Finding> unreadFindings = FindProblems(unread, vocabulary);
    ASSERT_EQ(unreadFindings.size(), 1);
    EXPECT_EQ(unreadFindings[0].text, "Cannot open it: gone.");
}

TEST(ProfileFindingsTest, APhraseSharedByCommandsIsFoundOnceNamingEachOfThem) {
    Profile profile;
    profile.commands = {
        {"Rejoin", "Viper one two rejoin", "A", 5},
        {"Break Left", "viper one two break left", "B", 9},
        {"Join Up", "viper one  two REJOIN", "C", 13},
        {"Form Up", "Viper one two rejoin", "D", 17},
        {"Nothing", "  ", "E", 21},
    };
    const QList<Finding> findings = FindProblems(profile, ShippedVocabulary());

    ASSERT_EQ(KindsOf(findings),
              QList<Finding::Kind>({Finding::Kind::SharedPhrase, Finding::Kind::EmptyPhrase}));
    EXPECT_EQ(findings[0].line, 13);
    for (const char* name :
         {"\"Rejoin\" (line 5)", "\"Join Up\" (line 13)", "\"Form Up\" (line 17)"}) {
        EXPECT_TRUE(findings[0].text.contains(name)) << findings[0].text.toStdString();
    }
    EXPECT_FALSE(findings[0].text.contains("Break Left"));
}

TEST(ProfileFindingsTest, AMissingKeyNameListIsSaidOnceAndTheOtherChecksStillRun) {
    KeyVocabulary vocabulary;
    EXPECT_FALSE(vocabulary.LoadFromFile("/nonexistent/key-names.txt"));
    Profile profile;
    profile.commands = {{"A", "same", "Nonsense", 5}, {"B", "same", "Nonsense", 9}};
    const QList<Finding> findings = FindProblems(profile, vocabulary);

    ASSERT_EQ(KindsOf(findings), QList<Finding::Kind>({Finding::Kind::KeyNamesUnavailable,
                                                       Finding::Kind::SharedPhrase}));
    EXPECT_TRUE(findings[0].text.contains("/nonexistent/key-names.txt"));
}

TEST(StandInWindowTest, ShowsTheCommandsThePushToTalkBlockAndTheFindings) {
    Profile profile;
    profile.commands = {ProfileCommand{"Rejoin", "viper one two rejoin", "Backslash F3 F1 F1", 5},
                        ProfileCommand{"Tally", "viper one two tally", "Bogus", 9}};
    profile.pushToTalk = {true, "toggle", "on", {{PushToTalkInput::Kind::Button, "4", 14}}, 13};
    const QList<Finding> findings = FindProblems(profile, ShippedVocabulary());
    StandInWindow window("/profiles/Wingcall.xml", profile, findings);

    EXPECT_EQ(window.windowTitle(), "Voxtrel (stand-in) - Wingcall.xml");
    // The window says it is not Voxtrel, and how Wingcall gets to start the real one.
    const auto* notVoxtrel = window.findChild<QLabel*>("notVoxtrel");
    ASSERT_NE(notVoxtrel, nullptr);
    EXPECT_TRUE(notVoxtrel->text().startsWith("This is Wingcall's stand-in, not Voxtrel"));
    EXPECT_TRUE(notVoxtrel->text().contains("\"Choose voxtrel.exe now?\""));
    ASSERT_EQ(window.CommandTable()->rowCount(), 2);
    EXPECT_EQ(window.CommandTable()->item(1, 2)->text(), "Bogus");
    EXPECT_EQ(window.PushToTalkSummary()->text(),
              "Mode: toggle. Initial state: on. Keys: none. Joystick button: 4.");
    ASSERT_EQ(window.FindingList()->count(), 1);
    EXPECT_TRUE(window.FindingList()->item(0)->text().startsWith("Line 9: Command \"Tally\""));

    // Started without a profile, it says how to give it one, and shows nothing to check.
    StandInWindow empty;
    const auto* noProfile = empty.findChild<QLabel*>("noProfile");
    ASSERT_NE(noProfile, nullptr);
    EXPECT_EQ(noProfile->text(), kNoProfileText);
    EXPECT_EQ(empty.PushToTalkSummary(), nullptr);
    EXPECT_EQ(empty.FindingList(), nullptr);

    StandInWindow clean("/profiles/Wingcall.xml", Profile{}, {});
    EXPECT_EQ(clean.FindingList()->item(0)->text(), "No problems found.");
    EXPECT_EQ(clean.PushToTalkSummary()->text(),
              "No push-to-talk block: Voxtrel listens all the time.");
}

}  // namespace
}  // namespace voxtrel
