// What the stand-in finds wrong with a profile's content: key names, shared phrases, buttons.
#include "profile_findings.h"

#include <gtest/gtest.h>

namespace voxtrel {
namespace {

KeyVocabulary ShippedVocabulary() {
    KeyVocabulary vocabulary;
    EXPECT_TRUE(vocabulary.LoadFromFile(WINGCALL_KEY_NAMES_FILE))
        << vocabulary.LoadError().toStdString();
    return vocabulary;
}

ProfileCommand Command(const QString& name, const QString& phrase, const QString& keys,
                       qint64 line) {
    return {name, phrase, keys, line};
}

QList<Finding::Kind> KindsOf(const QList<Finding>& findings) {
    QList<Finding::Kind> kinds;
    for (const Finding& finding : findings) {
        kinds.append(finding.kind);
    }
    return kinds;
}

TEST(KeyVocabularyTest, TheShippedListLoadsWithoutItsCommentLines) {
    const KeyVocabulary vocabulary = ShippedVocabulary();
    for (const char* name : {"A", "0", "F24", "Backslash", "LShift", "RCtrl", "NumPlus", "Space"}) {
        EXPECT_TRUE(vocabulary.Contains(name)) << name;
    }
    for (const char* name : {"", "# Letters", "a", "rctrl", "Ctrl", "+"}) {
        EXPECT_FALSE(vocabulary.Contains(name)) << name;
    }
}

TEST(ProfileFindingsTest, KeyNamesOutsideTheVocabularyAreFound) {
    struct Case {
        QString keys;
        int unknownNames;
    };
    const Case cases[] = {
        {"Backslash F3 F1 F1", 0},
        {"LShift+J", 0},
        {"", 0},
        {"lshift+J", 1},
        {"Ctrl+Alt+Del", 3},
        {"LCtrl+", 1},
        {"+J", 1},
        {"Backslash F25", 1},
        {"Num+", 2},
        {"Escape  Enter", 0},
    };
    const KeyVocabulary vocabulary = ShippedVocabulary();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys.toStdString());
        Profile profile;
        profile.commands = {Command("Call", "viper one one call", c.keys, 5)};
        const QList<Finding> findings = FindProblems(profile, vocabulary);
        EXPECT_EQ(KindsOf(findings).count(Finding::Kind::UnknownKeyName), c.unknownNames);
    }
}

TEST(ProfileFindingsTest, PushToTalkKeysMustBeSingleKeyNamesAndButtonsOneToThirtyTwo) {
    Profile profile;
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

TEST(ProfileFindingsTest, APhraseSharedByCommandsIsFoundOnceNamingEachOfThem) {
    Profile profile;
    profile.commands = {
        Command("Rejoin", "Viper one two rejoin", "A", 5),
        Command("Break Left", "viper one two break left", "B", 9),
        Command("Join Up", "viper one  two REJOIN", "C", 13),
        Command("Form Up", "Viper one two rejoin", "D", 17),
        Command("Nothing", "  ", "E", 21),
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
    profile.commands = {Command("A", "same", "Nonsense", 5), Command("B", "same", "Nonsense", 9)};
    const QList<Finding> findings = FindProblems(profile, vocabulary);

    ASSERT_EQ(KindsOf(findings), QList<Finding::Kind>({Finding::Kind::KeyNamesUnavailable,
                                                       Finding::Kind::SharedPhrase}));
    EXPECT_TRUE(findings[0].text.contains("/nonexistent/key-names.txt"));
}

}  // namespace
}  // namespace voxtrel
