// Start-up: the presence check, the first run, and the window restored from each kind of file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/text_conversion.h"
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
        Form1& window = startProgram();

        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text,
                  QStringLiteral("Wingcall.ini not present, exiting program !"));
        EXPECT_EQ(messages_.shown[0].title, QStringLiteral("File not present !"));
        EXPECT_EQ(window.endedWithStatus(), kExitFailure);
        EXPECT_TRUE(dialogs_.showings.empty());
        EXPECT_EQ(std::filesystem::exists(settingsFile()), folderInstead);
        EXPECT_EQ(window.PTTJoyButton->count(), 0);
    }
}

// A program at the root of a drive (or of the file system) gets the settings file's path with a
// single separator, as in any other folder.
TEST_F(StartupTest, AProgramAtTheRootLooksForItsSettingsFileThere) {
#ifdef _WIN32
    const QString root = QStringLiteral("C:\\");
#else
    const QString root = QStringLiteral("/");
#endif
    FolderHostFiles rootFiles(root);
    AppServices services{dialogs_, messages_, starter_, rootFiles};
    WingcallState state;
    Form1 window(state, services);
    window.Form_Load();
    EXPECT_EQ(FromWide(state.SettingsPath), root + QStringLiteral("Wingcall.ini"));
}

// An opened program asks nothing, fills the lists, and shows the push-to-talk settings as
// stored in [General]. Comparisons are exact: "Hold", "OFF" and "00" count as anything else.
// How each stored button spelling maps is JoystickButtonSettingTest's table.
TEST_F(StartupTest, AnOpenedProgramAsksNothingAndRestoresThePushToTalkSettings) {
    struct Row {
        const char* general;  // lines after OpenedOnce and VoxtrelProfilesPath
        const char* key1;
        const char* key2;
        const char* button;
        bool ticked;
        const char* type;
        const char* initialState;
    };
    const Row rows[] = {
        {"", "", "", "None", true, "toggle", "on"},
        {"LastPTT1=LeftControl\r\nLastPTT2=Joy Hat\r\nLastBut=32\r\nPTTEnabled=1\r\n"
         "PTTInState=off\r\nPTTKind=hold\r\n",
         "LeftControl", "Joy Hat", "32", true, "hold", "off"},
        {"PTTEnabled=0\r\nPTTKind=toggle\r\nPTTInState=on\r\n", "", "", "None", false, "toggle",
         "on"},
        {"PTTKind=Hold\r\nPTTInState=OFF\r\nPTTEnabled=00\r\n", "", "", "None", true, "toggle",
         "on"},
        {"LastPTT1=vuoto\r\nLastPTT2=\r\nLastBut=vuoto\r\n", "", "", "None", true, "toggle", "on"},
        {"LastPTT1=\r\nLastBut=  7  \r\n", "", "", "7", true, "toggle", "on"},
    };
    QStringList buttons{QStringLiteral("None")};
    for (int number = 1; number <= 32; ++number) {
        buttons << QString::number(number);
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.general);
        Form1& window = startProgram(
            "[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n" +
            std::string(row.general));

        EXPECT_TRUE(messages_.shown.empty());
        EXPECT_TRUE(dialogs_.showings.empty());
        ASSERT_FALSE(window.endedWithStatus());
        EXPECT_EQ(state_.SettingsPath, settingsFile().wstring());
        EXPECT_EQ(state_.ProfilesFolder, QStringLiteral("/sim/voxtrel/profiles"));
        QStringList shownButtons;
        for (int i = 0; i < window.PTTJoyButton->count(); ++i) {
            shownButtons << window.PTTJoyButton->itemText(i);
        }
        EXPECT_EQ(shownButtons, buttons);
        EXPECT_EQ(window.Combo1->currentText(), QStringLiteral("1"));
        EXPECT_EQ(window.Combo2->currentText(), QStringLiteral("1"));
        EXPECT_EQ(window.txtCallsign->text(), QStringLiteral("Avenger"));

        EXPECT_EQ(window.txtPTTKey->text(), QString::fromUtf8(row.key1));
        EXPECT_EQ(window.txtPTTKey2->text(), QString::fromUtf8(row.key2));
        EXPECT_EQ(window.PTTJoyButton->currentText(), QString::fromUtf8(row.button));
        EXPECT_EQ(window.chkPTT->isChecked(), row.ticked);
        EXPECT_EQ(window.PTTType->currentText(), QString::fromUtf8(row.type));
        EXPECT_EQ(window.PTTInitState->currentText(), QString::fromUtf8(row.initialState));
        // The enable rule ran for the restored state.
        EXPECT_EQ(window.PTTType->isEnabled(), row.ticked);
        EXPECT_EQ(window.Label7->isEnabled(), row.ticked);
    }
}

