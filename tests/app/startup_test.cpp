// Start-up: the presence check, the first run, and the window restored from each kind of file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <filesystem>
#include <string>

#include "app/app_messages.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

class StartupTest : public ProgramFolderTest {};

TEST_F(StartupTest, WithoutASettingsFileOnlyTheMessageIsShownAndTheProgramEnds) {
    // A folder named like the settings file counts as missing too.
    for (const bool folderInstead : {false, true}) {
        SCOPED_TRACE(folderInstead ? "a folder" : "no file");
        if (folderInstead) {
            std::filesystem::create_directory(settingsFile());
        }
        messages_.shown.clear();
        Form1& window = startProgram();

        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text, kSettingsMissingText);
        EXPECT_EQ(messages_.shown[0].title, kSettingsMissingTitle);
        EXPECT_EQ(window.endedWithStatus(), kExitFailure);
        EXPECT_TRUE(dialogs_.showings.empty());
        EXPECT_EQ(std::filesystem::exists(settingsFile()), folderInstead);
        EXPECT_EQ(window.PTTJoyButton->count(), 0);
    }
}

TEST_F(StartupTest, AnOpenedProgramAsksNothingAndFillsTheLists) {
    writeSettings("[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n");
    Form1& window = startProgram();

    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_TRUE(dialogs_.showings.empty());
    EXPECT_FALSE(window.endedWithStatus());
    EXPECT_EQ(QString::fromStdWString(state_.SettingsPath), settingsPath());
    EXPECT_EQ(state_.ProfilesFolder, QStringLiteral("/sim/voxtrel/profiles"));
    ASSERT_EQ(window.PTTJoyButton->count(), 33);
    EXPECT_EQ(window.PTTJoyButton->itemText(0), QStringLiteral("None"));
    for (int number = 1; number <= 32; ++number) {
        EXPECT_EQ(window.PTTJoyButton->itemText(number), QString::number(number));
    }
    EXPECT_EQ(window.Combo1->currentText(), QStringLiteral("1"));
    EXPECT_EQ(window.Combo2->currentText(), QStringLiteral("1"));
}

// What the window shows after start-up for one shape of [General].
struct RestoreCase {
    const char* name;
    const char* general;  // lines after "[General]\r\nOpenedOnce=1\r\n"
    const char* key1;
    const char* key2;
    const char* button;
    bool ticked;
    const char* type;
    const char* initialState;
};

class RestoreTest : public ProgramFolderTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreTest, RestoresThePushToTalkSettings) {
    const RestoreCase& c = GetParam();
    writeSettings(std::string("[General]\r\nOpenedOnce=1\r\n") + c.general);
    Form1& window = startProgram();

    ASSERT_FALSE(window.endedWithStatus());
    EXPECT_EQ(window.txtPTTKey->text(), QString::fromUtf8(c.key1));
    EXPECT_EQ(window.txtPTTKey2->text(), QString::fromUtf8(c.key2));
    EXPECT_EQ(window.PTTJoyButton->currentText(), QString::fromUtf8(c.button));
    EXPECT_EQ(window.chkPTT->isChecked(), c.ticked);
    EXPECT_EQ(window.PTTType->currentText(), QString::fromUtf8(c.type));
    EXPECT_EQ(window.PTTInitState->currentText(), QString::fromUtf8(c.initialState));
    // The enable rule ran for the restored state.
    EXPECT_EQ(window.PTTType->isEnabled(), c.ticked);
    EXPECT_EQ(window.Label7->isEnabled(), c.ticked);
    EXPECT_EQ(window.Combo1->currentText(), QStringLiteral("1"));
    EXPECT_EQ(window.txtCallsign->text(), QStringLiteral("Avenger"));
}

INSTANTIATE_TEST_SUITE_P(
    SettingsShapes, RestoreTest,
    ::testing::Values(
        RestoreCase{"NoPushToTalkKeys", "", "", "", "None", true, "toggle", "on"},
        RestoreCase{"AllStored",
                    "LastPTT1=LeftControl\r\nLastPTT2=Joy Hat\r\nLastBut=32\r\nPTTEnabled=1\r\n"
                    "PTTInState=off\r\nPTTKind=hold\r\n",
                    "LeftControl", "Joy Hat", "32", true, "hold", "off"},
        RestoreCase{"PushToTalkOff", "PTTEnabled=0\r\nPTTKind=toggle\r\nPTTInState=on\r\n", "", "",
                    "None", false, "toggle", "on"},
        RestoreCase{"ComparisonsAreExact", "PTTKind=Hold\r\nPTTInState=OFF\r\nPTTEnabled=00\r\n",
                    "", "", "None", true, "toggle", "on"},
        RestoreCase{"VuotoMeansMissing", "LastPTT1=vuoto\r\nLastPTT2=\r\nLastBut=vuoto\r\n", "", "",
                    "None", true, "toggle", "on"},
        // How each stored button spelling maps is JoystickButtonSettingTest's table.
        RestoreCase{"EmptyValuesAndBlanksAroundTheButton", "LastPTT1=\r\nLastBut=  7  \r\n", "", "",
                    "7", true, "toggle", "on"}),
    [](const ::testing::TestParamInfo<RestoreCase>& info) { return std::string(info.param.name); });

