// Puts the pilot's callsign, flight number and position into the template phrases.
#include "profile/personalisation.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "errors/wingcall_error.h"
#include "text/ascii_case.h"

namespace wingcall {
namespace {

// The placeholders in the order they are replaced. "flightnumber$" must go before "number$",
// which it contains; otherwise it would become "flight" followed by the position word.
constexpr std::wstring_view kCallsignPlaceholder = L"callsign$";
constexpr std::wstring_view kFlightNumberPlaceholder = L"flightnumber$";
constexpr std::wstring_view kPositionPlaceholder = L"number$";

// Every placeholder ends in this character and holds it nowhere else.
constexpr wchar_t kPlaceholderEnd = L'$';

// What a pass may do beyond one replacement per "$" the phrase started with before the value is
// taken to feed itself too far (see ReplaceEveryPlaceholder): further replacements, and further
// characters of growth. Joins that die out within them (a callsign of "$$callsign" in a phrase
// of ten "callsign" and a "$" makes a thousand replacements) are carried out; joins that go on,
// some for ever and some for longer than any phrase could use, are refused after at most a
// fraction of a second.
constexpr std::size_t kReplacementsBeyondOwnPlaceholders = 32767;
constexpr std::size_t kGrowthBeyondOwnPlaceholders = 32767;

// Replaces `placeholder` with `value` in `phrase` until none is left, always at the first
// occurrence counted from the phrase's first character. Returns false, leaving `phrase` in an
// unspecified state, when the replacements run away (see below).
//
// Why the loop ends, with P the placeholder (length L, ending in its only "$") and V the value:
// - V contains P (in any case): the search resumes behind the inserted V, so every replacement
//   consumes L characters of the text not yet searched, and that text only shrinks.
// - V contains no "$": every occurrence ends in a "$", so each replacement removes one "$" from
//   the phrase and adds none; there are at most as many replacements as the phrase had "$".
// - V is shorter than P: the phrase gets shorter at every replacement.
// - Otherwise V brings in "$" characters that can form new occurrences with the text around
//   them, and this can go on for ever: with V = "$$callsigncallsign" the phrase
//   "callsigncallsign$" never runs out of occurrences. Without such joins a pass makes at most
//   one replacement per "$" the phrase started with, each adding |V| - L characters, so a pass
//   that needs far more replacements or characters than that is stopped and reported instead
//   of exhausting time and memory. Some such joins would end after very many replacements
//   (each one can double the "$" in front of a run of "callsign"), which the limits stop too.
//
// Restarting from the first character finds the same occurrence as resuming L - 1 characters
// before the last one: the text in front of the last occurrence held none, and only the text
// from that occurrence on has changed.
bool ReplaceEveryPlaceholder(std::wstring& phrase, std::wstring_view placeholder,
                             std::wstring_view value) {
    const bool valueHoldsPlaceholder =
        FindIgnoringAsciiCase(value, placeholder, 0) != std::wstring_view::npos;
    const bool mayRunAway = !valueHoldsPlaceholder && value.size() >= placeholder.size() &&
                            value.find(kPlaceholderEnd) != std::wstring_view::npos;
    std::size_t replacementLimit = std::numeric_limits<std::size_t>::max();
    std::size_t lengthLimit = std::numeric_limits<std::size_t>::max();
    if (mayRunAway) {
        const auto dollars =
            static_cast<std::size_t>(std::count(phrase.begin(), phrase.end(), kPlaceholderEnd));
        replacementLimit = dollars + kReplacementsBeyondOwnPlaceholders;
        const std::size_t growthEach = value.size() - placeholder.size();
        if (growthEach == 0 ||
            dollars <= (lengthLimit - phrase.size() - kGrowthBeyondOwnPlaceholders) / growthEach) {
            lengthLimit = phrase.size() + dollars * growthEach + kGrowthBeyondOwnPlaceholders;
        }
    }

    std::size_t replacements = 0;
    std::size_t searchFrom = 0;
    for (;;) {
        const std::size_t found =
            FindIgnoringAsciiCase(std::wstring_view(phrase), placeholder, searchFrom);
        if (found == std::wstring_view::npos) {
            return true;
        }
        if (replacements == replacementLimit ||
            phrase.size() - placeholder.size() + value.size() > lengthLimit) {
            return false;
        }
        phrase.replace(found, placeholder.size(), value);
        ++replacements;
        if (valueHoldsPlaceholder) {
            searchFrom = found + value.size();
        } else {
            searchFrom = found >= placeholder.size() - 1 ? found - (placeholder.size() - 1) : 0;
        }
    }
}

struct Pass {
    std::wstring_view placeholder;
    const std::wstring& value;
};

// Runs the three passes on one phrase. The passes are independent between phrases, so doing
// all three on one phrase before the next gives what three passes over the table give.
// Returns the placeholder whose pass ran away, if any.
std::optional<std::wstring_view> PersonaliseInPlace(std::wstring& phrase,
                                                    const SubstitutionValues& values) {
    const std::array<Pass, 3> passes = {{{kCallsignPlaceholder, values.CallsignText},
                                         {kFlightNumberPlaceholder, values.FlightNumberWord},
                                         {kPositionPlaceholder, values.PositionWord}}};
    for (const Pass& pass : passes) {
        if (!ReplaceEveryPlaceholder(phrase, pass.placeholder, pass.value)) {
            return pass.placeholder;
        }
    }
    return std::nullopt;
}

std::string Narrow(std::wstring_view asciiText) {
    std::string text;
    for (wchar_t character : asciiText) {
        text.push_back(static_cast<char>(character));
    }
    return text;
}

// Only the callsign can run away in practice, since the number words hold no "$".
[[noreturn]] void ThrowRunaway(std::wstring_view placeholder, const std::string& where) {
    const std::string value = placeholder == kCallsignPlaceholder ? "the callsign" : "the value";
    throw WingcallError(ErrorNumber::Overflow,
                        where + ": " + value + " keeps forming new \"" + Narrow(placeholder) +
                            "\" placeholders with the text around it, so the phrase would grow "
                            "far too long. Leave the \"$\" out of " +
                            value + ".");
}

}  // namespace

std::wstring NumberWord(int number) {
    static constexpr std::array<std::wstring_view, 9> kWords = {
        L"one", L"two", L"three", L"four", L"five", L"six", L"seven", L"eight", L"nine"};
    if (number < 1 || number > static_cast<int>(kWords.size())) {
        return {};
    }
    return std::wstring(kWords[static_cast<std::size_t>(number - 1)]);
}

void UpdateSubstitutionValues(SubstitutionValues& values, const std::wstring& callsign,
                              int flightListIndex, int positionListIndex) {
    values.CallsignText = callsign;
    // The indexes are tested before 1 is added, so that no index can overflow the addition.
    if (flightListIndex >= 0 && flightListIndex <= 8) {
        values.FlightNumberWord = NumberWord(flightListIndex + 1);
    }
    if (positionListIndex >= 0 && positionListIndex <= 3) {
        values.PositionWord = NumberWord(positionListIndex + 1);
    }
}

std::wstring PersonalisePhrase(std::wstring phrase, const SubstitutionValues& values) {
    if (const auto runaway = PersonaliseInPlace(phrase, values)) {
        ThrowRunaway(*runaway, "A phrase");
    }
    return phrase;
}

void PersonalisePhrases(std::vector<std::wstring>& CommandPhrases, std::size_t CommandCount,
                        const SubstitutionValues& values) {
    if (CommandCount == 0) {
        return;
    }
    if (CommandCount >= CommandPhrases.size()) {
        throw WingcallError(ErrorNumber::SubscriptOutOfRange,
                            "Phrase(" + std::to_string(CommandPhrases.size()) +
                                ") is past the end of the list of phrases.");
    }
    // Built aside and swapped in at the end, so a refused phrase leaves the table as it was.
    std::vector<std::wstring> personalised(
        CommandPhrases.begin() + 1,
        CommandPhrases.begin() + 1 + static_cast<std::ptrdiff_t>(CommandCount));
    for (std::size_t index = 0; index < personalised.size(); ++index) {
        if (const auto runaway = PersonaliseInPlace(personalised[index], values)) {
            ThrowRunaway(*runaway, "Phrase(" + std::to_string(index + 1) + ")");
        }
    }
    for (std::size_t index = 0; index < personalised.size(); ++index) {
        CommandPhrases[index + 1].swap(personalised[index]);
    }
}

}  // namespace wingcall
