// Start-up: the presence check, the first run (tests/data/app_first_run_choices.txt), and the
// window restored from each kind of file (tests/data/app_restored_push_to_talk.txt).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/text_conversion.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

constexpr std::string_view kCommands =
    "\r\n[Commands]\r\nCommand(1)=Rejoin\r\nPhrase(1)=callsign$ rejoin\r\nKeys(1)=F1\r\n";

class StartupTest : public ProgramFolderTest {
  protected:
    std::string firstRunSettings() const {
        return "[General]\r\nOpenedOnce=0\r\n" + std::string(kCommands);
    }
};

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
    AppServices services{dialogs_, messages_, starter_, rootFiles, urlOpener_};
    Form1(state_, services).Form_Load();
    EXPECT_EQ(FromWide(state_.SettingsPath), root + QStringLiteral("Wingcall.ini"));
}

// A folder whose name the system cannot hand over as text is never swapped for another one (the
// root, with a Wingcall.ini anyone may have left there): Wingcall says so and ends.
TEST_F(StartupTest, AProgramFolderWithoutANameEndsTheProgramWithoutReadingAnything) {
    for (const QString& folder : {QString(), QStringLiteral("/home/pilot/Caf\uFFFD/Wingcall")}) {
        SCOPED_TRACE(folder.toStdString());
        FolderHostFiles unnamed(folder);
        AppServices services{dialogs_, messages_, starter_, unnamed, urlOpener_};
        messages_.shown.clear();
        Form1 window(state_, services);
        window.Form_Load();
        EXPECT_EQ(messages_.texts(), QStringList{ProgramFolderUnnamedText()});
        EXPECT_EQ(window.endedWithStatus(), kExitFailure);
        EXPECT_TRUE(state_.SettingsPath.empty());
        EXPECT_EQ(window.PTTJoyButton->count(), 0);
    }
}

// The flight of the last profile comes back when it is one the window can show; anything else
// leaves the defaults.
TEST_F(StartupTest, TheLastFlightComesBackWhenItIsValid) {
    const std::string general =
        "[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n";
    Form1* window = &startProgram(
        general + "LastCallsign=Cobra Leader\r\nLastFlightNumber=9\r\nLastPosition=4\r\n" +
        std::string(kCommands));
    EXPECT_EQ(window->txtCallsign->text(), QStringLiteral("Cobra Leader"));
    EXPECT_EQ(window->Combo1->currentText(), QStringLiteral("9"));
    EXPECT_EQ(window->Combo2->currentText(), QStringLiteral("4"));

    window = &startProgram(general +
                           "LastCallsign=Bad\x01Name\r\nLastFlightNumber=10\r\nLastPosition=0\r\n" +
                           std::string(kCommands));
    EXPECT_TRUE(messages_.shown.empty());
    // The box would not take the control character either.
    EXPECT_EQ(window->txtCallsign->text(), QStringLiteral("BadName"));
    EXPECT_EQ(window->Combo1->currentText(), QStringLiteral("1"));
    EXPECT_EQ(window->Combo2->currentText(), QStringLiteral("1"));

    window = &startProgram(general + "LastCallsign=\r\nLastFlightNumber=3x\r\n" +
                           std::string(kCommands));
    EXPECT_EQ(window->txtCallsign->text(), QString()) << "an empty callsign was the last one";
    EXPECT_EQ(window->Combo1->currentText(), QStringLiteral("1"));
}

