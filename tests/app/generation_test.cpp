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

constexpr std::string_view kTemplateSection =
    "\r\n[Commands]\r\nCommand(1)=\" Rejoin \"\r\n"
    "Phrase(1)=callsign$ flightnumber$ number$ rejoin\r\nKeys(1)=Backslash F3 F1 F1\r\n";

// The template's call for flight two, position three. The new-profile writer trims the stored
// name " Rejoin "; the merge keeps it as stored.
std::string Block(std::string_view name, std::string_view callsign = "Viper") {
    return "                <command name=\"" + std::string(name) + "\" phrase=\"" +
           std::string(callsign) +
           " two three rejoin\">\r\n"
           "                        <sequence keys=\"Backslash F3 F1 F1\" />\r\n"
           "                </command>\r\n\r\n";
}

std::string ExpectedNewProfile(std::string_view callsign = "Viper", bool pushToTalk = true) {
    return std::string(kHeader) + Block("Rejoin", callsign) + "       </command-list>\r\n" +
           (pushToTalk ? "         <push-to-talk mode=\"hold\" initial-state=\"off\">\r\n"
                         "          <key type=\"LeftControl\" />\r\n"
                         "          <button number=\"3\" />\r\n"
                         "         </push-to-talk>\r\n"
                       : "") +
           "</voxtrel-config>\r\n";
}

class GenerationTest : public ProgramFolderTest {
  protected:
    void SetUp() override { std::filesystem::create_directories(folder_ / "voxtrel/profiles"); }

    std::string generalSection(bool withExecutable = true) const {
        return "[General]\r\nOpenedOnce=1\r\n" +
               (withExecutable ? "VoxtrelEXE=" + executable_.toStdString() + "\r\n" : "") +
               "VoxtrelProfilesPath=" + profilesFolder_.toStdString() + "\r\n";
    }

