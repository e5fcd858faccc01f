// The key boxes' completion and their unknown-name hint. Voxtrel takes a push-to-talk key only
// when its text is one listed name, letter case and all, so that is exactly what is marked.
#include "app/key_name_box.h"

#include <QCompleter>
#include <QLineEdit>
#include <QStyle>

#include "app/key_names.h"
#include "app/tool_tip_text.h"

namespace wingcall::app {
namespace {

// A frame drawn inside the box's own rectangle, so nothing around it moves. A greyed box (push-
// to-talk off) is written into no profile, so it keeps its usual frame.
const QString kHintFrame =
    QStringLiteral("QLineEdit[unknownKeyName=\"true\"]:enabled { border: 2px solid #c00000; }");

void ShowHint(QLineEdit* box) {
    const QString hint = UnknownKeyNameHint(box->text());
    const QString help = hint.isEmpty() ? kKeyBoxHelp : hint + QStringLiteral("\n\n") + kKeyBoxHelp;
    box->setToolTip(WrappedToolTip(help));
    box->setAccessibleDescription(help);
    const bool unknown = !hint.isEmpty();
    if (box->property("unknownKeyName").toBool() != unknown) {
        box->setProperty("unknownKeyName", unknown);
        // A property selector is matched when the box is polished, so it is polished again.
        box->style()->unpolish(box);
        box->style()->polish(box);
        box->update();
    }
}

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
                      " Pick a name from the list that opens as you type, or look it up in "
                      "Instructions.");
}

void HelpTypingKeyNames(QLineEdit* box) {
    auto* completer = new QCompleter(KeyNames(), box);
    // "ctrl" offers LCtrl and RCtrl; a chosen name goes in as listed.
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    box->setCompleter(completer);
    box->setStyleSheet(kHintFrame);
    QObject::connect(box, &QLineEdit::textChanged, box, [box] { ShowHint(box); });
    ShowHint(box);
}

}  // namespace wingcall::app
