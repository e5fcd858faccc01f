// Generate: every way it can end, with the profile and the settings file on disk afterwards.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <filesystem>
#include <string>

#include "app/app_messages.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

using wingcall::testing::ReadBytes;
using wingcall::testing::WriteBytes;

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
    "<voxtrel-config>\r\n"
    "        <command-list>\r\n"
    "\r\n";

// The two template calls for callsign "Viper", flight two, position three. The new-profile
// writer trims the stored name " Rejoin "; the merge keeps it as stored.
std::string NewBlocks(std::string_view firstName, std::string_view callsign = "Viper") {
    const std::string call(callsign);
    return "                <command name=\"" + std::string(firstName) + "\" phrase=\"" + call +
           " two three rejoin\">\r\n"
           "                        <sequence keys=\"Backslash F3 F1 F1\" />\r\n"
           "                </command>\r\n"
           "\r\n"
           "                <command name=\"Break Left\" phrase=\"" +
           call +
           " three break left\">\r\n"
           "                        <sequence keys=\"Backslash F3 F2 F1\" />\r\n"
           "                </command>\r\n"
           "\r\n";
}

const std::string kPushToTalkBlock =
    "         <push-to-talk mode=\"hold\" initial-state=\"off\">\r\n"
    "          <key type=\"LeftControl\" />\r\n"
    "          <button number=\"3\" />\r\n"
    "         </push-to-talk>\r\n";

std::string ExpectedNewProfile(std::string_view callsign = "Viper") {
    return std::string(kHeader) + NewBlocks("Rejoin", callsign) + "       </command-list>\r\n" +
           kPushToTalkBlock + "</voxtrel-config>\r\n";
}

constexpr std::string_view kAppendSource =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
    "<voxtrel-config>\r\n"
    "        <command-list>\r\n"
    "\r\n"
    "                <command name=\"Old\" phrase=\"old call\">\r\n"
    "                        <sequence keys=\"F9\" />\r\n"
    "                </command>\r\n"
    "\r\n"
    "       </command-list>\r\n"
    "</voxtrel-config>\r\n";

class GenerationTest : public ProgramFolderTest {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "voxtrel" / "profiles");
        executable_ = pathIn("voxtrel/voxtrel.exe");
        profilesFolder_ = pathIn("voxtrel/profiles");
    }

    std::string generalSection(bool withExecutable = true) const {
        std::string general = "[General]\r\nOpenedOnce=1\r\n";
        if (withExecutable) {
            general += "VoxtrelEXE=" + executable_.toStdString() + "\r\n";
        }
        general += "VoxtrelProfilesPath=" + profilesFolder_.toStdString() + "\r\n";
        return general;
    }

    std::string templateSection() const {
        return "\r\n[Commands]\r\n"
               "Command(1)=\" Rejoin \"\r\n"
               "Phrase(1)=callsign$ flightnumber$ number$ rejoin\r\n"
               "Keys(1)=Backslash F3 F1 F1\r\n"
               "Command(2)=Break Left\r\n"
               "Phrase(2)=callsign$ number$ break left\r\n"
               "Keys(2)=Backslash F3 F2 F1\r\n";
    }

    // The six push-to-talk keys as Generate stores them for the values fillWindow() sets.
    static std::string storedPushToTalk() {
        return "LastPTT1=LeftControl\r\nLastPTT2=\r\nLastBut=3\r\nPTTEnabled=1\r\n"
               "PTTInState=off\r\nPTTKind=hold\r\n";
    }

    Form1& startWith(bool withExecutable = true) {
        writeSettings(generalSection(withExecutable) + templateSection());
        Form1& window = startProgram();
        EXPECT_FALSE(window.endedWithStatus());
        fillWindow(window);
        settingsBefore_ = settingsBytes();
        return window;
    }

    static void fillWindow(Form1& window) {
        window.txtCallsign->setText(QStringLiteral("Viper"));
        window.Combo1->setCurrentIndex(1);
        window.Combo2->setCurrentIndex(2);
        window.PTTType->setCurrentIndex(window.PTTType->findText(QStringLiteral("hold")));
        window.PTTInitState->setCurrentIndex(window.PTTInitState->findText(QStringLiteral("off")));
        window.txtPTTKey->setText(QStringLiteral("LeftControl"));
        window.txtPTTKey2->clear();
        window.PTTJoyButton->setCurrentIndex(window.PTTJoyButton->findText(QStringLiteral("3")));
    }

    QString profilePath(std::string_view name = "My Profile.xml") const {
        return pathIn("voxtrel/profiles/" + std::string(name));
    }
    std::filesystem::path profileFile(std::string_view name = "My Profile.xml") const {
        return folder_ / "voxtrel" / "profiles" / name;
    }

    QString executable_;
    QString profilesFolder_;
    std::string settingsBefore_;
};

