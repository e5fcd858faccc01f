// Generate: every way it can end (tests/data/app_generation_outcomes.txt), with the profile and
// the settings file on disk afterwards. The documents' layout is for the writers' own tests; here
// the profile must be what the writer makes of the window's values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include <filesystem>
#include <string>

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

using wingcall::testing::ReadBytes;
using wingcall::testing::WriteBytes;

constexpr std::string_view kTemplateSection =
    "\r\n[Commands]\r\nCommand(1)=\" Rejoin \"\r\n"
    "Phrase(1)=callsign$ flightnumber$ number$ rejoin\r\nKeys(1)=Backslash F3 F1 F1\r\n";

// A profile of another's making to add to, around its commands.
constexpr std::string_view kMergeSourceStart =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<voxtrel-config>\r\n<command-list>\r\n";
constexpr std::string_view kMergeSourceEnd =
    "<command name=\"Gear\" phrase=\"gear down\"><sequence keys=\"G\" /></command>\r\n"
    "</command-list>\r\n</voxtrel-config>\r\n";

// The template's command as Generate personalises it for flight two, position three.
CommandTables Personalised(const std::wstring& callsign = L"Viper") {
    return {{L"", L" Rejoin "},
            {L"", callsign + L" two three rejoin"},
            {L"", L"Backslash F3 F1 F1"},
            1};
}

// A new profile for the push-to-talk values startWith sets.
std::string NewProfile(const std::wstring& callsign = L"Viper", bool pushToTalk = true) {
    return NewProfileDocument(Personalised(callsign),
                              {pushToTalk, L"hold", L"off", L"LCtrl", L"3", L""});
}

class GenerationTest : public ProgramFolderTest {
  protected:
    void SetUp() override { std::filesystem::create_directories(folder_ / "voxtrel/profiles"); }

    std::string generalSection(bool withExecutable = true) const {
        return "[General]\r\nOpenedOnce=1\r\n" +
               (withExecutable ? "VoxtrelEXE=" + executable_.toStdString() + "\r\n" : "") +
               "VoxtrelProfilesPath=" + profilesFolder_.toStdString() + "\r\n";
    }

    // The six push-to-talk keys and the flight in the order Generate writes them, for the values
    // startWith sets.
    static std::string storedPushToTalk(bool ticked = true) {
        return "LastPTT1=LCtrl\r\nLastPTT2=\r\nLastBut=3\r\nPTTEnabled=" +
               std::string(ticked ? "1" : "0") +
               "\r\nPTTInState=off\r\nPTTKind=hold\r\nLastCallsign=Viper\r\n"
               "LastFlightNumber=2\r\nLastPosition=3\r\n";
    }

    Form1& startWith(bool withExecutable = true) {
        Form1& window =
            startProgram(generalSection(withExecutable) + std::string(kTemplateSection));
        EXPECT_FALSE(window.endedWithStatus());
        window.txtCallsign->setText(QStringLiteral("Viper"));
        window.Combo1->setCurrentIndex(1);
        window.Combo2->setCurrentIndex(2);
        window.PTTType->setCurrentText(QStringLiteral("hold"));
        window.PTTInitState->setCurrentText(QStringLiteral("off"));
        window.txtPTTKey->setText(QStringLiteral("LCtrl"));
        window.txtPTTKey2->clear();
        window.PTTJoyButton->setCurrentText(QStringLiteral("3"));
        settingsBefore_ = settingsBytes();
        return window;
    }

    std::filesystem::path profileFile(std::string_view name = "My Profile.xml") const {
        return folder_ / "voxtrel/profiles" / name;
    }
    QString profilePath(std::string_view name = "My Profile.xml") const {
        return QString::fromStdString(profileFile(name).string());
    }

    QString executable_ = pathIn("voxtrel/voxtrel.exe");
    QString profilesFolder_ = pathIn("voxtrel/profiles");
    std::string settingsBefore_;
};

