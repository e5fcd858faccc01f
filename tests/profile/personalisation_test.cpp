// Phrase personalisation: the three passes and their order, letter case, values that bring in
// placeholders, the loop's end, and the table range that is rewritten.
#include "profile/personalisation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "settings/wingcall_error.h"
#include "support/expect_wingcall_error.h"

namespace wingcall {
namespace {

SubstitutionValues Values(const std::wstring& callsign, int flightListIndex,
                          int positionListIndex) {
    SubstitutionValues values;
    UpdateSubstitutionValues(values, callsign, flightListIndex, positionListIndex);
    return values;
}

TEST(PersonalisePhrase, GivesThePersonalisedPhrase) {
    const struct {
        const char* what;
        std::wstring phrase;
        std::wstring callsign;
        int flightListIndex;
        int positionListIndex;
        std::wstring expected;
    } cases[] = {
        // "flightnumber$" holds "number$": its pass must come first.
        {"all three", L"callsign$ flightnumber$ number$", L"Avenger", 1, 2, L"Avenger two three"},
        {"every occurrence", L"callsign$ lead, callsign$ flight", L"Viper", 0, 0,
         L"Viper lead, Viper flight"},
        {"any case matches, the text around keeps its case",
         L"Go FLIGHTNUMBER$ GO CallSign$ nUmBeR$", L"Hawk", 1, 3, L"Go two GO Hawk four"},
        {"empty callsign leaves the spaces", L"Say  callsign$  now", L"", 0, 0, L"Say    now"},
        {"empty phrase", L"", L"Cobra", 0, 0, L""},
        {"value inserted as typed", L"callsign$.", L"  \"A&B\"  ", 0, 0, L"  \"A&B\"  ."},
        {"callsign brings number$ to a later pass", L"callsign$, go", L"number$ Lead", 0, 2,
         L"three Lead, go"},
        {"callsign brings FLIGHTNUMBER$ to a later pass", L"callsign$", L"FLIGHTNUMBER$-Lead", 3, 0,
         L"four-Lead"},
        {"nine is the highest flight", L"flightnumber$", L"", 8, 0, L"nine"},
        // The value holds its own placeholder: the pass goes on behind what it inserted.
        {"callsign made of its placeholder", L"callsign$", L"callsign$", 0, 0, L"callsign$"},
        {"own placeholder in capitals, twice", L"callsign$ and callsign$", L"CALLSIGN$ Lead", 0, 0,
         L"CALLSIGN$ Lead and CALLSIGN$ Lead"},
        // Behind the inserted text the search starts, so a join with it is not replaced.
        {"no join behind an own placeholder", L"callsign$sign$", L"call callsign$", 0, 0,
         L"call callsign$sign$"},
        // The search restarts at the first character, so replacements that join the text
        // around them into a new placeholder are replaced in turn.
        {"join on the right, shorter value", L"callsign$sign$", L"call", 0, 0, L"call"},
        {"join on the left, value with a $", L"callcallsign$", L"sign$x", 0, 0, L"sign$xx"},
        {"joins on both sides, value as long as the placeholder", L"callcallsign$sign$",
         L"sign$call", 0, 0, L"sign$sign$callcall"},
        {"a join made by the callsign is found by a later pass", L"callsign$number$", L"flight", 1,
         0, L"two"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            PersonalisePhrase(c.phrase, Values(c.callsign, c.flightListIndex, c.positionListIndex)),
            c.expected)
            << c.what;
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
    std::wstring dyingOut;
    for (int i = 0; i < 10; ++i) {
        dyingOut += L"callsign";
    }
    const std::wstring result = PersonalisePhrase(dyingOut + L"$", Values(L"$$callsign", 0, 0));
    EXPECT_EQ(result.size(), 1104u);
    EXPECT_EQ(result.find(L"callsign$"), std::wstring::npos);
    EXPECT_EQ(std::count(result.begin(), result.end(), L'$'), 1024);

    // Nor is an ordinary long phrase stopped.
    std::wstring phrase;
    std::wstring expected;
    for (int i = 0; i < 3000; ++i) {
        phrase += L"callsign$ ";
        expected += L"Ca$h Flow Lead ";
    }
    EXPECT_EQ(PersonalisePhrase(phrase, Values(L"Ca$h Flow Lead", 0, 0)), expected);
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
std::vector<std::wstring> LoadedPhrases() {
    return {L"callsign$ slot zero", L"callsign$ rejoin", L"number$ in", L"vuoto callsign$", L""};
}

TEST(PersonalisePhrases, RewritesOnlyEntriesOneToCommandCount) {
    std::vector<std::wstring> phrases = LoadedPhrases();
    PersonalisePhrases(phrases, 0, Values(L"Hawk", 0, 1));
    EXPECT_EQ(phrases, LoadedPhrases());
    PersonalisePhrases(phrases, 2, Values(L"Hawk", 0, 1));
    EXPECT_EQ(phrases, (std::vector<std::wstring>{L"callsign$ slot zero", L"Hawk rejoin", L"two in",
                                                  L"vuoto callsign$", L""}));

    std::vector<std::wstring> neverLoaded;
    PersonalisePhrases(neverLoaded, 0, Values(L"Hawk", 0, 1));
    EXPECT_TRUE(neverLoaded.empty());
}

TEST(PersonalisePhrases, ARefusalNamesThePhraseAndChangesNothing) {
    std::vector<std::wstring> phrases = LoadedPhrases();
    testing::ExpectWingcallError([&] { PersonalisePhrases(phrases, 5, Values(L"Hawk", 0, 1)); },
                                 ErrorNumber::SubscriptOutOfRange, {"Phrase(5)"});
    EXPECT_EQ(phrases, LoadedPhrases());
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
