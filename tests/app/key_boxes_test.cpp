// The boxes a pilot types into, driven through the real widgets: key names completed as typed, a
// name Voxtrel does not know marked as the stand-in finds it (tests/data/app_key_box_hints.txt),
// and characters a profile cannot hold left out of a paste.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QCompleter>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

#include <algorithm>

#include "app/key_name_box.h"
#include "app/key_names.h"
#include "app/tool_tip_text.h"
#include "key_vocabulary.h"
#include "profile_findings.h"
#include "program_folder_fixture.h"

namespace wingcall::app::testing {
namespace {

class KeyBoxesTest : public ProgramFolderTest {
  protected:
    Form1& activeWindow() {
        Form1& window = shownWindow();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        return window;
    }

    // The list the stand-in reads, from where the build lays it out for the stand-in.
    static voxtrel::KeyVocabulary StandInVocabulary() {
        voxtrel::KeyVocabulary vocabulary;
        EXPECT_TRUE(vocabulary.LoadFromFile(QStringLiteral(WINGCALL_STAND_IN_KEY_NAMES)))
            << vocabulary.LoadError().toStdString();
        return vocabulary;
    }
};

TEST_F(KeyBoxesTest, ANameVoxtrelDoesNotKnowIsMarkedWhileTypingExactlyAsTheStandInFindsIt) {
    const voxtrel::KeyVocabulary vocabulary = StandInVocabulary();
    EXPECT_EQ(KeyNames().size(), vocabulary.Size()) << "Wingcall's names are the stand-in's";
    for (const QString& name : KeyNames()) {
        EXPECT_TRUE(vocabulary.Contains(name)) << name.toStdString();
    }

    Form1& window = activeWindow();
    for (QLineEdit* box : {window.txtPTTKey, window.txtPTTKey2}) {
        const QRect placed = box->geometry();
        box->setFocus();
        for (const std::vector<std::string>& row : Rows("app_key_box_hints.txt", 3)) {
            const QString text = Q(row[0]);
            const bool unknown = row[1] == "yes";
            SCOPED_TRACE(box->objectName().toStdString() + ": \"" + row[0] + "\"");
            box->clear();
            QTest::keyClicks(box, text);
            box->completer()->popup()->hide();
            ASSERT_EQ(box->text(), text);

            // Screen readers hear the hint whole; the tooltip shows it in short lines.
            const QString tip = box->accessibleDescription();
            EXPECT_EQ(tip.contains(QStringLiteral("is not a key name Voxtrel knows")), unknown);
            EXPECT_TRUE(tip.endsWith(kKeyBoxHelp));
            EXPECT_EQ(box->toolTip(), WrappedToolTip(tip));
            if (row[2] != "-") {
                EXPECT_TRUE(tip.contains(QStringLiteral("\"%1\"").arg(Q(row[2]))))
                    << tip.toStdString();
            }
            // The frame turns red inside the box's own rectangle.
            EXPECT_EQ(box->geometry(), placed);
            const QColor edge = box->grab().toImage().pixelColor(0, box->height() / 2);
            EXPECT_EQ(edge == QColor(0xc0, 0x00, 0x00), unknown) << edge.name().toStdString();

            if (!text.isEmpty()) {
                voxtrel::Profile profile;
                profile.pushToTalk.present = true;
                profile.pushToTalk.inputs = {{voxtrel::PushToTalkInput::Kind::Key, text, 3}};
                const QList<voxtrel::Finding> findings = voxtrel::FindProblems(profile, vocabulary);
                EXPECT_EQ(std::any_of(findings.begin(), findings.end(),
                                      [](const voxtrel::Finding& finding) {
                                          return finding.kind ==
                                                 voxtrel::Finding::Kind::UnknownKeyName;
                                      }),
                          unknown)
                    << "the stand-in disagrees";
            }
        }
    }
}

TEST_F(KeyBoxesTest, KeyBoxesOfferNamesContainingWhatIsTypedInAnyCaseAndInsertThemAsListed) {
    Form1& window = activeWindow();
    for (QLineEdit* box : {window.txtPTTKey, window.txtPTTKey2}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, QStringLiteral("ctrl"));
        QAbstractItemView* popup = box->completer()->popup();
        ASSERT_TRUE(popup->isVisible());
        QStringList offered;
        for (int row = 0; row < popup->model()->rowCount(); ++row) {
            offered << popup->model()->index(row, 0).data().toString();
        }
        EXPECT_EQ(offered, QStringList({QStringLiteral("LCtrl"), QStringLiteral("RCtrl")}));
        EXPECT_TRUE(box->property("unknownKeyName").toBool()) << "marked until a name is chosen";
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        EXPECT_EQ(box->text(), QStringLiteral("RCtrl"));
        EXPECT_FALSE(box->property("unknownKeyName").toBool());
    }
}

// The other spellings come from one table, which Wingcall, the stand-in and the key names page
// all read: each means one listed name, the same one everywhere, and is no listed name itself.
TEST_F(KeyBoxesTest, EveryOtherSpellingMeansTheSameListedNameToWingcallTheStandInAndThePage) {
    voxtrel::KeyVocabulary standIn = StandInVocabulary();
    QFile aliases(QStringLiteral(WINGCALL_KEY_NAME_ALIASES));
    ASSERT_TRUE(aliases.open(QIODevice::ReadOnly));
    standIn.LoadAliasesFromText(QString::fromUtf8(aliases.readAll()));
    QFile pageFile(QStringLiteral(WINGCALL_KEY_NAMES_PAGE));
    ASSERT_TRUE(pageFile.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(pageFile.readAll());

    ASSERT_GE(KeyNameAliases().size(), 40);
    EXPECT_EQ(page.count(QStringLiteral("<code class=\"name\">")), KeyNameAliases().size());
    for (const auto& [name, others] : KeyNameAliases()) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(IsKnownKeyName(name));
        EXPECT_TRUE(page.contains(
            QStringLiteral("<tr><td><code class=\"name\">%1</code></td><td>%2</td></tr>")
                .arg(name, others.join(QStringLiteral(", ")))));
        for (const QString& other : others) {
            EXPECT_FALSE(IsKnownKeyName(other)) << other.toStdString();
            EXPECT_EQ(ListedSpellingOf(other), name) << other.toStdString();
            EXPECT_EQ(standIn.ListedNameFor(other), name) << other.toStdString();
        }
    }
}

// A text that means a listed name without holding it is offered that name first, and the box
// shows a warning icon inside it, not only a red frame.
TEST_F(KeyBoxesTest, ANearMissIsOfferedItsListedNameAndMarkedWithAnIcon) {
    Form1& window = activeWindow();
    QLineEdit* box = window.txtPTTKey;
    const QRect placed = box->geometry();
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, QStringLiteral("Right Ctrl"));
    QAbstractItemView* popup = box->completer()->popup();
    ASSERT_TRUE(popup->isVisible());
    ASSERT_GE(popup->model()->rowCount(), 1);
    EXPECT_EQ(popup->model()->index(0, 0).data().toString(), QStringLiteral("RCtrl"));
    auto* icon = box->findChild<QAction*>(QStringLiteral("unknownKeyNameIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->isVisible());
    EXPECT_TRUE(icon->toolTip().simplified().contains(QStringLiteral("Write it \"RCtrl\"")));
    EXPECT_EQ(box->geometry(), placed);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(box->text(), QStringLiteral("RCtrl"));
    EXPECT_FALSE(icon->isVisible());

    // Greyed with push-to-talk off, a box goes into no profile and warns of nothing.
    box->setText(QStringLiteral("Right Ctrl"));
    EXPECT_TRUE(icon->isVisible());
    window.chkPTT->setChecked(false);
    EXPECT_FALSE(icon->isVisible());
}

// C0 controls other than TAB, LF and CR, U+FFFE, U+FFFF and lone surrogate halves cannot be in
// an XML document; a paste loses them and keeps everything else, in order, at the cursor.
TEST_F(KeyBoxesTest, APasteLosesOnlyTheCharactersAProfileCannotHold) {
    QString pasted = QStringLiteral("a");
    for (const char16_t unit : {u'\x00', u'\x01', u'\x08', u'\x0B', u'\x0C', u'\x0E', u'\x1F'}) {
        pasted += QChar(unit);
    }
    pasted += QStringLiteral("b\tc") + QChar(0xFFFE) + QChar(0xFFFF) + QStringLiteral("\u00e9") +
              QChar(0xD83D) + QChar(0xD83D) + QChar(0xDE00) + QChar(0xDE00) + QStringLiteral("d") +
              QChar(0xDC00);
    const QString kept =
        QStringLiteral("ab\tc\u00e9") + QChar(0xD83D) + QChar(0xDE00) + QStringLiteral("d");

    Form1& window = activeWindow();
    for (QLineEdit* box : {window.txtCallsign, window.txtPTTKey, window.txtPTTKey2}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->setFocus();
        box->setText(QStringLiteral("[]"));
        box->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        if (box->completer()) {
            box->completer()->popup()->hide();
        }
        EXPECT_EQ(box->text(), QStringLiteral("[") + kept + QStringLiteral("]"));
        EXPECT_EQ(box->cursorPosition(), 1 + kept.size());
    }
}

}  // namespace
}  // namespace wingcall::app::testing