// The save dialog, the profile and the settings file afterwards, the messages, Voxtrel started or
// not, and whether the window stays. A Generate that wrote nothing leaves the profile as it was;
// the next one personalises the template afresh, so the callsign shown then reaches the profile.
TEST_F(GenerationTest, EveryWayGenerateEnds) {
    const std::string mergeSource = NewProfile(L"Old", false);
    WriteBytes(profileFile("old.xml"), mergeSource);
    for (const std::vector<std::string>& row : Rows("app_generation_outcomes.txt", 9)) {
        SCOPED_TRACE(row[0]);
        const bool withExecutable = row[1] == "yes";
        const bool pushToTalk = row[3] == "yes";
        const bool written = !row[5].empty();
        Form1& window = startWith(withExecutable);
        WriteBytes(profileFile(), "previous content");
        std::filesystem::remove(profileFile("My Profile.xml.bak"));
        window.chkPTT->setChecked(pushToTalk);
        state_.AppendMode = row[2] == "no" ? 0 : 1;
        state_.AppendSourcePath = profilePath(row[2]);
        dialogs_.answers = {row[4] == "(cancel)" ? FileDialogResult() : profilePath(row[4])};
        // The second answer declines to choose voxtrel.exe again.
        messages_.yesNoAnswers = {row[5] == "yes" ? kAnswerYes : kAnswerNo, kAnswerNo};
        starter_.result = {row[6] == "yes",
                           row[6] == "yes" ? QString() : "the file does not exist."};

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
        EXPECT_EQ(ReadBytes(profileFile()), !written ? "previous content"
                                            : state_.AppendMode == 1
                                                ? MergedProfileDocument(Personalised(), mergeSource)
                                                : NewProfile(L"Viper", pushToTalk));
        // Nothing else is written: no temporary file left, no folder made; the profile replaced
        // is kept one step back.
        EXPECT_EQ(wingcall::testing::CountEntries(folder_ / "voxtrel/profiles"), written ? 3u : 2u);
        if (written) {
            EXPECT_EQ(ReadBytes(profileFile("My Profile.xml.bak")), "previous content");
        }
        EXPECT_EQ(SettingsLayout(settingsBytes()),
                  written
                      ? SettingsLayout(generalSection(withExecutable) +
                                       storedPushToTalk(pushToTalk) + std::string(kTemplateSection))
                      : SettingsLayout(settingsBefore_));

        const QStringList texts = messages_.texts();
        ASSERT_FALSE(texts.empty());
        if (const auto colon = row[7].find(": "); colon != std::string::npos) {
            EXPECT_EQ(texts.size(), 1);
            EXPECT_TRUE(texts[0].startsWith(ProfileNotWrittenText(QString())) &&
                        texts[0].contains(Q(row[7].substr(colon + 2))))
                << texts[0].toStdString();
            EXPECT_TRUE(texts[0].endsWith(
                row[7].starts_with("not writable")
                    ? QStringLiteral(
                          "\n\nPress Generate again and choose a folder you can write to "
                          "(for example Documents), or make this one writable.")
                    : "\n\nAppend mode still points at \"" + profilePath(row[2]) +
                          "\". Open Append Settings to choose another profile, or untick "
                          "Enable Append of Profile to write a new one."))
                << texts[0].toStdString();
        } else {
            QStringList expected;
            if (written) {
                expected << QStringLiteral("Do you want to start Voxtrel with this profile ?");
            }
            if (row[7] == "aborted") {
                expected << QStringLiteral("Profile generation aborted");
            } else if (row[7] == "location missing") {
                expected << VoxtrelLocationMissingText({QStringLiteral("VoxtrelEXE")},
                                                       profilePath());
            } else if (row[7] == "not started") {
                expected << VoxtrelNotStartedText(executable_, "the file does not exist.",
                                                  profilePath());
            }
            EXPECT_EQ(texts, expected);
            if (row[7] == "location missing" || row[7] == "not started") {
                // Where the profile is, and the offer to choose Voxtrel again; never a settings
                // key to edit.
                EXPECT_TRUE(texts.back().contains("The profile has been written to \"" +
                                                  profilePath() + "\"."));
                EXPECT_TRUE(texts.back().endsWith(QStringLiteral("\n\nChoose voxtrel.exe now?")));
                EXPECT_FALSE(texts.back().contains(QStringLiteral("OpenedOnce")));
                EXPECT_EQ(messages_.shown.back().buttons, MessageButtons::YesNo);
            }
        }
        EXPECT_EQ(messages_.shown[0].title, written ? "Start Voxtrel ?" : "Wingcall");
        EXPECT_EQ(messages_.shown[0].buttons, written ? MessageButtons::YesNo : MessageButtons::Ok);
        if (row[5] == "yes" && withExecutable) {
            ASSERT_EQ(starter_.requests.size(), 1u);
            EXPECT_EQ(starter_.requests[0].executable, executable_);
            // The path with its blank is one argument; no shell ever sees it.
            EXPECT_EQ(starter_.requests[0].arguments, QStringList{profilePath()});
        } else {
            EXPECT_TRUE(starter_.requests.empty());
        }
        EXPECT_EQ(window.endedWithStatus(),
                  row[8] == "yes" ? std::optional(kExitNormal) : std::nullopt);

        if (!written) {
            state_.AppendMode = 0;
            window.txtCallsign->setText(QStringLiteral("Cobra"));
            dialogs_.answers = {profilePath()};
            messages_.yesNoAnswers = {kAnswerNo};
            window.Generation();
            EXPECT_EQ(ReadBytes(profileFile()), NewProfile(L"Cobra"));
        }
    }
}

