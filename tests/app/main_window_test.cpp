// The windows as built. The main window: its controls (tests/data/app_main_window_controls.txt),
// the push-to-talk enable rule, tab order and access keys. The instructions and append options
// windows: one visible window at a time, closing by button, frame or Escape, the append choice
// (tests/data/app_append_options.txt) and the key names page opened from the help text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>

#include "app/append_window.h"
#include "app/instructions_window.h"
#include "app/tool_tip_text.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

class MainWindowTest : public ProgramFolderTest {
  protected:
    // Presses Alt with `key` in `target`'s window, made active first. An access key clicks its
    // button the way a mouse does, with a short visible press, so the click lands a moment later.
    static void pressAlt(QWidget* target, Qt::Key key) {
        target->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(target));
        QTest::keyClick(target, key, Qt::AltModifier);
        QTest::qWait(300);
    }
};

TEST_F(MainWindowTest, EveryControlHasItsNameKindTextPlaceAndEntries) {
    Form1& window = freshWindow();
    for (const std::vector<std::string>& row : Rows("app_main_window_controls.txt", 10)) {
        SCOPED_TRACE(row[0]);
        auto* widget = window.findChild<QWidget*>(Q(row[0]));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(std::string(widget->metaObject()->className()), row[1]);
        EXPECT_EQ(widget->property("text").toString(), Q(row[2]));
        EXPECT_TRUE(widget->isEnabled());
        const QRect defined(std::stoi(row[3]), std::stoi(row[4]), std::stoi(row[5]),
                            std::stoi(row[6]));
        const QRect placed = widget->geometry();
        // A caption that the host's font makes too long widens its control, nothing else: a
        // button about its centre, a label or box from its left.
        const bool captioned =
            qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget);
        EXPECT_EQ(placed.top(), defined.top());
        EXPECT_EQ(placed.height(), defined.height());
        EXPECT_TRUE(captioned ? placed.width() >= defined.width()
                              : placed.width() == defined.width())
            << placed.width();
        if (qobject_cast<QPushButton*>(widget)) {
            EXPECT_NEAR(placed.center().x(), defined.center().x(), 1);
        } else {
            EXPECT_EQ(placed.left(), defined.left());
        }
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            ASSERT_NE(label->buddy(), nullptr);
            EXPECT_EQ(label->buddy()->objectName(), Q(row[7]));
            EXPECT_EQ(label->buddy()->accessibleName(), label->text());
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
        }
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            EXPECT_EQ(Entries(list), Q(row[8]).split(u',', Qt::SkipEmptyParts));
            EXPECT_FALSE(list->isEditable());
            EXPECT_EQ(list->currentIndex(), -1);
        }
    }
    EXPECT_EQ(window.cmdAppend->accessibleName(), QStringLiteral("Append Settings"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Wingcall"));
    EXPECT_EQ(window.minimumSize(), QSize(462, 428));
    EXPECT_EQ(window.maximumSize(), QSize(462, 428));
    EXPECT_TRUE(window.chkPTT->isChecked());
    // Text of any length stays whole: nothing is cut at Qt's default limit of 32,767.
    const QString longText(40000, QChar(u'k'));
    for (QLineEdit* box : {window.txtCallsign, window.txtPTTKey, window.txtPTTKey2}) {
        box->setText(longText);
        EXPECT_EQ(box->text().size(), longText.size()) << box->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, UntickingPushToTalkGreysExactlyItsControlsAndKeepsTheirValues) {
    Form1& window = freshWindow();
    window.PTTJoyButton->addItems({QStringLiteral("None"), QStringLiteral("1")});
    window.PTTJoyButton->setCurrentIndex(1);
    window.PTTType->setCurrentIndex(1);
    window.txtPTTKey->setText(QStringLiteral("LeftShift"));
    window.txtPTTKey2->setText(QStringLiteral("F12"));

    QStringList ruled;
    for (const std::vector<std::string>& row : Rows("app_main_window_controls.txt", 10)) {
        if (row[9] == "yes") {
            ruled << Q(row[0]);
        }
    }
    ruled.sort();
    const auto greyed = [&] {
        QStringList names;
        for (const QWidget* child : window.findChildren<QWidget*>()) {
            // A key box's warning icon is a part of the box, greyed with it.
            if (!child->isEnabled() && qobject_cast<QLineEdit*>(child->parentWidget()) == nullptr) {
                names << child->objectName();
            }
        }
        names.sort();
        return names;
    };

    window.chkPTT->setChecked(false);
    EXPECT_EQ(greyed(), ruled);
    EXPECT_EQ(window.PTTJoyButton->currentText(), QStringLiteral("1"));
    EXPECT_EQ(window.PTTType->currentText(), QStringLiteral("toggle"));
    EXPECT_EQ(window.txtPTTKey->text(), QStringLiteral("LeftShift"));

    window.chkPTT->setChecked(true);
    EXPECT_EQ(greyed(), QStringList());
    EXPECT_EQ(window.txtPTTKey2->text(), QStringLiteral("F12"));
}

// Tab skips what the enable rule greyed; closing the frame ends the program as Exit does.
TEST_F(MainWindowTest, TabVisitsTheInputsInOrderAndSkipsDisabledOnes) {
    Form1& window = shownWindow();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.txtCallsign->setFocus();
    const QWidget* expected[] = {window.Combo1,      window.Combo2,       window.chkPTT,
                                 window.PTTType,     window.PTTInitState, window.txtPTTKey,
                                 window.Command1,    window.txtPTTKey2,   window.PTTJoyButton,
                                 window.cmdGenerate, window.cmdAppend,    window.cmdExit,
                                 window.txtCallsign};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }

    window.chkPTT->setChecked(false);
    window.chkPTT->setFocus();
    QTest::keyClick(window.chkPTT, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.Command1);
    QTest::keyClick(window.Command1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.cmdGenerate);

    window.close();
    EXPECT_EQ(window.endedWithStatus(), kExitNormal);
}

// Alt G, I, A and E in the main window; Alt C closes the instructions; Alt E ticks and Alt C
// closes in the append options.
TEST_F(MainWindowTest, EveryAccessKeyRunsItsCommand) {
    Form1& window = shownWindow();
    dialogs_.answers = {std::nullopt};
    pressAlt(&window, Qt::Key_G);
    ASSERT_EQ(dialogs_.showings.size(), 1u);
    EXPECT_TRUE(dialogs_.showings[0].save);

    pressAlt(&window, Qt::Key_I);
    ASSERT_NE(window.instructionsWindow(), nullptr);
    EXPECT_FALSE(window.isVisible());
    pressAlt(window.instructionsWindow(), Qt::Key_C);
    EXPECT_TRUE(window.isVisible());

    pressAlt(&window, Qt::Key_A);
    Form3* appendOptions = window.appendOptionsWindow();
    ASSERT_NE(appendOptions, nullptr);
    pressAlt(appendOptions, Qt::Key_E);
    EXPECT_TRUE(appendOptions->chkAppend->isChecked());
    dialogs_.answers = {QStringLiteral("/profiles/old.xml")};
    pressAlt(appendOptions, Qt::Key_C);
    EXPECT_EQ(state_.AppendMode, 1);
    EXPECT_TRUE(window.isVisible());

    // Exit writes nothing, whatever the append choice.
    const std::string before = settingsBytes();
    int signalled = -1;
    QObject::connect(&window, &Form1::programEnded, [&](int status) { signalled = status; });
    pressAlt(&window, Qt::Key_E);
    EXPECT_EQ(signalled, kExitNormal);
    EXPECT_EQ(window.endedWithStatus(), kExitNormal);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(settingsBytes(), before);
}

using SecondaryWindowsTest = MainWindowTest;

// The instructions replace the window until closed by their button, the frame or Escape; the
// window comes back with the values it had.
TEST_F(SecondaryWindowsTest, InstructionsShowTheFiveLinesAndClosingBringsBackTheWindow) {
    EXPECT_EQ(Form2::HelpText(QStringLiteral("file:///opt/Wingcall/docs/key-names.html")),
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
    for (const char* closedBy : {"button", "frame", "escape"}) {
        SCOPED_TRACE(closedBy);
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
        if (closedBy == std::string_view("frame")) {
            instructions->close();
        } else if (closedBy == std::string_view("escape")) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(instructions));
            QTest::keyClick(instructions->Text1, Qt::Key_Escape);
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

// The box shows the choice in force; "&Close" applies it, Escape and the frame back out.
TEST_F(SecondaryWindowsTest, OnlyCloseAppliesTheAppendChoice) {
    for (const std::vector<std::string>& row : Rows("app_append_options.txt", 8)) {
        SCOPED_TRACE(row[0]);
        const bool tick = row[3] == "yes";
        const bool byButton = row[5] == "button";
        Form1& window = shownWindow();
        state_.AppendMode = std::stoi(row[1]);
        state_.AppendSourcePath = Q(row[2]);
        if (tick && byButton) {
            dialogs_.answers = {row[4] == "(cancel)" ? std::nullopt : FileDialogResult(Q(row[4]))};
        }

        window.cmdAppend_Click();
        QPointer<Form3> appendOptions = window.appendOptionsWindow();
        ASSERT_TRUE(appendOptions);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(appendOptions->chkAppend->isChecked(), state_.AppendMode == 1);
        // The box's tooltip and description name the profile the next Generate adds to.
        const QString before = QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(Q(row[2])));
        EXPECT_EQ(appendOptions->chkAppend->accessibleDescription().contains(before),
                  state_.AppendMode == 1);
        EXPECT_EQ(appendOptions->chkAppend->toolTip().simplified(),
                  appendOptions->chkAppend->accessibleDescription());
        appendOptions->chkAppend->setChecked(tick);
        const QWidget* dialogOwner = appendOptions.data();
        if (row[5] == "frame") {
            appendOptions->close();
        } else if (row[5] == "escape") {
            ASSERT_TRUE(QTest::qWaitForWindowActive(appendOptions));
            QTest::keyClick(appendOptions->chkAppend, Qt::Key_Escape);
        } else {
            appendOptions->cmdExit->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // discards closed

        EXPECT_EQ(state_.AppendMode, std::stoi(row[6]));
        EXPECT_EQ(state_.AppendSourcePath, Q(row[7]));
        EXPECT_FALSE(appendOptions);
        EXPECT_TRUE(window.isVisible());
        // The button's tooltip names the profile the next Generate adds to, and only then.
        const QString named = QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(Q(row[7])));
        EXPECT_EQ(window.cmdAppend->toolTip().simplified().contains(named), state_.AppendMode == 1)
            << window.cmdAppend->toolTip().toStdString();
        ASSERT_EQ(dialogs_.showings.size(), tick && byButton ? 1u : 0u);
        if (tick && byButton) {
            const DialogShowing& showing = dialogs_.showings[0];
            EXPECT_FALSE(showing.save);
            EXPECT_EQ(showing.parent, dialogOwner);
            EXPECT_TRUE(showing.settings.title.isEmpty());
            EXPECT_EQ(showing.settings.filter, QStringLiteral("VoxtrelProfiles|*.xml"));
            // With append mode on, the dialog offers the profile in force, in its folder.
            const bool wasOn = row[1] == "1";
            EXPECT_EQ(showing.settings.initialFolder,
                      wasOn ? QDir::toNativeSeparators(QStringLiteral("/p"))
                            : QStringLiteral("/sim/voxtrel/profiles"));
            EXPECT_EQ(showing.settings.fileName, wasOn ? Q(row[2]) : QString());
        }
    }
}

// Wingcall's own tooltips come in lines of at most about sixty characters, every word kept.
TEST_F(SecondaryWindowsTest, TooltipsAreShortLines) {
    EXPECT_EQ(WrappedToolTip(QStringLiteral("short")), QStringLiteral("short"));
    const QString long_ = QString(QStringLiteral("word ")).repeated(40) + QStringLiteral("\n\nend");
    const QString wrapped = WrappedToolTip(long_);
    EXPECT_EQ(QString(wrapped).replace(u'\n', u' ').simplified(), long_.simplified());
    EXPECT_TRUE(wrapped.endsWith(QStringLiteral("\n\nend")));

    Form1& window = shownWindow();
    window.cmdAppend_Click();
    const QList<QWidget*> tipped = {window.chkPTT, window.cmdAppend, window.txtPTTKey,
                                    window.appendOptionsWindow()->chkAppend};
    for (const QWidget* widget : tipped) {
        SCOPED_TRACE(widget->objectName().toStdString());
        EXPECT_FALSE(widget->toolTip().isEmpty());
        for (const QString& line : widget->toolTip().split(u'\n')) {
            EXPECT_LE(line.size(), kToolTipLineLength) << line.toStdString();
        }
    }
    window.appendOptionsWindow()->close();
}

// Enter presses the button that has the focus in each window; in a text box it does nothing.
TEST_F(SecondaryWindowsTest, EnterPressesTheFocusedButton) {
    Form1& window = shownWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.txtCallsign, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(dialogs_.showings.empty());

    window.Command1->setFocus();
    QTest::keyClick(window.Command1, Qt::Key_Return);
    QPointer<Form2> instructions = window.instructionsWindow();
    ASSERT_TRUE(instructions);
    EXPECT_FALSE(window.isVisible());
    instructions->Command1->setFocus();
    QTest::keyClick(instructions->Command1, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(window.isVisible());

    window.cmdAppend->setFocus();
    QTest::keyClick(window.cmdAppend, Qt::Key_Return);
    QPointer<Form3> appendOptions = window.appendOptionsWindow();
    ASSERT_TRUE(appendOptions);
    appendOptions->cmdExit->setFocus();
    QTest::keyClick(appendOptions->cmdExit, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());

    dialogs_.answers = {std::nullopt};
    window.cmdGenerate->setFocus();
    QTest::keyClick(window.cmdGenerate, Qt::Key_Return);
    ASSERT_EQ(dialogs_.showings.size(), 1u);
    EXPECT_TRUE(dialogs_.showings[0].save);
    EXPECT_EQ(messages_.texts(), QStringList{kGenerationAbortedText});
}

// The page address in the help text opens in the browser when clicked or when reached with Tab
// and activated with Enter; an address the browser cannot take is reported, naming the file.
TEST_F(SecondaryWindowsTest, TheKeyNamesPageOpensFromTheInstructionsByMouseAndByKeyboard) {
    const QString page = QString::fromStdString((folder_ / "docs/key-names.html").string());
    Form1& window = shownWindow();
    window.Command1_Click();
    Form2* instructions = window.instructionsWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(instructions));
    QTextBrowser* text = instructions->Text1;
    EXPECT_EQ(text->toPlainText(), Form2::HelpText(QUrl::fromLocalFile(page).toString())
                                       .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // The window opens with the focus in the text, at its top.
    ASSERT_EQ(QApplication::focusWidget(), text);
    EXPECT_TRUE(text->accessibleDescription().contains(
        QStringLiteral("Tab, then Enter, opens the list of key names")));
    QTest::keyClick(text, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), text) << "Tab reaches the link first";
    QTest::keyClick(text, Qt::Key_Return);
    ASSERT_EQ(urlOpener_.opened.size(), 1u);
    EXPECT_EQ(urlOpener_.opened[0], QUrl::fromLocalFile(page));

    urlOpener_.opens = false;
    QTextCursor address(text->document()->lastBlock().previous());
    const QRect shown = text->cursorRect(address);
    QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, shown.center() + QPoint(8, 0));
    ASSERT_EQ(urlOpener_.opened.size(), 2u);
    EXPECT_EQ(urlOpener_.opened[1], QUrl::fromLocalFile(page));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QDir::toNativeSeparators(page)));
    EXPECT_TRUE(instructions->isVisible());
}

}  // namespace
}  // namespace wingcall::app::testing
