// The main window as defined: its controls, the push-to-talk enable rule, tab order, access keys.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <set>

#include "app/form1.h"
#include "app/form2.h"
#include "app/form3.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

class MainWindowTest : public ProgramFolderTest {};

// Every control's name, kind, caption or stored text, and geometry in pixels (twips / 15).
struct ControlDefinition {
    const char* name;
    const char* className;
    const char* text;
    QRect geometry;
};

TEST_F(MainWindowTest, EveryControlHasItsNameKindTextPlaceAndEntries) {
    Form1& window = freshWindow();
    const ControlDefinition controls[] = {
        {"txtCallsign", "QLineEdit", "Avenger", {184, 24, 129, 19}},
        {"Label1", "QLabel", "Callsign", {56, 24, 81, 17}},
        {"Combo1", "QComboBox", "", {184, 64, 81, 21}},
        {"Label2", "QLabel", "Flight Number", {56, 64, 81, 17}},
        {"Label3", "QLabel", "Position in Flight", {56, 112, 81, 17}},
        {"Combo2", "QComboBox", "", {184, 112, 81, 21}},
        {"chkPTT", "QCheckBox", "PTT", {152, 144, 49, 17}},
        {"PTTType", "QComboBox", "", {184, 176, 81, 21}},
        {"PTTInitState", "QComboBox", "", {184, 208, 81, 21}},
        {"txtPTTKey", "QLineEdit", "", {184, 248, 129, 19}},
        {"Command1", "QPushButton", "&Instructions", {328, 248, 65, 17}},
        {"txtPTTKey2", "QLineEdit", "", {184, 288, 129, 19}},
        {"PTTJoyButton", "QComboBox", "", {184, 328, 81, 21}},
        {"cmdGenerate", "QPushButton", "&Generate", {48, 376, 81, 33}},
        {"cmdAppend", "QPushButton", "&Append Settings", {200, 376, 81, 33}},
        {"cmdExit", "QPushButton", "&Exit", {360, 376, 81, 33}},
        {"Label4", "QLabel", "PTT Type", {56, 176, 81, 17}},
        {"Label5", "QLabel", "Initial State", {56, 208, 81, 17}},
        {"Label6", "QLabel", "PTT Key 1", {56, 248, 81, 17}},
        {"Label7", "QLabel", "PTT Joystick Button", {56, 328, 105, 17}},
        {"Label8", "QLabel", "PTT Key 2", {56, 288, 81, 17}},
    };
    for (const ControlDefinition& control : controls) {
        auto* widget = window.findChild<QWidget*>(QString::fromLatin1(control.name));
        ASSERT_NE(widget, nullptr) << control.name;
        EXPECT_STREQ(widget->metaObject()->className(), control.className) << control.name;
        EXPECT_EQ(widget->property("text").toString(), QString::fromLatin1(control.text));
        EXPECT_TRUE(widget->isEnabled()) << control.name;
        const QRect placed = widget->geometry();
        const bool hasCaption =
            qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget);
        if (!hasCaption) {
            EXPECT_EQ(placed, control.geometry) << control.name;
            continue;
        }
        // A caption that the host's font makes too long widens its control, nothing else.
        EXPECT_EQ(placed.top(), control.geometry.top()) << control.name;
        EXPECT_EQ(placed.height(), control.geometry.height()) << control.name;
        EXPECT_GE(placed.width(), control.geometry.width()) << control.name;
        if (qobject_cast<QPushButton*>(widget)) {
            EXPECT_NEAR(placed.center().x(), control.geometry.center().x(), 1) << control.name;
        } else {
            EXPECT_EQ(placed.left(), control.geometry.left()) << control.name;
        }
    }
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Wingcall"));
    EXPECT_EQ(window.minimumSize(), QSize(462, 428));
    EXPECT_EQ(window.maximumSize(), QSize(462, 428));

    EXPECT_TRUE(window.chkPTT->isChecked());
    const std::pair<QComboBox*, QStringList> lists[] = {
        {window.Combo1, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        {window.Combo2, {"1", "2", "3", "4"}},
        {window.PTTType, {"hold", "toggle"}},
        {window.PTTInitState, {"on", "off"}},
        {window.PTTJoyButton, {}},
    };
    for (const auto& [list, entries] : lists) {
        QStringList shown;
        for (int i = 0; i < list->count(); ++i) {
            shown << list->itemText(i);
        }
        EXPECT_EQ(shown, entries) << list->objectName().toStdString();
        EXPECT_FALSE(list->isEditable());
        EXPECT_EQ(list->currentIndex(), -1);
    }
    // Text of any length stays whole: nothing is cut at Qt's default limit of 32,767.
    const QString longText(40000, QChar(u'k'));
    for (QLineEdit* box : {window.txtCallsign, window.txtPTTKey, window.txtPTTKey2}) {
        box->setText(longText);
        EXPECT_EQ(box->text().size(), longText.size()) << box->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, UntickingPushToTalkGreysExactlyTheTenControlsAndKeepsTheirValues) {
    Form1& window = freshWindow();
    window.PTTJoyButton->addItems({QStringLiteral("None"), QStringLiteral("1")});
    window.PTTJoyButton->setCurrentIndex(1);
    window.PTTType->setCurrentIndex(1);
    window.txtPTTKey->setText(QStringLiteral("LeftShift"));
    window.txtPTTKey2->setText(QStringLiteral("F12"));

    const std::set<QWidget*> ruled = {window.PTTType,     window.PTTInitState, window.txtPTTKey,
                                      window.txtPTTKey2,  window.Label4,       window.Label5,
                                      window.Label6,      window.Label7,       window.Label8,
                                      window.PTTJoyButton};
    window.chkPTT->setChecked(false);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        EXPECT_EQ(child->isEnabled(), ruled.count(child) == 0) << child->objectName().toStdString();
    }
    EXPECT_EQ(window.PTTJoyButton->currentText(), QStringLiteral("1"));
    EXPECT_EQ(window.PTTType->currentText(), QStringLiteral("toggle"));
    EXPECT_EQ(window.txtPTTKey->text(), QStringLiteral("LeftShift"));

    window.chkPTT->setChecked(true);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        EXPECT_TRUE(child->isEnabled()) << child->objectName().toStdString();
    }
    EXPECT_EQ(window.txtPTTKey2->text(), QStringLiteral("F12"));
}