    // The six push-to-talk keys in the order Generate writes them, for the values startWith sets.
    static std::string storedPushToTalk(bool ticked = true) {
        return "LastPTT1=LeftControl\r\nLastPTT2=\r\nLastBut=3\r\nPTTEnabled=" +
               std::string(ticked ? "1" : "0") + "\r\nPTTInState=off\r\nPTTKind=hold\r\n";
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
        window.txtPTTKey->setText(QStringLiteral("LeftControl"));
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

// A cancel writes and stores nothing; the next Generate personalises the template afresh, so
// the callsign shown then reaches the profile, not the one the cancelled run used.
TEST_F(GenerationTest, CancelAtTheSaveDialogWritesNothingAndSaysSo) {
    Form1& window = startWith();
    dialogs_.answers = {std::nullopt, profilePath()};
    messages_.yesNoAnswers = {kAnswerNo};

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
    EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Profile generation aborted"));
    EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Wingcall"));
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(wingcall::testing::CountEntries(folder_ / "voxtrel/profiles"), 0u);
    EXPECT_EQ(settingsBytes(), settingsBefore_);
    EXPECT_FALSE(window.endedWithStatus());

    window.txtCallsign->setText(QStringLiteral("Cobra"));
    window.Generation();
    EXPECT_EQ(ReadBytes(profileFile()), ExpectedNewProfile("Cobra"));
}

// Once the profile and all six settings are stored: the pilot's answer to "start Voxtrel?" and
// what follows it.
enum class AfterAnswer { Nothing, LocationMissing, NotStarted };

struct OutcomeCase {
    const char* name;
    bool withExecutable;  // the settings file names voxtrel.exe
    bool append;          // merge in front of an existing profile
    bool pushToTalk;
    int answer;
    bool starterFails;
    AfterAnswer message;  // what the box after the question says
    bool ends;
};

class GenerationOutcomeTest : public GenerationTest,
                              public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(GenerationOutcomeTest, StoresEverythingThenFollowsTheAnswer) {
    const OutcomeCase& c = GetParam();
    Form1& window = startWith(c.withExecutable);
    window.chkPTT->setChecked(c.pushToTalk);
    // An earlier profile without push-to-talk, whose call is carried over by the merge.
    const std::string appendSource = ExpectedNewProfile("Old", false);
    if (c.append) {
        WriteBytes(profileFile("old.xml"), appendSource);
        state_.AppendMode = 1;
        state_.AppendSourcePath = profilePath("old.xml");
    }
    dialogs_.answers = {profilePath()};
    messages_.yesNoAnswers = {c.answer};
    if (c.starterFails) {
        starter_.result = {false, QStringLiteral("the file does not exist.")};
    }

    window.Generation();

    // The merge carries the source over from the blank line after its list opening.
    const std::string merged =
        std::string(kHeader) + Block(" Rejoin ") + appendSource.substr(kHeader.size() - 2);
    EXPECT_EQ(ReadBytes(profileFile()),
              c.append ? merged : ExpectedNewProfile("Viper", c.pushToTalk));
    EXPECT_EQ(SettingsLayout(settingsBytes()),
              SettingsLayout(generalSection(c.withExecutable) + storedPushToTalk(c.pushToTalk) +
                             std::string(kTemplateSection)));
    QStringList expectedTexts{QStringLiteral("Do you want to start Voxtrel with this profile ?")};
    if (c.message == AfterAnswer::LocationMissing) {
        expectedTexts << VoxtrelLocationMissingText({QStringLiteral("VoxtrelEXE")});
    } else if (c.message == AfterAnswer::NotStarted) {
        expectedTexts << VoxtrelNotStartedText(executable_, "the file does not exist.");
    }
    EXPECT_EQ(messages_.texts(), expectedTexts);
    ASSERT_FALSE(messages_.shown.empty());
    EXPECT_EQ(messages_.shown[0].title, QStringLiteral("Start Voxtrel ?"));
    EXPECT_EQ(messages_.shown[0].buttons, MessageButtons::YesNo);
    if (c.answer == kAnswerYes && c.withExecutable) {
        ASSERT_EQ(starter_.requests.size(), 1u);
        EXPECT_EQ(starter_.requests[0].executable, executable_);
        // The path with its blank is one argument; no shell ever sees it.
        EXPECT_EQ(starter_.requests[0].arguments, QStringList{profilePath()});
    } else {
        EXPECT_TRUE(starter_.requests.empty());
    }
    EXPECT_EQ(window.endedWithStatus(), c.ends ? std::optional(kExitNormal) : std::nullopt);
}

using enum AfterAnswer;
const OutcomeCase kOutcomes[] = {
    {"NoKeepsTheWindow", true, false, true, kAnswerNo, false, Nothing, false},
    {"YesStartsVoxtrelWithTheProfileAndEnds", true, false, true, kAnswerYes, false, Nothing, true},
    {"YesWithoutTheExecutableKeySaysSoAndEnds", false, false, true, kAnswerYes, false,
     LocationMissing, true},
    {"YesWhenVoxtrelCannotStartSaysWhyAndKeepsTheWindow", true, false, true, kAnswerYes, true,
     NotStarted, false},
    {"AppendModeMergesInFrontOfTheChosenProfile", true, true, true, kAnswerNo, false, Nothing,
     false},
    {"UntickedPushToTalkIsStoredAsZeroAndGivesNoBlock", true, false, false, kAnswerNo, false,
     Nothing, false},
};
INSTANTIATE_TEST_SUITE_P(Answers, GenerationOutcomeTest, ::testing::ValuesIn(kOutcomes),
                         [](const auto& info) { return std::string(info.param.name); });

// A writer that fails (target folder missing, append source unreadable or no profile to add to)
// says which file, leaves the target and the source as they were, stores no settings and keeps
// the window.
TEST_F(GenerationTest, AFailedWriteNamesTheFileKeepsTheTargetAndStoresNothing) {
    const struct {
        const char* what;
        bool append;
        const char* source;
        const char* named;
    } cases[] = {
        {"missing target folder", false, nullptr, "no such folder/profile.xml"},
        {"unreadable append source", true, nullptr, "source.xml"},
        {"append source on one line", true,
         "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?><voxtrel-config></voxtrel-config>",
         "</voxtrel-config>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Form1& window = startWith();
        WriteBytes(profileFile(), "previous content");
        if (c.source != nullptr) {
            WriteBytes(profileFile("source.xml"), c.source);
        }
        state_.AppendMode = c.append ? 1 : 0;
        state_.AppendSourcePath = profilePath("source.xml");
        dialogs_.answers = {c.append ? profilePath() : pathIn("no such folder/profile.xml")};

        window.Generation();

        ASSERT_EQ(messages_.shown.size(), 1u);
        const QString& text = messages_.shown[0].text;
        EXPECT_TRUE(text.startsWith(ProfileNotWrittenText(QString()))) << text.toStdString();
        EXPECT_TRUE(text.contains(c.named)) << text.toStdString();
        EXPECT_TRUE(text.contains("source.xml") || !c.append) << text.toStdString();
        EXPECT_EQ(ReadBytes(profileFile()), "previous content");
        if (c.source != nullptr) {
            EXPECT_EQ(ReadBytes(profileFile("source.xml")), c.source);
        }
        EXPECT_FALSE(std::filesystem::exists(folder_ / "no such folder"));
        EXPECT_EQ(settingsBytes(), settingsBefore_);
        EXPECT_FALSE(window.endedWithStatus());
        std::filesystem::remove(profileFile("source.xml"));
    }
}

TEST_F(GenerationTest, ACallsignThatNeverStopsFormingPlaceholdersIsRefusedBeforeTheDialog) {
    writeSettings(generalSection() +
                  "\r\n[Commands]\r\nCommand(1)=Loop\r\n"
                  "Phrase(1)=callsigncallsign$\r\nKeys(1)=F1\r\n");
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