// The first run: locating voxtrel.exe.
class FirstRunTest : public ProgramFolderTest {
  protected:
    static constexpr std::string_view kShipped =
        "[General]\r\nOpenedOnce=0\r\n\r\n[Commands]\r\nCommand(1)=Rejoin\r\n"
        "Phrase(1)=callsign$ rejoin\r\nKeys(1)=F1\r\n";
    static constexpr std::string_view kCommands =
        "\r\n[Commands]\r\nCommand(1)=Rejoin\r\nPhrase(1)=callsign$ rejoin\r\nKeys(1)=F1\r\n";
};

TEST_F(FirstRunTest, AGoodPathStoresTheProgramAndItsProfilesFolder) {
    writeSettings(kShipped);
    dialogs_.answers = {QStringLiteral("/Sim/Voxtrel/VOXTREL.EXE")};
    Form1& window = startProgram();

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kSpecifyVoxtrelText);
    EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Wingcall"));
    ASSERT_EQ(dialogs_.showings.size(), 1u);
    EXPECT_FALSE(dialogs_.showings[0].save);
    EXPECT_EQ(dialogs_.showings[0].parent, &window);
    EXPECT_EQ(dialogs_.showings[0].settings.title, QStringLiteral("Voxtrel Folder"));
    EXPECT_EQ(dialogs_.showings[0].settings.filter, QStringLiteral("voxtrel.exe|voxtrel.exe"));

    EXPECT_EQ(settingsBytes(),
              "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=/Sim/Voxtrel/VOXTREL.EXE\r\n"
              "VoxtrelProfilesPath=/Sim/Voxtrel/profiles\r\n" +
                  std::string(kCommands));
    EXPECT_EQ(state_.ProfilesFolder, QStringLiteral("/Sim/Voxtrel/profiles"));
    EXPECT_FALSE(window.endedWithStatus());
    EXPECT_EQ(window.PTTJoyButton->count(), 33);
    EXPECT_EQ(state_.CommandTemplate.CommandCount, 1u);
}

TEST_F(FirstRunTest, APathWithTwoOccurrencesIsCutBeforeTheFirst) {
    writeSettings(kShipped);
    dialogs_.answers = {QStringLiteral("/a/voxtrel.exe.d/Voxtrel.exe")};
    startProgram();
    EXPECT_NE(settingsBytes().find("VoxtrelProfilesPath=/a/profiles\r\n"), std::string::npos);
}

TEST_F(FirstRunTest, AFileThatIsNotVoxtrelIsRefusedPlainlyAndTheDialogComesBack) {
    writeSettings(kShipped);
    dialogs_.answers = {QStringLiteral("/Sim/notepad.exe"), QStringLiteral("/Sim/V/voxtrel.exe")};
    Form1& window = startProgram();

    ASSERT_EQ(dialogs_.showings.size(), 2u);
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(messages_.shown[1].text,
              NotVoxtrelExecutableText(QStringLiteral("/Sim/notepad.exe")));
    // Nothing of the wrong choice was ever stored.
    EXPECT_EQ(settingsBytes(),
              "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=/Sim/V/voxtrel.exe\r\n"
              "VoxtrelProfilesPath=/Sim/V/profiles\r\n" +
                  std::string(kCommands));
    EXPECT_FALSE(window.endedWithStatus());
    EXPECT_EQ(window.PTTJoyButton->count(), 33);
}

TEST_F(FirstRunTest, CancelEndsTheProgramWithTheSettingsUnchanged) {
    for (const bool afterAWrongFile : {false, true}) {
        SCOPED_TRACE(afterAWrongFile ? "after a wrong file" : "at once");
        writeSettings(kShipped);
        messages_.shown.clear();
        dialogs_.answers = {std::nullopt};
        if (afterAWrongFile) {
            dialogs_.answers.push_front(QStringLiteral("/Sim/notepad.exe"));
        }
        Form1& window = startProgram();

        ASSERT_EQ(messages_.shown.size(), afterAWrongFile ? 3u : 2u);
        EXPECT_EQ(messages_.shown.back().text, kFirstRunCancelledText);
        EXPECT_EQ(messages_.shown.back().title, kFirstRunCancelledTitle);
        EXPECT_EQ(window.endedWithStatus(), kExitFailure);
        EXPECT_EQ(settingsBytes(), kShipped);
    }
}

// A template whose Phrase family runs past the tables: the load refuses it.
constexpr std::string_view kRefusedTemplate =
    "\r\n[Commands]\r\nCommand(1)=Rejoin\r\nPhrase(1)=a\r\nPhrase(2)=b\r\nPhrase(3)=c\r\n"
    "Keys(1)=F1\r\n";

TEST_F(StartupTest, ARefusedTemplateIsNamedAndTheProgramEndsWithAFailure) {
    writeSettings("[General]\r\nOpenedOnce=1\r\n" + std::string(kRefusedTemplate));
    Form1& window = startProgram();

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("Phrase(3)")))
        << messages_.shown[0].text.toStdString();
    EXPECT_NE(window.endedWithStatus().value_or(kExitNormal), kExitNormal);
}

TEST_F(FirstRunTest, ARefusedTemplateOnTheFirstRunEndsTooInsteadOfAHalfFilledWindow) {
    writeSettings("[General]\r\nOpenedOnce=0\r\n" + std::string(kRefusedTemplate));
    dialogs_.answers = {QStringLiteral("/Sim/voxtrel.exe")};
    Form1& window = startProgram();

    EXPECT_TRUE(messages_.texts().last().contains(QStringLiteral("Phrase(3)")));
    EXPECT_NE(window.endedWithStatus().value_or(kExitNormal), kExitNormal);
}

}  // namespace
}  // namespace wingcall::app::testing
