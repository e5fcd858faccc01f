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
        Form1& window = startProgram(
            "[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n");
        window.show();
        return window;
    }
};

// The instructions replace the window until closed by their button or the frame; the window
// comes back with the values it had.
TEST_F(SecondaryWindowsTest, InstructionsShowTheFiveLinesAndClosingBringsBackTheWindow) {
    const QString page = QStringLiteral("file:///opt/Wingcall/docs/key-names.html");
    EXPECT_EQ(Form2::HelpText(page),
              QStringLiteral("Leave the text box blank if you do not wish to use a key \r\n"
                             "for the Push To Talk function.\r\n"
                             "\r\n"
                             "For a complete list of correct keystrokes please visit: \r\n"
                             "file:///opt/Wingcall/docs/key-names.html\r\n"));
    const QString shippedPage =
        QUrl::fromLocalFile(QString::fromStdString((folder_ / "docs/key-names.html").string()))
            .toString();

    Form1& window = shownWindow();
    window.txtCallsign->setText(QStringLiteral("Vip"));
    window.chkPTT->setChecked(false);
    for (const bool byFrame : {false, true}) {
        window.Command1_Click();
        QPointer<Form2> instructions = window.instructionsWindow();
        ASSERT_TRUE(instructions);
        EXPECT_TRUE(instructions->Text1->toPlainText().contains(shippedPage));
        EXPECT_TRUE(instructions->Text1->isReadOnly());
        EXPECT_EQ(instructions->Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_EQ(instructions->Command1->text(), QStringLiteral("&Close"));
        EXPECT_EQ(instructions->windowTitle(), QStringLiteral("Wingcall"));
        EXPECT_EQ(instructions->size(), QSize(370, 182));
        EXPECT_EQ(instructions->Text1->geometry(), QRect(32, 24, 313, 89));
        EXPECT_TRUE(instructions->isVisible());
        EXPECT_FALSE(window.isVisible());
        if (byFrame) {
            instructions->close();
        } else {
            instructions->Command1->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(instructions) << "discarded after closing";
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.txtCallsign->text(), QStringLiteral("Vip"));
        EXPECT_FALSE(window.txtPTTKey->isEnabled());
    }
}

// One close of the append options window: the box ticked or not, and what the dialog answers.
TEST_F(SecondaryWindowsTest, ClosingTheAppendOptionsAppliesTheAppendChoice) {
    struct Row {
        const char* name;
        int modeBefore;
        const char* sourceBefore;
        bool tick;
        const char* dialogAnswer;  // only asked when ticked; nullptr: cancel
        bool closeByFrame;
        int modeAfter;
        const char* sourceAfter;
    };
    const Row rows[] = {
        {"unticked keeps the source", 1, "/p/old.xml", false, nullptr, false, 0, "/p/old.xml"},
        {"ticked and chosen", 0, "", true, "/p/chosen profile.xml", false, 1,
         "/p/chosen profile.xml"},
        {"ticked and cancelled", 1, "/p/old.xml", true, nullptr, false, 0, ""},
        {"frame close applies the choice", 0, "", true, "/p/a.xml", true, 1, "/p/a.xml"},
        {"frame close unticked", 1, "/p/a.xml", false, nullptr, true, 0, "/p/a.xml"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Form1& window = shownWindow();
        state_.AppendMode = row.modeBefore;
        state_.AppendSourcePath = QString::fromUtf8(row.sourceBefore);
        if (row.tick) {
            dialogs_.answers = {std::nullopt};
            if (row.dialogAnswer) {
                dialogs_.answers[0] = QString::fromUtf8(row.dialogAnswer);
            }
        }

        window.cmdAppend_Click();
        QPointer<Form3> appendOptions = window.appendOptionsWindow();
        ASSERT_TRUE(appendOptions);
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(appendOptions->chkAppend->isChecked()) << "unticked at every opening";
        appendOptions->chkAppend->setChecked(row.tick);
        const QWidget* dialogOwner = appendOptions.data();
        if (row.closeByFrame) {
            appendOptions->close();
        } else {
            appendOptions->cmdExit->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // discards closed

        EXPECT_EQ(state_.AppendMode, row.modeAfter);
        EXPECT_EQ(state_.AppendSourcePath, QString::fromUtf8(row.sourceAfter));
        EXPECT_FALSE(appendOptions);
        EXPECT_TRUE(window.isVisible());
        ASSERT_EQ(dialogs_.showings.size(), row.tick ? 1u : 0u);
        if (row.tick) {
            const DialogShowing& showing = dialogs_.showings[0];
            EXPECT_FALSE(showing.save);
            EXPECT_EQ(showing.parent, dialogOwner);
            EXPECT_TRUE(showing.settings.title.isEmpty());
            EXPECT_EQ(showing.settings.filter, QStringLiteral("VoxtrelProfiles|*.xml"));
            EXPECT_EQ(showing.settings.initialFolder, QStringLiteral("/sim/voxtrel/profiles"));
        }
    }
}

}  // namespace
}  // namespace wingcall::app::testing
