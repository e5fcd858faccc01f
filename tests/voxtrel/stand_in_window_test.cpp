// The stand-in window: what it shows for a profile and its findings.
#include "stand_in_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QTableWidget>

#include "profile_findings.h"

namespace voxtrel {
namespace {

KeyVocabulary ShippedVocabulary() {
    KeyVocabulary vocabulary;
    EXPECT_TRUE(vocabulary.LoadFromFile(WINGCALL_KEY_NAMES_FILE));
    return vocabulary;
}

TEST(StandInWindowTest, ShowsTheCommandsThePushToTalkBlockAndTheFindings) {
    Profile profile;
    profile.commands = {ProfileCommand{"Rejoin", "viper one two rejoin", "Backslash F3 F1 F1", 5},
                        ProfileCommand{"Tally", "viper one two tally", "Bogus", 9}};
    profile.pushToTalk = {true, "toggle", "on", {{PushToTalkInput::Kind::Button, "4", 14}}, 13};
    const QList<Finding> findings = FindProblems(profile, ShippedVocabulary());
    StandInWindow window("/profiles/Wingcall.xml", profile, findings);

    EXPECT_EQ(window.windowTitle(), "Voxtrel (stand-in) - Wingcall.xml");
    ASSERT_EQ(window.CommandTable()->rowCount(), 2);
    EXPECT_EQ(window.CommandTable()->item(1, 2)->text(), "Bogus");
    EXPECT_EQ(window.PushToTalkSummary()->text(),
              "Mode: toggle. Initial state: on. Keys: none. Joystick button: 4.");
    ASSERT_EQ(window.FindingList()->count(), 1);
    EXPECT_TRUE(window.FindingList()->item(0)->text().startsWith("Line 9: Command \"Tally\""));

    StandInWindow clean("/profiles/Wingcall.xml", Profile{}, {});
    EXPECT_EQ(clean.FindingList()->item(0)->text(), "No problems found.");
    EXPECT_EQ(clean.PushToTalkSummary()->text(),
              "No push-to-talk block: Voxtrel listens all the time.");
}

}  // namespace
}  // namespace voxtrel