TEST_F(GenerationTest, CancelAtTheSaveDialogWritesNothingAndSaysSo) {
    Form1& window = startWith();
    dialogs_.answers = {std::nullopt};

    window.Generation();

    ASSERT_EQ(dialogs_.showings.size(), 1u);
    const DialogShowing& showing = dialogs_.showings[0];
    EXPECT_TRUE(showing.save);
    EXPECT_EQ(showing.parent, &window);
    EXPECT_EQ(showing.settings.title, QStringLiteral("Save Wingcall Profile"));
    EXPECT_EQ(showing.settings.fileName, QStringLiteral("Wingcall"));
    EXPECT_EQ(showing.settings.filter, QStringLiteral("Voxtrel Profile|*.xml"));
    EXPECT_EQ(showing.settings.initialFolder, profilesFolder_);
    EXPECT_TRUE(showing.settings.promptBeforeOverwrite);

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kGenerationAbortedText);
    EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Wingcall"));
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(wingcall::testing::CountEntries(folder_ / "voxtrel" / "profiles"), 0u);
    EXPECT_EQ(settingsBytes(), settingsBefore_);
    EXPECT_FALSE(window.endedWithStatus());
}

// Once the profile and all six settings are stored: the pilot's answer to "start Voxtrel?" and
// what follows it.
struct AfterWriteCase {
    const char* name;
    bool withExecutable;  // the settings file names voxtrel.exe
    int answer;
    bool starterFails;
    const char* secondMessage;  // a text the message after the question holds; nullptr: none
    bool ends;
};

class GenerationAfterWriteTest : public GenerationTest,
                                 public ::testing::WithParamInterface<AfterWriteCase> {};

TEST_P(GenerationAfterWriteTest, StoresEverythingThenFollowsTheAnswer) {
    const AfterWriteCase& c = GetParam();
    Form1& window = startWith(c.withExecutable);
    dialogs_.answers = {profilePath()};
    messages_.yesNoAnswers = {c.answer};
    if (c.starterFails) {
        starter_.result = {false, QStringLiteral("the file does not exist.")};
    }

    window.Generation();

    EXPECT_EQ(ReadBytes(profileFile()), ExpectedNewProfile());
    EXPECT_EQ(settingsBytes(),
              generalSection(c.withExecutable) + storedPushToTalk() + templateSection());
    ASSERT_GE(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kStartVoxtrelText);
    EXPECT_EQ(messages_.shown[0].title, kStartVoxtrelTitle);
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::YesNo);
    if (c.answer == kAnswerYes && c.withExecutable) {
        ASSERT_EQ(starter_.requests.size(), 1u);
        EXPECT_EQ(starter_.requests[0].executable, executable_);
        // The path with its blank is one argument; no shell ever sees it.
        EXPECT_EQ(starter_.requests[0].arguments, QStringList{profilePath()});
    } else {
        EXPECT_TRUE(starter_.requests.empty());
    }
    if (c.secondMessage) {
        ASSERT_EQ(messages_.shown.size(), 2u);
        EXPECT_TRUE(messages_.shown[1].text.contains(QString::fromUtf8(c.secondMessage)));
        if (c.starterFails) {
            EXPECT_TRUE(messages_.shown[1].text.contains(executable_));
        }
        if (!c.withExecutable) {
            EXPECT_EQ(messages_.shown[1].text,
                      VoxtrelLocationMissingText({QStringLiteral("VoxtrelEXE")}));
        }
    } else {
        EXPECT_EQ(messages_.shown.size(), 1u);
    }
    if (c.ends) {
        EXPECT_EQ(window.endedWithStatus(), kExitNormal);
    } else {
        EXPECT_FALSE(window.endedWithStatus());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GenerationAfterWriteTest,
    ::testing::Values(AfterWriteCase{"NoKeepsTheWindow", true, kAnswerNo, false, nullptr, false},
                      AfterWriteCase{"YesStartsVoxtrelWithTheProfileAndEnds", true, kAnswerYes,
                                     false, nullptr, true},
                      AfterWriteCase{"YesWithoutTheExecutableKeySaysSoAndEnds", false, kAnswerYes,
                                     false, "VoxtrelEXE", true},
                      AfterWriteCase{"YesWhenVoxtrelCannotStartSaysWhyAndKeepsTheWindow", true,
                                     kAnswerYes, true, "the file does not exist.", false}),
    [](const ::testing::TestParamInfo<AfterWriteCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(GenerationTest, AWriterThatFailsNamesTheFileStoresNoSettingsAndKeepsTheWindow) {
    Form1& window = startWith();
    const QString unreachable = pathIn("no such folder/profile.xml");
    dialogs_.answers = {unreachable};

    window.Generation();

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.startsWith(ProfileNotWrittenText(QString())));
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("profile.xml")));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "no such folder"));
    EXPECT_EQ(settingsBytes(), settingsBefore_);
    EXPECT_FALSE(window.endedWithStatus());
}

