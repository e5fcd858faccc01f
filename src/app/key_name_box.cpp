// The key boxes' completion and their unknown-name hint. Voxtrel takes a push-to-talk key only
// when its text is one listed name, letter case and all, so that is exactly what is marked.
#include "app/key_name_box.h"

#include <QAction>
#include <QCompleter>
#include <QEvent>
#include <QLineEdit>
#include <QStyle>

#include <algorithm>

#include "app/key_names.h"
#include "app/tool_tip_text.h"

namespace wingcall::app {
namespace {

// A frame drawn inside the box's own rectangle, so nothing around it moves. A greyed box (push-
// to-talk off) is written into no profile, so it keeps its usual frame.
const QString kHintFrame =
    QStringLiteral("QLineEdit[unknownKeyName=\"true\"]:enabled { border: 2px solid #c00000; }");

// Completes from the listed names that hold what is typed; a text that none holds but that means
// a listed name ("Right Ctrl") is offered that name.
class KeyNameCompleter final : public QCompleter {
  public:
    explicit KeyNameCompleter(QObject* parent) : QCompleter(KeyNames(), parent) {}

    QStringList splitPath(const QString& path) const override {
        const QString meant = ListedSpellingOf(path.trimmed());
        const bool someNameHoldsIt = std::any_of(
            KeyNames().begin(), KeyNames().end(),
            [&](const QString& name) { return name.contains(path, Qt::CaseInsensitive); });
        if (!meant.isEmpty() && !someNameHoldsIt) {
            return {meant};
        }
        return QCompleter::splitPath(path);
    }
};

void ShowHint(QLineEdit* box, QAction* warning) {
    const QString hint = UnknownKeyNameHint(box->text());
    const QString help = hint.isEmpty() ? kKeyBoxHelp : hint + QStringLiteral("\n\n") + kKeyBoxHelp;
    box->setToolTip(WrappedToolTip(help));
    box->setAccessibleDescription(help);
    const bool unknown = !hint.isEmpty();
    // The icon inside the box tells what the red frame tells, to eyes that do not see the red.
    warning->setVisible(unknown && box->isEnabled());
    warning->setToolTip(WrappedToolTip(hint));
    if (box->property("unknownKeyName").toBool() != unknown) {
        box->setProperty("unknownKeyName", unknown);
        // A property selector is matched when the box is polished, so it is polished again.
        box->style()->unpolish(box);
        box->style()->polish(box);
        box->update();
    }
}

// Shows or hides the warning icon when push-to-talk greys the box or brings it back.
class HintOnEnabledChange final : public QObject {
  public:
    HintOnEnabledChange(QLineEdit* box, QAction* warning)
        : QObject(box), box_(box), warning_(warning) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == box_ && event->type() == QEvent::EnabledChange) {
            ShowHint(box_, warning_);
        }
        return false;
    }

  private:
    QLineEdit* box_;
    QAction* warning_;
};

}  // namespace

QString UnknownKeyNameHint(const QString& text) {
    if (text.isEmpty() || IsKnownKeyName(text)) {
        return QString();
    }
    const QString meant = ListedSpellingOf(text.trimmed());
    const QString what = QStringLiteral(
                             "\"%1\" is not a key name Voxtrel knows: Generate writes it as typed, "
                             "and Voxtrel will not react to it.")
                             .arg(text);
    if (!meant.isEmpty()) {
        return what + QStringLiteral(" Write it \"%1\": letter case and blanks count.").arg(meant);
    }
    return what + QStringLiteral(
                      " Pick a name from the list that opens as you type, or open the list of "
                      "key names from Instructions.");
}

QString UnknownPushToTalkKeySentence(const QString& boxName, const QString& text) {
    if (text.isEmpty() || IsKnownKeyName(text)) {
        return QString();
    }
    QString sentence = QStringLiteral(
                           "%1 holds \"%2\", which is not a key name Voxtrel knows: push-to-talk "
                           "will not react to it.")
                           .arg(boxName, text);
    const QString meant = ListedSpellingOf(text.trimmed());
    if (!meant.isEmpty()) {
        sentence += QStringLiteral(" Write it \"%1\"?").arg(meant);
    }
    return sentence;
}

void HelpTypingKeyNames(QLineEdit* box) {
    auto* completer = new KeyNameCompleter(box);
    // "ctrl" offers LCtrl and RCtrl; a chosen name goes in as listed.
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    box->setCompleter(completer);
    box->setStyleSheet(kHintFrame);
    QAction* warning = box->addAction(box->style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                      QLineEdit::TrailingPosition);
    warning->setObjectName(QStringLiteral("unknownKeyNameIcon"));
    QObject::connect(box, &QLineEdit::textChanged, box, [box, warning] { ShowHint(box, warning); });
    // A greyed box is written into no profile: it shows no warning.
    box->installEventFilter(new HintOnEnabledChange(box, warning));
    ShowHint(box, warning);
}

}  // namespace wingcall::app
