// What the stand-in finds wrong with the content of a profile it has read.
#pragma once

#include <QList>

#include "key_vocabulary.h"
#include "profile.h"

namespace voxtrel {

// The reading findings of `profile` followed by those about its content, ordered by line: key
// names outside `vocabulary` (in the sequences and the push-to-talk keys), phrases that two or
// more commands share (Voxtrel could not tell them apart), empty phrases and joystick buttons
// outside 1 to 32. An unloaded vocabulary gives one finding instead of the key-name checks.
QList<Finding> FindProblems(const Profile& profile, const KeyVocabulary& vocabulary);

}  // namespace voxtrel
