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

// Replaces "callsign$", then "flightnumber$", then "number$" (any letter case) in one phrase.
std::wstring PersonalisePhrase(std::wstring phrase, const SubstitutionValues& values);

// Personalises entries 1..CommandCount of `CommandPhrases` in place; other entries are untouched.
void PersonalisePhrases(std::vector<std::wstring>& CommandPhrases, std::size_t CommandCount,
                        const SubstitutionValues& values);

}  // namespace wingcall
