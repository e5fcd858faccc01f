// Puts the pilot's callsign, flight number and position into the template phrases.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wingcall {

// The three substitution values. They live for the whole run: a list without a selection keeps
// the word of the previous generation (the empty text at the first).
struct SubstitutionValues {
    std::wstring CallsignText;
    std::wstring FlightNumberWord;
    std::wstring PositionWord;
};

// The English word for 1..9 ("one" .. "nine"); empty for any other number.
std::wstring NumberWord(int number);

// Takes the callsign as typed and the 0-based list indexes of the flight number (entries 1..9)
// and position (entries 1..4) lists; -1 means no selection and keeps the previous word.
void UpdateSubstitutionValues(SubstitutionValues& values, const std::wstring& callsign,
                              int flightListIndex, int positionListIndex);

// Replaces "callsign$" with the callsign, then "flightnumber$" with the flight number word, then
// "number$" with the position word, ignoring the case of ASCII letters. Each pass replaces the
// first occurrence counted from the phrase's first character until none is left, so text that a
// value brings in is searched again, by the same pass and by the later ones. A value that holds
// its own placeholder (in any case) would never run out of occurrences: that pass goes on behind
// the text it inserted instead. Values go in as they are: nothing is trimmed or escaped.
// A value holding "$" can, together with the text around it, form new placeholders without end
// (a callsign "$$callsigncallsign" in "callsigncallsign$") or for very long; a phrase whose pass
// goes on tens of thousands of replacements or characters past its own placeholders is refused
// with WingcallError Overflow.
std::wstring PersonalisePhrase(std::wstring phrase, const SubstitutionValues& values);

// Personalises entries 1..CommandCount of `CommandPhrases` in place; other entries are untouched.
// The phrases are rewritten, so each generation must personalise a copy of the table as it was
// loaded: personalising a table twice would find no placeholder the second time and keep the
// first generation's callsign and numbers.
// Throws WingcallError SubscriptOutOfRange when CommandCount lies past the table's end, and
// Overflow naming the phrase ("Phrase(12)") when a value keeps forming placeholders; the table is
// then left as it was.
void PersonalisePhrases(std::vector<std::wstring>& CommandPhrases, std::size_t CommandCount,
                        const SubstitutionValues& values);

}  // namespace wingcall