TEST_F(MainWindowTest, InputsAreNamedByTheirLabelsForAssistiveTechnology) {
    Form1& window = freshWindow();
    const std::pair<QLabel*, QWidget*> pairs[] = {
        {window.Label1, window.txtCallsign},  {window.Label2, window.Combo1},
        {window.Label3, window.Combo2},       {window.Label4, window.PTTType},
        {window.Label5, window.PTTInitState}, {window.Label6, window.txtPTTKey},
        {window.Label7, window.PTTJoyButton}, {window.Label8, window.txtPTTKey2}};
    for (const auto& [label, input] : pairs) {
        EXPECT_EQ(label->buddy(), input);
        EXPECT_EQ(input->accessibleName(), label->text());
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(window.txtCallsign->accessibleName(), QStringLiteral("Callsign"));
    EXPECT_EQ(window.cmdAppend->accessibleName(), QStringLiteral("Append Settings"));
}

// The window shown and active, as the keyboard tests need it.
class ShownWindowTest : public MainWindowTest {
  protected:
    Form1& shownWindow() {
        Form1& window = startProgram("[General]\r\nOpenedOnce=1\r\n");
        window.show();
        return window;
    }

    // Presses Alt with `key` in `target`'s window, made active first. An access key clicks its
    // button the way a mouse does, with a short visible press, so the click lands a moment later.
    static void pressAlt(QWidget* target, Qt::Key key) {
        target->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(target));
        QTest::keyClick(target, key, Qt::AltModifier);
        QTest::qWait(300);
    }
};

TEST_F(ShownWindowTest, TabVisitsTheInputsInOrderAndSkipsDisabledOnes) {
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
}

// Alt G, I, A and E in the main window; Alt C closes the instructions; Alt E ticks and Alt C
// closes in the append options.
TEST_F(ShownWindowTest, EveryAccessKeyRunsItsCommand) {
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

TEST_F(ShownWindowTest, ClosingTheFrameEndsTheProgramLikeExit) {
    shownWindow().close();
    EXPECT_EQ(window_->endedWithStatus(), kExitNormal);
}

}  // namespace
}  // namespace wingcall::app::testing