TEST_F(GenerationTest, AnUnreadableAppendSourceLeavesTheTargetAsItWas) {
    Form1& window = startWith();
    WriteBytes(profileFile(), "previous content");
    state_.AppendMode = 1;
    state_.AppendSourcePath = profilePath("missing source.xml");
    dialogs_.answers = {profilePath()};

    window.Generation();

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("missing source.xml")));
    EXPECT_EQ(ReadBytes(profileFile()), "previous content");
    EXPECT_EQ(settingsBytes(), settingsBefore_);
    EXPECT_FALSE(window.endedWithStatus());
}

TEST_F(GenerationTest, AppendModeMergesTheNewCallsInFrontOfTheChosenProfile) {
    Form1& window = startWith();
    WriteBytes(profileFile("old.xml"), kAppendSource);
    state_.AppendMode = 1;
    state_.AppendSourcePath = profilePath("old.xml");
    dialogs_.answers = {profilePath()};
    messages_.yesNoAnswers = {kAnswerNo};

    window.Generation();

    const std::string carriedOver(kAppendSource.substr(kHeader.size() - 2));
    EXPECT_EQ(ReadBytes(profileFile()), std::string(kHeader) + NewBlocks(" Rejoin ") + carriedOver);
    EXPECT_EQ(settingsBytes(), generalSection() + storedPushToTalk() + templateSection());
}

TEST_F(GenerationTest, ASecondGenerationUsesTheValuesShownThen) {
    Form1& window = startWith();
    dialogs_.answers = {std::nullopt, profilePath()};
    messages_.yesNoAnswers = {kAnswerNo};

    window.Generation();  // cancelled, after the phrases were personalised for "Viper"
    window.txtCallsign->setText(QStringLiteral("Cobra"));
    window.Generation();

    EXPECT_EQ(ReadBytes(profileFile()), ExpectedNewProfile("Cobra"));
    // The save dialog offers the file chosen last time, as the dialog it stands for did.
    ASSERT_EQ(dialogs_.showings.size(), 2u);
}

TEST_F(GenerationTest, AnUntickedPushToTalkBoxIsStoredAsZeroAndGivesNoBlock) {
    Form1& window = startWith();
    window.chkPTT->setChecked(false);
    dialogs_.answers = {profilePath()};
    messages_.yesNoAnswers = {kAnswerNo};

    window.Generation();

    EXPECT_EQ(ReadBytes(profileFile()), std::string(kHeader) + NewBlocks("Rejoin") +
                                            "       </command-list>\r\n" + "</voxtrel-config>\r\n");
    EXPECT_NE(settingsBytes().find("PTTEnabled=0\r\n"), std::string::npos);
}

TEST_F(GenerationTest, ACallsignThatNeverStopsFormingPlaceholdersIsRefusedBeforeTheDialog) {
    writeSettings(
        generalSection() +
        "\r\n[Commands]\r\nCommand(1)=Loop\r\nPhrase(1)=callsigncallsign$\r\nKeys(1)=F1\r\n");
    Form1& window = startProgram();
    window.txtCallsign->setText(QStringLiteral("$$callsigncallsign"));
    const std::string settingsBefore = settingsBytes();

    window.Generation();

    EXPECT_TRUE(dialogs_.showings.empty());
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("Phrase(1)")));
    EXPECT_EQ(settingsBytes(), settingsBefore);
    EXPECT_FALSE(window.endedWithStatus());
}

}  // namespace
}  // namespace wingcall::app::testing