// tests/data/app_save_names.txt through the flow: the file written, remembered and handed to
// Voxtrel is the one the dialog gives back, extension and all.
TEST_F(GenerationTest, TheProfileIsWrittenAndLaunchedUnderTheNameTheDialogGivesBack) {
    for (const std::vector<std::string>& row : Rows("app_save_names.txt", 2)) {
        SCOPED_TRACE(row[0]);
        Form1& window = startWith();
        dialogs_.answers = {profilePath(row[0])};
        messages_.yesNoAnswers = {kAnswerYes};

        window.Generation();

        EXPECT_EQ(ReadBytes(profileFile(row[1])), NewProfile());
        EXPECT_EQ(row[0] == row[1], std::filesystem::exists(profileFile(row[0])));
        EXPECT_EQ(window.CommonDialog1.fileName, profilePath(row[1]));
        ASSERT_EQ(starter_.requests.size(), 1u);
        EXPECT_EQ(starter_.requests[0].arguments, QStringList{profilePath(row[1])});
        std::filesystem::remove(profileFile(row[1]));
    }
}

// A push-to-talk key Voxtrel does not know is asked about before the save dialog; No writes
// nothing and puts the focus in the box; with push-to-talk off nothing is asked.
TEST_F(GenerationTest, APushToTalkKeyVoxtrelDoesNotKnowIsAskedAboutFirst) {
    Form1& window = startWith();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.txtPTTKey->setText(QStringLiteral("Right Ctrl"));
    messages_.yesNoAnswers = {kAnswerNo};
    window.Generation();
    EXPECT_EQ(messages_.texts(),
              QStringList{QStringLiteral(
                  "PTT Key 1 holds \"Right Ctrl\", which is not a key name Voxtrel knows: "
                  "push-to-talk will not react to it. Write it \"RCtrl\"?\n\nGenerate anyway?")});
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_TRUE(dialogs_.showings.empty());
    EXPECT_EQ(settingsBytes(), settingsBefore_);
    EXPECT_EQ(wingcall::testing::CountEntries(folder_ / "voxtrel/profiles"), 0u);
    EXPECT_EQ(QApplication::focusWidget(), window.txtPTTKey);

    // Both boxes wrong: both named, the focus in the first; Yes goes on as always.
    window.txtPTTKey2->setText(QStringLiteral("Banana"));
    messages_.shown.clear();
    messages_.yesNoAnswers = {kAnswerYes, kAnswerNo};
    dialogs_.answers = {profilePath()};
    window.Generation();
    ASSERT_EQ(messages_.texts().size(), 2);
    EXPECT_EQ(messages_.texts()[0],
              QStringLiteral("PTT Key 1 holds \"Right Ctrl\", which is not a key name Voxtrel "
                             "knows: push-to-talk will not react to it. Write it \"RCtrl\"? PTT "
                             "Key 2 holds \"Banana\", which is not a key name Voxtrel knows: "
                             "push-to-talk will not react to it.\n\nGenerate anyway?"));
    EXPECT_EQ(messages_.texts()[1], kStartVoxtrelText);
    EXPECT_TRUE(std::filesystem::exists(profileFile()));

    window.chkPTT->setChecked(false);
    messages_.shown.clear();
    messages_.yesNoAnswers = {kAnswerNo};
    dialogs_.answers = {profilePath()};
    window.Generation();
    EXPECT_EQ(messages_.texts(), QStringList{kStartVoxtrelText});
}

