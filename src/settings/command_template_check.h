// What a hand-edited [Commands] section leaves out of every profile or gets wrong in it, found
// after the template load so that the pilot hears of it before flying with the profile. The
// check only reads: the tables stay exactly as the load made them.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "settings/command_template.h"

namespace wingcall {

// Looks through the [Commands] section of the settings file at `settingsPath` once, beside
// `tables` as LoadCommandTemplate loaded them, and gives one sentence (UTF-8) for each surprise:
// - a family that stops at a gap while higher numbers of it are in the file;
// - families of different lengths, and what the profile then gets;
// - no calls at all;
// - a word ending in "$" in a phrase that is none of the three placeholders in any letter case;
// - a name in a key sequence that `keyNames` lacks, the sequence split as Voxtrel splits it
//   (steps at blanks, keys of a step at "+"), names compared exactly.
// Only the entries that reach a profile are looked at. None for a template that gives every
// call as written. A settings file that cannot be read gives no findings: the load has told.
std::vector<std::string> CheckCommandTemplate(const std::wstring& settingsPath,
                                              const CommandTables& tables,
                                              const std::unordered_set<std::wstring>& keyNames);

}  // namespace wingcall
