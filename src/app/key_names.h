// The key names Voxtrel knows, as built into the program from data/key-names.txt.
#pragma once

#include <QString>
#include <QStringList>

namespace wingcall::app {

// The names in the order of the list.
const QStringList& KeyNames();

// Whether `text` is one key name exactly as listed: letter case counts, and nothing may stand
// around it, as Voxtrel reads a push-to-talk key.
bool IsKnownKeyName(const QString& text);

// The listed name that `text` spells in another letter case, or empty when there is none.
QString ListedSpellingOf(const QString& text);

}  // namespace wingcall::app
