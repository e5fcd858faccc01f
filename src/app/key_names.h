// The key names Voxtrel knows, as built into the program from data/key-names.txt.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace wingcall::app {

// The names in the order of the list.
const QStringList& KeyNames();

// Whether `text` is one key name exactly as listed: letter case counts, and nothing may stand
// around it, as Voxtrel reads a push-to-talk key.
bool IsKnownKeyName(const QString& text);

// The listed name that `text` means though Voxtrel would not take it: the name in another letter
// case, with blanks or hyphens, or one of its other spellings in data/key-name-aliases.txt
// ("Right Ctrl" -> RCtrl); a listed name gives itself. Empty when there is none.
QString ListedSpellingOf(const QString& text);

// Each listed name with its other spellings, as data/key-name-aliases.txt gives them.
const QList<QPair<QString, QStringList>>& KeyNameAliases();

// `text` as near misses are compared: without blanks and hyphens, in lower case.
QString NearMissForm(const QString& text);

}  // namespace wingcall::app
