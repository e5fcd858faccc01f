// Fuzzes phrase personalisation with callsigns and phrases built from placeholder pieces. It
// always ends (a hang is a libFuzzer timeout), a phrase never grows past a bound fixed by its
// length and the values, and where no value can feed its own pass the result equals the plain
// algorithm: replace the first occurrence from the first character until none is left.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "errors/wingcall_error.h"
#include "profile/personalisation.h"

namespace {

// Pieces that make placeholders, near misses and joins likely.
constexpr std::array<std::wstring_view, 16> kPieces = {
    L"callsign$", L"flightnumber$", L"number$", L"$", L"CALLSIGN$", L"Number$", L"callsign",
    L"flight",    L"number",        L" ",       L"c", L"n",         L"$$",      L"\u0141",
    L"sign$",     L"FlightNUMBER$"};

std::wstring Pieces(FuzzedDataProvider& input, std::size_t most) {
    std::wstring text;
    const auto count = input.ConsumeIntegralInRange<std::size_t>(0, most);
    for (std::size_t i = 0; i < count && input.remaining_bytes() > 0; ++i) {
        text += kPieces[input.ConsumeIntegralInRange<std::size_t>(0, kPieces.size() - 1)];
    }
    return text;
}

wchar_t Fold(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::size_t Find(const std::wstring& text, std::wstring_view placeholder, std::size_t from) {
    for (std::size_t at = from; at + placeholder.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < placeholder.size() && Fold(text[at + i]) == placeholder[i]) {
            ++i;
        }
        if (i == placeholder.size()) {
            return at;
        }
    }
    return std::wstring::npos;
}

// The plain algorithm, with the one mend for a value holding its own placeholder. Gives up
// (false) after `limit` replacements.
bool PlainPass(std::wstring& phrase, std::wstring_view placeholder, const std::wstring& value,
               std::size_t limit) {
    const bool ownPlaceholder = Find(value, placeholder, 0) != std::wstring::npos;
    std::size_t from = 0;
    for (std::size_t replacements = 0;; ++replacements) {
        const std::size_t at = Find(phrase, placeholder, ownPlaceholder ? from : 0);
        if (at == std::wstring::npos) {
            return true;
        }
        if (replacements == limit) {
            return false;
        }
        phrase.replace(at, placeholder.size(), value);
        from = at + value.size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    wingcall::SubstitutionValues values;
    const std::wstring callsign = Pieces(input, 8);
    wingcall::UpdateSubstitutionValues(values, callsign, input.ConsumeIntegralInRange(-2, 10),
                                       input.ConsumeIntegralInRange(-2, 6));
    const std::wstring phrase = Pieces(input, 64);

    std::wstring result;
    try {
        result = wingcall::PersonalisePhrase(phrase, values);
    } catch (const wingcall::WingcallError& error) {
        if (error.number() != wingcall::ErrorNumber::Overflow) {
            std::abort();
        }
        return 0;  // refused: a callsign that keeps forming new placeholders
    }

    // The bound: each pass replaces at most one occurrence per "$" it finds plus the guard's
    // allowance, so a phrase grows by at most that many copies of the value.
    std::size_t bound = phrase.size();
    for (const std::wstring* value :
         {&values.CallsignText, &values.FlightNumberWord, &values.PositionWord}) {
        bound = bound + (bound + 1000) * value->size() + 1000000;
    }
    if (result.size() > bound) {
        std::abort();
    }

    std::wstring plain = phrase;
    const bool finished = PlainPass(plain, L"callsign$", values.CallsignText, 500) &&
                          PlainPass(plain, L"flightnumber$", values.FlightNumberWord, 500) &&
                          PlainPass(plain, L"number$", values.PositionWord, 500);
    if (finished && plain != result) {
        std::abort();
    }
    return 0;
}