// With append mode on, a profile that already holds calls about to be added is asked about first;
// No leaves everything as it was.
TEST_F(GenerationTest, AddingCallsTheProfileAlreadyHoldsIsAskedFirst) {
    Form1& window = startWith();
    // Voxtrel hears neither letter case nor extra blanks.
    const std::string source = std::string(kMergeSourceStart) +
                               "<command name=\"R\" phrase=\" VIPER  two three Rejoin\">"
                               "<sequence keys=\"F1\" /></command>\r\n" +
                               std::string(kMergeSourceEnd);
    WriteBytes(profileFile("MyJet.xml"), source);
    state_.AppendMode = 1;
    state_.AppendSourcePath = profilePath("MyJet.xml");
    const QString question = QStringLiteral(
        "\"MyJet.xml\" already holds 1 of the calls Wingcall is about to add, for example "
        "\"Viper two three rejoin\". Adding them again puts each of them in the profile twice, and "
        "Voxtrel cannot tell them apart.\n\nAdd them anyway?");

    messages_.yesNoAnswers = {kAnswerNo};
    window.Generation();
    EXPECT_EQ(messages_.texts(), QStringList{question});
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_TRUE(dialogs_.showings.empty());
    EXPECT_EQ(ReadBytes(profileFile("MyJet.xml")), source);
    EXPECT_EQ(settingsBytes(), settingsBefore_);
    EXPECT_EQ(wingcall::testing::CountEntries(folder_ / "voxtrel/profiles"), 1u);
    EXPECT_FALSE(window.endedWithStatus());

    messages_.shown.clear();
    messages_.yesNoAnswers = {kAnswerYes, kAnswerNo};
    dialogs_.answers = {profilePath("MyJet.xml")};
    window.Generation();
    EXPECT_EQ(messages_.texts(), (QStringList{question, kStartVoxtrelText}));
    EXPECT_EQ(ReadBytes(profileFile("MyJet.xml")), MergedProfileDocument(Personalised(), source));
    EXPECT_EQ(ReadBytes(profileFile("MyJet.xml.bak")), source);

    // A profile in UTF-8, with its byte-order mark, is read as such.
    WriteBytes(profileFile("MyJet.xml"), "\xEF\xBB\xBF" + source);
    messages_.shown.clear();
    messages_.yesNoAnswers = {kAnswerNo};
    window.Generation();
    EXPECT_EQ(messages_.texts(), QStringList{question});

    // Other calls, or a profile that cannot be read (left to the merge), ask nothing.
    for (const std::string& other : {std::string(kMergeSourceStart) + std::string(kMergeSourceEnd),
                                     std::string("not xml <")}) {
        WriteBytes(profileFile("MyJet.xml"), other);
        dialogs_.showings.clear();
        messages_.shown.clear();
        messages_.yesNoAnswers = {kAnswerNo};
        dialogs_.answers = {profilePath("Other.xml")};
        window.Generation();
        ASSERT_FALSE(messages_.shown.empty());
        EXPECT_NE(messages_.shown[0].buttons, MessageButtons::YesNoDefaultNo);
        EXPECT_EQ(dialogs_.showings.size(), 1u);
        dialogs_.showings.clear();
    }
}

