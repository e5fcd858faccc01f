// Whether the profile append mode adds to already holds calls Wingcall is about to add: added
// again, each would be in the profile twice, and Voxtrel could not tell the two apart.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace wingcall::app {

struct CallsAlreadyThere {
    int count = 0;        // how many of the new phrases the profile already holds
    QString firstPhrase;  // the first of them, as it is about to be added
};

// Compares `newPhrases` with the phrases of the commands in the profile at `profilePath` as
// Voxtrel hears them: blanks and letter case do not tell phrases apart, and an empty phrase
// matches nothing. No value when none is there, or when the profile cannot be read as XML (the
// merge then says what is wrong with it).
std::optional<CallsAlreadyThere> FindCallsAlreadyThere(const QString& profilePath,
                                                       const QStringList& newPhrases);

}  // namespace wingcall::app
