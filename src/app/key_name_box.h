// Help for the pilot typing into a push-to-talk key box: completion from the key names Voxtrel
// knows, and a hint while the text is no such name. Nothing here refuses a text or stops Generate.
#pragma once

#include <QString>

class QLineEdit;

namespace wingcall::app {

// What a key box takes, shown as its tooltip.
inline const QString kKeyBoxHelp = QStringLiteral(
    "One key name, written as listed (letter case counts), for example RCtrl or F12. Leave the box "
    "empty for no key. Instructions opens the list of key names.");

// The hint for a key box holding `text`, or empty when `text` is empty (no key) or a key name
// Voxtrel knows exactly as typed.
QString UnknownKeyNameHint(const QString& text);

// The sentence of the question Generate asks about a push-to-talk key box named `boxName` ("PTT
// Key 1") holding `text`, with the listed name it means where there is one; empty when the box is
// empty or holds a name Voxtrel knows.
QString UnknownPushToTalkKeySentence(const QString& boxName, const QString& text);

// Gives `box` the completion and keeps its hint (tooltip, frame, accessible description) up to
// date with its text, with a warning icon inside the box while the text is no key name.
void HelpTypingKeyNames(QLineEdit* box);

}  // namespace wingcall::app
