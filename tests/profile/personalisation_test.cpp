// Phrase personalisation: the three passes and their order, letter case, values that bring in
// placeholders (the table tests/data/personalisation_phrases.txt), the loop's end, the number
// words, and the table range that is rewritten.
#include "profile/personalisation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "errors/wingcall_error.h"
#include "support/data_table.h"
#include "support/expect_wingcall_error.h"

namespace wingcall {
namespace {

using testing::Wide;

SubstitutionValues Values(const std::wstring& callsign, int flightListIndex,
                          int positionListIndex) {
    SubstitutionValues values;
    UpdateSubstitutionValues(values, callsign, flightListIndex, positionListIndex);
    return values;
}

std::wstring Repeat(const std::wstring& text, int times) {
    std::wstring repeated;
    for (int i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

TEST(PersonalisePhrase, GivesThePersonalisedPhraseOfEachRowOfTheTable) {
    const auto rows = testing::ReadDataTable("personalisation_phrases.txt");
    EXPECT_GE(rows.size(), 16u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 6u) << row[0];
        EXPECT_EQ(PersonalisePhrase(Wide(row[1]),
                                    Values(Wide(row[2]), std::stoi(row[3]), std::stoi(row[4]))),
                  Wide(row[5]))
            << row[0];
    }
}

TEST(PersonalisePhrase, StopsOnlyValuesThatFormPlaceholdersWithoutEnd) {
    // Every replacement leaves "callsign$" in front of the inserted text again.
    testing::ExpectWingcallError(
        [] { PersonalisePhrase(L"callsigncallsign$", Values(L"$$callsigncallsign", 0, 0)); },
        ErrorNumber::Overflow, {"\"callsign$\""});
    // The same join with a long callsign: the growth, not the count, gives it away.
    const std::wstring longCallsign = L"$$" + std::wstring(20000, L'x') + L"callsigncallsign";
    EXPECT_THROW(PersonalisePhrase(L"callsigncallsign$", Values(longCallsign, 0, 0)),
                 WingcallError);

    // Each replacement moves the "$" one "callsign" to the left and doubles it: 1,023
    // replacements, then none is left. Only ten runs deep, this is a phrase to write, not refuse.
    const std::wstring result =
        PersonalisePhrase(Repeat(L"callsign", 10) + L"$", Values(L"$$callsign", 0, 0));
    EXPECT_EQ(result.size(), 1104u);
    EXPECT_EQ(result.find(L"callsign$"), std::wstring::npos);
    EXPECT_EQ(std::count(result.begin(), result.end(), L'$'), 1024);

    // Nor is an ordinary long phrase stopped.
    EXPECT_EQ(PersonalisePhrase(Repeat(L"callsign$ ", 3000), Values(L"Ca$h Flow Lead", 0, 0)),
              Repeat(L"Ca$h Flow Lead ", 3000));
}

TEST(NumberWord, NamesOneToNineOnly) {
    const wchar_t* const words[] = {L"",    L"one",   L"two",   L"three", L"four", L"five",
                                    L"six", L"seven", L"eight", L"nine",  L""};
    for (int number = -1; number <= 10; ++number) {
        EXPECT_EQ(NumberWord(number), number < 0 ? L"" : words[number]) << number;
    }
}

TEST(UpdateSubstitutionValues, AListOutsideItsRangeKeepsThePreviousWord) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    // One generation after another: no selection (-1), a position past "4", and the ends of the
    // integer range (adding 1 to the largest must not overflow) keep the previous words.
    const struct {
        const wchar_t* callsign;
        int flight, position;
        const wchar_t *flightWord, *positionWord;
    } steps[] = {
        {L"Avenger", -1, -1, L"", L""},      {L" Viper ", 6, 3, L"seven", L"four"},
        {L"", -1, 4, L"seven", L"four"},     {L"", 9, 0, L"seven", L"one"},
        {L"", kMax, kMin, L"seven", L"one"},
    };
    SubstitutionValues values;
    for (const auto& step : steps) {
        SCOPED_TRACE(::testing::Message() << step.flight << " " << step.position);
        UpdateSubstitutionValues(values, step.callsign, step.flight, step.position);
        EXPECT_EQ(values.CallsignText, step.callsign);
        EXPECT_EQ(values.FlightNumberWord, step.flightWord);
        EXPECT_EQ(values.PositionWord, step.positionWord);
    }
}

// A table as loaded: slot 0 unused, two entries, the sentinel and an empty slot.
const std::vector<std::wstring> kLoadedPhrases = {L"callsign$ slot zero", L"callsign$ rejoin",
                                                  L"number$ in", L"vuoto callsign$", L""};

TEST(PersonalisePhrases, RewritesOnlyEntriesOneToCommandCount) {
    std::vector<std::wstring> phrases = kLoadedPhrases;
    PersonalisePhrases(phrases, 0, Values(L"Hawk", 0, 1));
    EXPECT_EQ(phrases, kLoadedPhrases);
    PersonalisePhrases(phrases, 2, Values(L"Hawk", 0, 1));
    EXPECT_EQ(phrases, (std::vector<std::wstring>{L"callsign$ slot zero", L"Hawk rejoin", L"two in",
                                                  L"vuoto callsign$", L""}));

    std::vector<std::wstring> neverLoaded;
    PersonalisePhrases(neverLoaded, 0, Values(L"Hawk", 0, 1));
    EXPECT_TRUE(neverLoaded.empty());
}

TEST(PersonalisePhrases, ARefusalNamesThePhraseAndChangesNothing) {
    std::vector<std::wstring> phrases = kLoadedPhrases;
    testing::ExpectWingcallError([&] { PersonalisePhrases(phrases, 5, Values(L"Hawk", 0, 1)); },
                                 ErrorNumber::SubscriptOutOfRange, {"Phrase(5)"});
    EXPECT_EQ(phrases, kLoadedPhrases);
    // A runaway value in entry 2, after entry 1 was already done.
    phrases = {L"", L"callsign$ one", L"callsigncallsign$", L""};
    const std::vector<std::wstring> before = phrases;
    testing::ExpectWingcallError(
        [&] { PersonalisePhrases(phrases, 2, Values(L"$$callsigncallsign", 0, 0)); },
        ErrorNumber::Overflow, {"Phrase(2)"});
    EXPECT_EQ(phrases, before);
}

}  // namespace
}  // namespace wingcall