// A template with a gap is told once the window is up, naming the keys and the mend; the tables
// stay as loaded. The shipped template, and the plain one here, say nothing.
TEST_F(StartupTest, ATemplateThatLeavesCallsOutIsToldOnceTheWindowIsUp) {
    const std::string general =
        "[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n";
    Form1* window = &startProgram(general + std::string(kCommands));
    window->TellTemplateFindings();
    EXPECT_TRUE(messages_.shown.empty());

    window =
        &startProgram(general +
                      "\r\n[Commands]\r\nCommand(1)=A\r\nPhrase(1)=callsing$ a\r\nKeys(1)=F1\r\n"
                      "Command(3)=C\r\nPhrase(3)=c\r\nKeys(3)=F1\r\n");
    EXPECT_TRUE(messages_.shown.empty()) << "not before the window is up";
    EXPECT_EQ(state_.CommandTemplate.CommandCount, 1u);
    window->TellTemplateFindings();
    ASSERT_EQ(messages_.shown.size(), 1u);
    const QString text = messages_.shown[0].text;
    EXPECT_TRUE(
        text.contains(QStringLiteral("- Command(2) is missing, so Command(3) is left out of every "
                                     "profile.")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\"callsing$\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("number the calls 1, 2, 3")));
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::Ok);
    window->TellTemplateFindings();
    EXPECT_EQ(messages_.shown.size(), 1u) << "told once";
    EXPECT_FALSE(window->endedWithStatus());

    // At most ten findings are listed, with a count of the others.
    QStringList many;
    for (int i = 1; i <= 13; ++i) {
        many << QStringLiteral("Finding %1.").arg(i);
    }
    const QString listed = TemplateFindingsText(QStringLiteral("W.ini"), many);
    EXPECT_TRUE(listed.contains(QStringLiteral("- Finding 10.")));
    EXPECT_FALSE(listed.contains(QStringLiteral("- Finding 11.")));
    EXPECT_TRUE(listed.contains(QStringLiteral("- and 3 more findings.")));
}

// An opened program asks nothing, fills the lists, and shows the push-to-talk settings as
// stored in [General]; the enable rule runs for the restored state.
TEST_F(StartupTest, AnOpenedProgramAsksNothingAndRestoresThePushToTalkSettings) {
    QStringList buttons{QStringLiteral("None")};
    for (int number = 1; number <= 32; ++number) {
        buttons << QString::number(number);
    }
    for (const std::vector<std::string>& row : Rows("app_restored_push_to_talk.txt", 7)) {
        SCOPED_TRACE(row[0]);
        Form1& window = startProgram(
            "[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n" + row[0]);

        EXPECT_TRUE(messages_.shown.empty());
        EXPECT_TRUE(dialogs_.showings.empty());
        ASSERT_FALSE(window.endedWithStatus());
        EXPECT_EQ(state_.SettingsPath, settingsFile().wstring());
        EXPECT_EQ(state_.ProfilesFolder, QStringLiteral("/sim/voxtrel/profiles"));
        EXPECT_EQ(Entries(window.PTTJoyButton), buttons);
        EXPECT_EQ(window.Combo1->currentText(), QStringLiteral("1"));
        EXPECT_EQ(window.Combo2->currentText(), QStringLiteral("1"));
        EXPECT_EQ(window.txtCallsign->text(), QStringLiteral("Avenger"));

        EXPECT_EQ(window.txtPTTKey->text(), Q(row[1]));
        EXPECT_EQ(window.txtPTTKey2->text(), Q(row[2]));
        EXPECT_EQ(window.PTTJoyButton->currentText(), Q(row[3]));
        EXPECT_EQ(window.chkPTT->isChecked(), row[4] == "yes");
        EXPECT_EQ(window.PTTType->currentText(), Q(row[5]));
        EXPECT_EQ(window.PTTInitState->currentText(), Q(row[6]));
        EXPECT_EQ(window.PTTType->isEnabled(), row[4] == "yes");
        EXPECT_EQ(window.Label7->isEnabled(), row[4] == "yes");
    }
}

// The chosen path is stored as given. A refused choice is never stored and the dialog comes back;
// a cancel ends the program, nothing stored.
TEST_F(StartupTest, TheFirstRunStoresTheChosenProgramAndItsProfilesFolder) {
    for (const std::vector<std::string>& row : Rows("app_first_run_choices.txt", 5)) {
        SCOPED_TRACE(row[0]);
        const QString refused = Q(row[1]);
        const bool ends = row[3] == "(cancel)";
        if (!refused.isEmpty()) {
            dialogs_.answers.push_back(refused);
        }
        dialogs_.answers.push_back(ends ? std::nullopt : FileDialogResult(Q(row[3])));
        Form1& window = startProgram(firstRunSettings());

        QStringList texts = messages_.texts();
        ASSERT_EQ(texts.size(), 1 + !refused.isEmpty() + ends);
        EXPECT_EQ(texts[0], QStringLiteral("You will now have to specify the Voxtrel folder"));
        EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Wingcall"));
        if (row[2] == "not voxtrel.exe") {
            EXPECT_EQ(texts[1], NotVoxtrelExecutableText(refused));
        } else if (!refused.isEmpty()) {
            EXPECT_TRUE(texts[1].contains(refused) && texts[1].contains(Q(row[2])) &&
                        texts[1].contains(QStringLiteral("Nothing has been stored")))
                << texts[1].toStdString();
        }
        ASSERT_EQ(dialogs_.showings.size(), 1u + !refused.isEmpty());
        for (const DialogShowing& showing : dialogs_.showings) {
            EXPECT_FALSE(showing.save);
            EXPECT_EQ(showing.parent, &window);
            EXPECT_EQ(showing.settings.title, QStringLiteral("Voxtrel Folder"));
            EXPECT_EQ(showing.settings.filter, QStringLiteral("voxtrel.exe|voxtrel.exe"));
        }
        if (ends) {
            EXPECT_EQ(texts.back(), QStringLiteral("Error, closing program"));
            EXPECT_EQ(messages_.shown.back().title, QStringLiteral("Error !!!"));
            EXPECT_EQ(window.endedWithStatus(), kExitFailure);
            EXPECT_EQ(settingsBytes(), firstRunSettings());
            continue;
        }
        EXPECT_EQ(
            SettingsLayout(settingsBytes()),
            SettingsLayout("[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=" + row[3] +
                           "\r\nVoxtrelProfilesPath=" + row[4] + "\r\n" + std::string(kCommands)));
        EXPECT_EQ(state_.ProfilesFolder, Q(row[4]));
        // Start-up went on as for an opened program, template and all.
        EXPECT_FALSE(window.endedWithStatus());
        EXPECT_EQ(state_.CommandTemplate.CommandCount, 1u);
    }
}

// Folders named outside the code page are stored so that the next start, and the start of
// Voxtrel, get the same paths back (on Windows possibly in their short form, which names the same
// file); a path stored by an earlier version in the code page still reads as it did.
TEST_F(StartupTest, TheFirstRunStoresPathsThatComeBackWhateverTheirLetters) {
    // What comes back names the same file; off Windows it is the same text as well.
    const auto expectSameFile = [](const QString& given, const QString& chosen) {
        std::error_code error;
        EXPECT_TRUE(
            std::filesystem::equivalent(ToFilesystemPath(given), ToFilesystemPath(chosen), error))
            << given.toStdString();
#ifndef _WIN32
        EXPECT_EQ(given, chosen);
#endif
    };
    for (const char* name : {"\u0414\u043C\u0438\u0442\u0440\u0438\u0439 \u0441\u0438\u043C",
                             "\u0141\u00F3d\u017A \u20AC\u00E9", "\U0001F600", "\uFFFD", "Plain"}) {
        SCOPED_TRACE(name);
        const QString folder = pathIn(name) + QDir::separator();
        const QString executable = folder + QStringLiteral("voxtrel.exe");
        std::filesystem::create_directories(ToFilesystemPath(folder + QStringLiteral("profiles")));
        wingcall::testing::WriteBytes(ToFilesystemPath(executable), "");
        dialogs_.answers = {executable};
        startProgram(firstRunSettings());
        ASSERT_EQ(messages_.texts().size(), 1);

        // The next start, then Generate and Yes.
        Form1& window = startProgram();
        EXPECT_TRUE(messages_.shown.empty());
        expectSameFile(state_.ProfilesFolder, folder + QStringLiteral("profiles"));
        dialogs_.answers = {pathIn("profile.xml")};
        messages_.yesNoAnswers = {kAnswerYes};
        window.Generation();
        ASSERT_EQ(starter_.requests.size(), 1u);
        expectSameFile(starter_.requests[0].executable, executable);
    }
#ifndef _WIN32
    // A folder whose name is not UTF-8 comes from the dialog with U+FFFD for its bytes, a path
    // that names no file: refused, and the next choice is stored.
    const std::filesystem::path notUtf8 = folder_.path() / "Jos\xE9";
    std::filesystem::create_directories(notUtf8);
    wingcall::testing::WriteBytes(notUtf8 / "voxtrel.exe", "");
    const QString refused = QFile::decodeName((notUtf8 / "voxtrel.exe").c_str());
    dialogs_.answers = {refused, pathIn("Plain/voxtrel.exe")};
    startProgram(firstRunSettings());
    ASSERT_EQ(messages_.texts().size(), 2);
    const QString told = messages_.texts()[1];
    EXPECT_TRUE(told.startsWith(QStringLiteral("Wingcall cannot remember where this Voxtrel is")) &&
                told.contains(refused) && told.contains(QStringLiteral("not valid UTF-8")))
        << told.toStdString();
    EXPECT_EQ(state_.ProfilesFolder, pathIn("Plain/profiles"));

    dialogs_.answers = {pathIn("profile.xml")};
    messages_.yesNoAnswers = {kAnswerYes};
    startProgram(
        "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=/Sim/Jos\xE9/voxtrel.exe\r\n"
        "VoxtrelProfilesPath=/Sim/Jos\xE9/profiles\r\n" +
        std::string(kCommands))
        .Generation();
    EXPECT_EQ(state_.ProfilesFolder, QString::fromUtf8("/Sim/Jos\u00E9/profiles"));
    ASSERT_EQ(starter_.requests.size(), 1u);
    EXPECT_EQ(starter_.requests[0].executable, QString::fromUtf8("/Sim/Jos\u00E9/voxtrel.exe"));
#endif
}

// A template whose Phrase family runs past the tables is named and the program ends with a
// failure rather than showing a half-filled window. (The first run goes on to the same load: the
// first-run test sees its template loaded.)
TEST_F(StartupTest, ARefusedTemplateIsNamedAndTheProgramEndsWithAFailure) {
    Form1& window = startProgram(
        "[General]\r\nOpenedOnce=1\r\n\r\n[Commands]\r\nCommand(1)=Rejoin\r\nPhrase(1)=a\r\n"
        "Phrase(2)=b\r\nPhrase(3)=c\r\nKeys(1)=F1\r\n");

    ASSERT_FALSE(messages_.shown.empty());
    EXPECT_TRUE(messages_.shown.back().text.contains(QStringLiteral("Phrase(3)")))
        << messages_.shown.back().text.toStdString();
    EXPECT_NE(window.endedWithStatus().value_or(kExitNormal), kExitNormal);
}

}  // namespace
}  // namespace wingcall::app::testing