// The first run: the chosen path is stored as given and the profiles folder is cut before the
// first "voxtrel.exe", in any letter case. A wrong file is refused plainly and the dialog comes
// back; nothing of a wrong choice is ever stored. A cancel ends the program, nothing stored.
TEST_F(StartupTest, TheFirstRunStoresTheChosenProgramAndItsProfilesFolder) {
    const std::string commands =
        "\r\n[Commands]\r\nCommand(1)=Rejoin\r\nPhrase(1)=callsign$ rejoin\r\nKeys(1)=F1\r\n";
    const std::string shipped = "[General]\r\nOpenedOnce=0\r\n" + commands;
    struct Row {
        const char* name;
        std::vector<const char*> chosen;  // the last one is voxtrel.exe, or nullptr: cancel
        const char* profiles;
    };
    const Row rows[] = {
        {"capitals", {"/Sim/Voxtrel/VOXTREL.EXE"}, "/Sim/Voxtrel/profiles"},
        {"two occurrences", {"/a/voxtrel.exe.d/Voxtrel.exe"}, "/a/profiles"},
        {"a wrong file first", {"/Sim/notepad.exe", "/Sim/V/voxtrel.exe"}, "/Sim/V/profiles"},
        {"cancel", {nullptr}, nullptr},
        {"cancel after a wrong file", {"/Sim/notepad.exe", nullptr}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList expectedTexts{
            QStringLiteral("You will now have to specify the Voxtrel folder")};
        for (std::size_t i = 0; i < row.chosen.size(); ++i) {
            const char* path = row.chosen[i];
            dialogs_.answers.push_back(path ? FileDialogResult(QString::fromUtf8(path))
                                            : std::nullopt);
            if (i + 1 < row.chosen.size()) {
                expectedTexts << NotVoxtrelExecutableText(QString::fromUtf8(path));
            }
        }
        if (!row.profiles) {
            expectedTexts << QStringLiteral("Error, closing program");
        }
        Form1& window = startProgram(shipped);

        ASSERT_EQ(messages_.texts(), expectedTexts);
        EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Wingcall"));
        ASSERT_EQ(dialogs_.showings.size(), row.chosen.size());
        for (const DialogShowing& showing : dialogs_.showings) {
            EXPECT_FALSE(showing.save);
            EXPECT_EQ(showing.parent, &window);
            EXPECT_EQ(showing.settings.title, QStringLiteral("Voxtrel Folder"));
            EXPECT_EQ(showing.settings.filter, QStringLiteral("voxtrel.exe|voxtrel.exe"));
        }
        if (!row.profiles) {
            EXPECT_EQ(messages_.shown.back().title, QStringLiteral("Error !!!"));
            EXPECT_EQ(window.endedWithStatus(), kExitFailure);
            EXPECT_EQ(settingsBytes(), shipped);
            continue;
        }
        EXPECT_EQ(SettingsLayout(settingsBytes()),
                  SettingsLayout(
                      "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=" + std::string(row.chosen.back()) +
                      "\r\nVoxtrelProfilesPath=" + row.profiles + "\r\n" + commands));
        EXPECT_EQ(state_.ProfilesFolder, QString::fromUtf8(row.profiles));
        EXPECT_FALSE(window.endedWithStatus());
        EXPECT_EQ(window.PTTJoyButton->count(), 33);
        EXPECT_EQ(state_.CommandTemplate.CommandCount, 1u);
    }
}

// Folders named outside the code page are stored so that the next start, and the start of
// Voxtrel, get the same paths back (on Windows possibly in their short form, which names the same
// file); a path stored by an earlier version in the code page still reads as it did.
TEST_F(StartupTest, TheFirstRunStoresPathsThatComeBackWhateverTheirLetters) {
    const std::string commands =
        "\r\n[Commands]\r\nCommand(1)=Rejoin\r\nPhrase(1)=callsign$ rejoin\r\nKeys(1)=F1\r\n";
    for (const char* name : {"\u0414\u043C\u0438\u0442\u0440\u0438\u0439 \u0441\u0438\u043C",
                             "\u0141\u00F3d\u017A \u20AC\u00E9", "\U0001F600", "Plain"}) {
        SCOPED_TRACE(name);
        const QString folder = pathIn(name) + QDir::separator();
        const QString executable = folder + QStringLiteral("voxtrel.exe");
        std::filesystem::create_directories(ToFilesystemPath(folder + QStringLiteral("profiles")));
        wingcall::testing::WriteBytes(ToFilesystemPath(executable), "");
        dialogs_.answers = {executable};
        startProgram("[General]\r\nOpenedOnce=0\r\n" + commands);
        ASSERT_EQ(messages_.texts().size(), 1);

        // The next start, then Generate and Yes.
        Form1& window = startProgram();
        EXPECT_TRUE(messages_.shown.empty());
        const auto sameFile = [](const QString& a, const QString& b) {
            std::error_code error;
            return std::filesystem::equivalent(ToFilesystemPath(a), ToFilesystemPath(b), error);
        };
        EXPECT_TRUE(sameFile(state_.ProfilesFolder, folder + QStringLiteral("profiles")))
            << state_.ProfilesFolder.toStdString();
        dialogs_.answers = {pathIn("profile.xml")};
        messages_.yesNoAnswers = {kAnswerYes};
        window.Generation();
        ASSERT_EQ(starter_.requests.size(), 1u);
        EXPECT_TRUE(sameFile(starter_.requests[0].executable, executable))
            << starter_.requests[0].executable.toStdString();
#ifndef _WIN32
        EXPECT_EQ(state_.ProfilesFolder, folder + QStringLiteral("profiles"));
        EXPECT_EQ(starter_.requests[0].executable, executable);
#endif
    }
#ifndef _WIN32
    dialogs_.answers = {pathIn("profile.xml")};
    messages_.yesNoAnswers = {kAnswerYes};
    startProgram(
        "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=/Sim/Jos\xE9/voxtrel.exe\r\n"
        "VoxtrelProfilesPath=/Sim/Jos\xE9/profiles\r\n" +
        commands)
        .Generation();
    EXPECT_EQ(state_.ProfilesFolder, QString::fromUtf8("/Sim/Jos\u00E9/profiles"));
    ASSERT_EQ(starter_.requests.size(), 1u);
    EXPECT_EQ(starter_.requests[0].executable, QString::fromUtf8("/Sim/Jos\u00E9/voxtrel.exe"));
#endif
}

// A path that no text of the settings file would give back is refused at once, with the reason,
// and nothing is stored; the dialog comes back for another choice.
TEST_F(StartupTest, AFirstRunPathThatCannotBeStoredIsRefusedAndNothingStored) {
    const std::string shipped = "[General]\r\nOpenedOnce=0\r\n";
    const struct {
        QString path;
        const char* problem;
    } cases[] = {
        {QStringLiteral("/Sim/") + QString(250, u'v') + QStringLiteral("/voxtrel.exe"), "too long"},
        {QStringLiteral("/Sim/voxtrel.exe "), "blank"},
        {QStringLiteral("/Sim/a\nb/voxtrel.exe"), "line break"},
        {QStringLiteral("\"/Sim/voxtrel.exe\""), "quotation mark"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.problem);
        dialogs_.answers = {c.path, QStringLiteral("/Sim/V/voxtrel.exe")};
        startProgram(shipped);
        ASSERT_EQ(messages_.texts().size(), 2);
        const QString& text = messages_.shown[1].text;
        EXPECT_TRUE(text.contains(c.path) && text.contains(c.problem) &&
                    text.contains(QStringLiteral("Nothing has been stored")))
            << text.toStdString();
        EXPECT_EQ(dialogs_.showings.size(), 2u);
        EXPECT_EQ(SettingsLayout(settingsBytes()),
                  SettingsLayout("[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=/Sim/V/voxtrel.exe\r\n"
                                 "VoxtrelProfilesPath=/Sim/V/profiles\r\n"));
    }
}

// A template whose Phrase family runs past the tables is named and the program ends with a
// failure, on the first run too, rather than showing a half-filled window.
TEST_F(StartupTest, ARefusedTemplateIsNamedAndTheProgramEndsWithAFailure) {
    for (const char* openedOnce : {"1", "0"}) {
        SCOPED_TRACE(openedOnce);
        dialogs_.answers = {QStringLiteral("/Sim/voxtrel.exe")};  // taken on the first run only
        Form1& window = startProgram("[General]\r\nOpenedOnce=" + std::string(openedOnce) +
                                     "\r\n\r\n[Commands]\r\nCommand(1)=Rejoin\r\nPhrase(1)=a\r\n"
                                     "Phrase(2)=b\r\nPhrase(3)=c\r\nKeys(1)=F1\r\n");

        ASSERT_FALSE(messages_.shown.empty());
        EXPECT_TRUE(messages_.shown.back().text.contains(QStringLiteral("Phrase(3)")))
            << messages_.shown.back().text.toStdString();
        EXPECT_NE(window.endedWithStatus().value_or(kExitNormal), kExitNormal);
    }
}

}  // namespace
}  // namespace wingcall::app::testing
