// Help for the pilot typing into a push-to-talk key box: completion from the key names Voxtrel
// knows, and a hint while the text is no such name. Nothing here refuses a text or stops Generate.
#pragma once

#include <QString>

class QLineEdit;

namespace wingcall::app {

// What a key box takes, shown as its tooltip.
inline const QString kKeyBoxHelp = QStringLiteral(
    "One key name, written as listed (letter case counts), for example RCtrl or F12. Leave the box "
    "empty for no key. The list of key names is in Instructions.");

// The hint for a key box holding `text`, or empty when `text` is empty (no key) or a key name
// Voxtrel knows exactly as typed.
QString UnknownKeyNameHint(const QString& text);

// Gives `box` the completion and keeps its hint (tooltip, frame, accessible description) up to
// date with its text.
void HelpTypingKeyNames(QLineEdit* box);

}  // namespace wingcall::app
