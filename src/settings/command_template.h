// The command template: three parallel tables loaded from the "Commands" section.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wingcall {

// Slot 0 is unused; a family of E entries fills slots 1..E, slot E + 1 holds the sentinel "vuoto"
// and any slot above stays empty. All three tables have slots 0..D, D = CountCommands().
struct CommandTables {
    std::vector<std::wstring> CommandNames;
    std::vector<std::wstring> CommandPhrases;
    std::vector<std::wstring> CommandKeys;
    // The number of commands a profile receives: the number of Keys entries.
    std::size_t CommandCount = 0;
};

// N + 2, where N is the number of entries of the Command family.
std::size_t CountCommands(const std::wstring& settingsPath);

// Loads the three families into `tables`. A Phrase or Keys family longer than N + 1 entries is
// refused with WingcallError SubscriptOutOfRange naming the first key that does not fit; the
// slots stored before it keep their values and CommandCount stays 0. A value holding a character
// no profile can hold is refused with WingcallError InvalidArgument naming the key and the
// character ("U+0007"), likewise.
void LoadCommandTemplate(const std::wstring& settingsPath, CommandTables& tables);

}  // namespace wingcall