// When Voxtrel cannot be started, or Wingcall.ini does not say where it is, the pilot may choose
// voxtrel.exe at once; the choice is stored as at the first run and started with the profile.
TEST_F(GenerationTest, VoxtrelCanBeChosenAgainWhenItCannotBeStarted) {
    const QString other = pathIn("Voxtrel 2/VOXTREL.EXE");
    for (const bool locationMissing : {true, false}) {
        SCOPED_TRACE(locationMissing ? "location missing" : "not started");
        Form1& window = startWith(!locationMissing);
        starter_.result = {!locationMissing ? false : true, QStringLiteral("it moved.")};
        dialogs_.answers = {profilePath(), pathIn("notes.txt"), other};
        messages_.yesNoAnswers = {kAnswerYes, kAnswerYes};
        if (!locationMissing) {
            // The second start fails too; No then keeps the window.
            messages_.yesNoAnswers.push_back(kAnswerNo);
        }
        window.Generation();

        const QStringList texts = messages_.texts();
        ASSERT_GE(texts.size(), 3);
        EXPECT_TRUE(texts[1].endsWith(kChooseVoxtrelNowQuestion)) << texts[1].toStdString();
        EXPECT_EQ(texts[2], NotVoxtrelExecutableText(pathIn("notes.txt")));
        ASSERT_EQ(dialogs_.showings.size(), 3u);
        for (const std::size_t again : {1u, 2u}) {
            EXPECT_FALSE(dialogs_.showings[again].save);
            EXPECT_EQ(dialogs_.showings[again].settings.title, QStringLiteral("Voxtrel Folder"));
            EXPECT_EQ(dialogs_.showings[again].settings.filter,
                      QStringLiteral("voxtrel.exe|voxtrel.exe"));
        }
        const std::string settings = settingsBytes();
        EXPECT_NE(settings.find("VoxtrelEXE=" + other.toStdString() + "\r\n"), std::string::npos)
            << settings;
        EXPECT_NE(settings.find(
                      "VoxtrelProfilesPath=" + pathIn("Voxtrel 2/profiles").toStdString() + "\r\n"),
                  std::string::npos);
        ASSERT_FALSE(starter_.requests.empty());
        EXPECT_EQ(starter_.requests.back().executable, other);
        EXPECT_EQ(starter_.requests.back().arguments, QStringList{profilePath()});
        if (locationMissing) {
            EXPECT_EQ(starter_.requests.size(), 1u);
            EXPECT_EQ(window.endedWithStatus(), kExitNormal);
        } else {
            EXPECT_EQ(starter_.requests.size(), 2u);
            EXPECT_EQ(texts.size(), 4);
            EXPECT_FALSE(window.endedWithStatus());
        }
    }
}

// A relative VoxtrelEXE, typed into Wingcall.ini by hand, names a file from Wingcall's folder.
TEST_F(GenerationTest, ARelativeVoxtrelPathIsTakenFromWingcallsFolder) {
    executable_ = QStringLiteral("voxtrel/voxtrel.exe");
    Form1& window = startWith();
    dialogs_.answers = {profilePath()};
    messages_.yesNoAnswers = {kAnswerYes};
    window.Generation();
    ASSERT_EQ(starter_.requests.size(), 1u);
    EXPECT_EQ(starter_.requests[0].executable,
              QDir::toNativeSeparators(pathIn("voxtrel/voxtrel.exe")));
}

#ifdef __linux__
// Sets or clears a file's immutable flag, as chattr +i and -i do: even root cannot replace an
// immutable file, so a write of it fails as for a pilot in a read-only folder. 0, or the errno.
int SetImmutable(const std::filesystem::path& path, bool immutable) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    bool done = descriptor >= 0 && ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    const int error = done ? 0 : errno;
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    return error;
}
#endif

