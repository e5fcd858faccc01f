// The instructions and append options windows: one visible window at a time, the append choice.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "app/form2.h"
#include "app/form3.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

class SecondaryWindowsTest : public ProgramFolderTest {
  protected:
    Form1& shownWindow() {
        writeSettings("[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n");
        Form1& window = startProgram();
        window.show();
        return window;
    }

    // Lets Qt discard the windows whose deletion was posted.
    static void discardClosedWindows() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(SecondaryWindowsTest, InstructionsShowTheFiveLinesWithTheKeyNamesPage) {
    const QString page = QStringLiteral("file:///opt/Wingcall/docs/key-names.html");
    EXPECT_EQ(Form2::HelpText(page),
              QStringLiteral("Leave the text box blank if you do not wish to use a key \r\n"
                             "for the Push To Talk function.\r\n"
                             "\r\n"
                             "For a complete list of correct keystrokes please visit: \r\n"
                             "file:///opt/Wingcall/docs/key-names.html\r\n"));

    Form1& window = shownWindow();
    window.Command1_Click();
    Form2* instructions = window.instructionsWindow();
    ASSERT_NE(instructions, nullptr);
    const QString expectedPage =
        QUrl::fromLocalFile(QString::fromStdString((folder_ / "docs/key-names.html").string()))
            .toString();
    EXPECT_TRUE(instructions->Text1->toPlainText().contains(expectedPage));
    EXPECT_TRUE(instructions->Text1->isReadOnly());
    EXPECT_EQ(instructions->Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(instructions->Command1->text(), QStringLiteral("&Close"));
    EXPECT_EQ(instructions->windowTitle(), QStringLiteral("Wingcall"));
    EXPECT_EQ(instructions->size(), QSize(370, 182));
    EXPECT_EQ(instructions->Text1->geometry(), QRect(32, 24, 313, 89));
    EXPECT_TRUE(instructions->isVisible());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SecondaryWindowsTest, ClosingTheInstructionsBringsBackTheWindowWithItsValues) {
    Form1& window = shownWindow();
    window.txtCallsign->setText(QStringLiteral("Vip"));
    window.chkPTT->setChecked(false);

    for (const bool byFrame : {false, true}) {
        window.Command1_Click();
        QPointer<Form2> instructions = window.instructionsWindow();
        ASSERT_TRUE(instructions);
        if (byFrame) {
            instructions->close();
        } else {
            instructions->Command1->click();
        }
        discardClosedWindows();
        EXPECT_FALSE(instructions) << "discarded after closing";
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.txtCallsign->text(), QStringLiteral("Vip"));
        EXPECT_FALSE(window.txtPTTKey->isEnabled());
    }
}

// One close of the append options window: the box ticked or not, and what the dialog answers.
struct AppendCase {
    const char* name;
    int modeBefore;
    const char* sourceBefore;
    bool tick;
    std::optional<const char*> dialogAnswer;  // only asked when ticked; nullopt: cancel
    bool closeByFrame;
    int modeAfter;
    const char* sourceAfter;
};

class AppendOptionsTest : public SecondaryWindowsTest,
                          public ::testing::WithParamInterface<AppendCase> {};

TEST_P(AppendOptionsTest, CloseAppliesTheAppendChoice) {
    const AppendCase& c = GetParam();
    Form1& window = shownWindow();
    state_.AppendMode = c.modeBefore;
    state_.AppendSourcePath = QString::fromUtf8(c.sourceBefore);
    if (c.tick) {
        dialogs_.answers = {c.dialogAnswer ? FileDialogResult(QString::fromUtf8(*c.dialogAnswer))
                                           : FileDialogResult(std::nullopt)};
    }

    window.cmdAppend_Click();
    QPointer<Form3> appendOptions = window.appendOptionsWindow();
    ASSERT_TRUE(appendOptions);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(appendOptions->chkAppend->isChecked()) << "unticked at every opening";
    appendOptions->chkAppend->setChecked(c.tick);
    const QWidget* dialogOwner = appendOptions.data();
    if (c.closeByFrame) {
        appendOptions->close();
    } else {
        appendOptions->cmdExit->click();
    }
    discardClosedWindows();

    EXPECT_EQ(state_.AppendMode, c.modeAfter);
    EXPECT_EQ(state_.AppendSourcePath, QString::fromUtf8(c.sourceAfter));
    EXPECT_FALSE(appendOptions);
    EXPECT_TRUE(window.isVisible());
    if (c.tick) {
        ASSERT_EQ(dialogs_.showings.size(), 1u);
        const DialogShowing& showing = dialogs_.showings[0];
        EXPECT_FALSE(showing.save);
        EXPECT_EQ(showing.parent, dialogOwner);
        EXPECT_TRUE(showing.settings.title.isEmpty());
        EXPECT_EQ(showing.settings.filter, QStringLiteral("VoxtrelProfiles|*.xml"));
        EXPECT_EQ(showing.settings.initialFolder, QStringLiteral("/sim/voxtrel/profiles"));
    } else {
        EXPECT_TRUE(dialogs_.showings.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    StateMachine, AppendOptionsTest,
    ::testing::Values(
        AppendCase{"UntickedKeepsTheSource", 1, "/p/old.xml", false, std::nullopt, false, 0,
                   "/p/old.xml"},
        AppendCase{"TickedAndChosen", 0, "", true, "/p/chosen profile.xml", false, 1,
                   "/p/chosen profile.xml"},
        AppendCase{"TickedAndCancelled", 1, "/p/old.xml", true, std::nullopt, false, 0, ""},
        AppendCase{"FrameCloseAppliesTheChoice", 0, "", true, "/p/a.xml", true, 1, "/p/a.xml"},
        AppendCase{"FrameCloseUnticked", 1, "/p/a.xml", false, std::nullopt, true, 0, "/p/a.xml"}),
    [](const ::testing::TestParamInfo<AppendCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wingcall::app::testing