// A Wingcall.ini that cannot be written: the first run's three writes and Generate's six are each
// reported once, with the system's reason, and each flow goes on as if they had held (the window
// opens, the profile is written, the launch question comes).
TEST_F(GenerationTest, SettingsThatCannotBeSavedAreReportedOncePerStepAndTheFlowGoesOn) {
    // Another program holding the file for the whole wait has a message of its own.
    const std::string busy = "Wingcall.ini is being written by another program";
    EXPECT_EQ(SettingsNotSavedText(QStringLiteral("x"), {true, busy}), Q(busy));
    // A file marked read-only in a folder Wingcall can write to is told how to clear the mark;
    // any other failure to move the folder.
    WriteBytes(settingsFile(), "[General]\r\n");
    const QString markedPath = QString::fromStdString(settingsFile().string());
    EXPECT_TRUE(SettingsNotSavedText(markedPath, {false, "Disk full"})
                    .contains(QStringLiteral("Move the whole Wingcall folder")));
    std::filesystem::permissions(
        settingsFile(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_TRUE(SettingsNotSavedText(markedPath, {false, "Permission denied"})
                    .contains(QStringLiteral("The file Wingcall.ini is marked read-only")));
    std::filesystem::permissions(settingsFile(), std::filesystem::perms::owner_all);
#ifndef __linux__
    GTEST_SKIP() << "a file even an administrator cannot replace is made with chattr +i here";
#else
    // An immutable Wingcall.ini is one marked read-only in a folder Wingcall can write to; an
    // immutable program folder is one Wingcall cannot write to at all.
    for (const bool onlyTheFile : {true, false}) {
        SCOPED_TRACE(onlyTheFile ? "read-only file" : "read-only folder");
        writeSettings("[General]\r\nOpenedOnce=0\r\n" + std::string(kTemplateSection));
        const std::string settingsBefore = settingsBytes();
        const std::filesystem::path marked = onlyTheFile ? settingsFile() : folder_.path();
        // Cleared however the test ends, so that the scratch folder can go.
        const struct Undo {
            std::filesystem::path path;
            ~Undo() { SetImmutable(path, false); }
        } undo{marked};
        if (const int error = SetImmutable(marked, true)) {
            GTEST_SKIP() << "this file system does not take chattr +i: " << std::strerror(error);
        }
        const QString settingsPath = QString::fromStdString(settingsFile().string());
        const auto expectReported = [&](const QString& text) {
            const QString start =
                "Wingcall could not save its settings in \"" + settingsPath + "\": ";
            const QString end =
                onlyTheFile
                    ? QStringLiteral(
                          ".\n\nThe file Wingcall.ini is marked read-only. Close Wingcall, clear "
                          "the mark and start Wingcall again: on Windows, right-click "
                          "Wingcall.ini in Explorer, choose Properties and untick Read-only; on "
                          "Linux, make the file writable (chmod u+w Wingcall.ini, or chattr -i "
                          "as root for a file made immutable).")
                    : QStringLiteral(
                          ".\n\nWingcall keeps its settings beside the program. Move the whole "
                          "Wingcall folder to a folder you can write to (for example Documents) "
                          "and start it from there.");
            EXPECT_TRUE(text.startsWith(start) && text.endsWith(end) &&
                        text.size() > start.size() + end.size())
                << text.toStdString();
        };
        dialogs_.answers = {executable_};
        Form1& window = startProgram();
        QStringList texts = messages_.texts();
        ASSERT_EQ(texts.size(), 2);
        EXPECT_EQ(texts[0], kSpecifyVoxtrelText);
        expectReported(texts[1]);
        EXPECT_FALSE(window.endedWithStatus());
        EXPECT_EQ(state_.CommandTemplate.CommandCount, 1u);

        // Wingcall.ini does not say where Voxtrel is, but this run does: the launch starts the
        // voxtrel.exe chosen a moment ago.
        messages_.shown.clear();
        dialogs_.answers = {profilePath()};
        messages_.yesNoAnswers = {kAnswerYes};
        window.Generation();
        texts = messages_.texts();
        ASSERT_EQ(texts.size(), 2);
        expectReported(texts[0]);
        EXPECT_EQ(texts[1], kStartVoxtrelText);
        EXPECT_TRUE(std::filesystem::exists(profileFile()));
        EXPECT_EQ(settingsBytes(), settingsBefore);
        ASSERT_EQ(starter_.requests.size(), 1u);
        EXPECT_EQ(starter_.requests[0].executable, executable_);
        EXPECT_EQ(window.endedWithStatus(), kExitNormal);
        state_ = WingcallState();
    }
#endif
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
