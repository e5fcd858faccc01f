// The template check: the numbers of each family present in the file, the lengths the load
// found, and the phrases and key sequences that reach a profile.
#include "settings/command_template_check.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "files/whole_file_read.h"
#include "files/wide_path.h"
#include "settings/settings_file.h"
#include "text/ascii_case.h"
#include "text/utf8_text.h"

namespace wingcall {
namespace {

// Far above any settings file a pilot edits; a larger one is left to the load's own reading.
constexpr std::size_t kLargestFileLookedThrough = 256 * 1024 * 1024;

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
    };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

enum Family { kCommand, kPhrase, kKeys, kFamilies };
constexpr std::string_view kFamilyNames[kFamilies] = {"Command", "Phrase", "Keys"};

std::string Key(Family family, std::size_t number) {
    return std::string(kFamilyNames[family]) + "(" + std::to_string(number) + ")";
}

// The numbers of each family's keys in the [Commands] section, as the file holds them: the
// settings routines can only be asked for one key at a time, and a gap hides what lies past it.
struct SectionKeys {
    bool read = false;  // the file was looked through
    bool sectionFound = false;
    std::vector<std::size_t> numbers[kFamilies];  // in ascending order, each once
};

// "Keys(12)" in any letter case, with blanks around it as the settings routines allow.
std::optional<std::pair<Family, std::size_t>> FamilyKeyOf(std::string_view name) {
    for (int family = 0; family < kFamilies; ++family) {
        const std::string_view word = kFamilyNames[family];
        if (name.size() < word.size() + 3 ||
            !EqualIgnoringAsciiCase(name.substr(0, word.size()), word) ||
            name[word.size()] != '(' || name.back() != ')') {
            continue;
        }
        const std::string_view digits = name.substr(word.size() + 1, name.size() - word.size() - 2);
        if (digits.empty() || digits.size() > 9 || digits.front() == '0') {
            return std::nullopt;
        }
        std::size_t number = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            number = number * 10 + static_cast<std::size_t>(c - '0');
        }
        return std::pair{static_cast<Family>(family), number};
    }
    return std::nullopt;
}

SectionKeys ReadSectionKeys(const std::wstring& settingsPath) {
    SectionKeys keys;
    const WholeFileRead file = ReadWholeFile(PathFromWide(settingsPath), kLargestFileLookedThrough);
    // A file in UTF-16 (which the load reads too) is not looked through here: the gaps are not
    // found in it, and nothing is said about its sections.
    if (file.failure != WholeFileFailure::None || file.bytes.starts_with("\xFF\xFE") ||
        file.bytes.starts_with("\xFE\xFF")) {
        return keys;
    }
    keys.read = true;
    std::string_view text = file.bytes;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    // The settings routines read the first section of a name; a second [Commands] further down
    // reaches no profile, so it is not looked through either.
    enum { Before, Inside, After } commands = Before;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != '\0') {
            ++end;
        }
        std::string_view line = Trimmed(text.substr(start, end - start));
        // A NUL ends the line's text for the settings routines; the rest of it is skipped.
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        start = end + 1;
        const std::size_t close = line.rfind(']');
        if (line.starts_with('[') && close != std::string_view::npos) {
            const bool named =
                EqualIgnoringAsciiCase(Trimmed(line.substr(1, close - 1)), "Commands");
            if (commands == Inside) {
                commands = After;
            } else if (commands == Before && named) {
                commands = Inside;
                keys.sectionFound = true;
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (commands != Inside || equals == std::string_view::npos) {
            continue;
        }
        if (const auto key = FamilyKeyOf(Trimmed(line.substr(0, equals)))) {
            keys.numbers[key->first].push_back(key->second);
        }
    }
    for (std::vector<std::size_t>& numbers : keys.numbers) {
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    }
    return keys;
}

// The number of entries the load found in a family: its table holds the sentinel in the slot
// after the last one.
std::size_t EntriesOf(const std::vector<std::wstring>& table) {
    for (std::size_t slot = 1; slot < table.size(); ++slot) {
        if (table[slot] == kMissingValue) {
            return slot - 1;
        }
    }
    return table.empty() ? 0 : table.size() - 1;
}

// What lies past the end of a family: the key that ends it and the numbers left out after it.
struct Gap {
    std::size_t end = 0;  // the number that ends the family: missing, or holding "vuoto"
    bool endPresent = false;
    std::size_t first = 0;  // the lowest and highest numbers present past it
    std::size_t last = 0;
    bool operator==(const Gap&) const = default;
};

std::optional<Gap> GapOf(const std::vector<std::size_t>& numbers, std::size_t entries) {
    const auto past = std::upper_bound(numbers.begin(), numbers.end(), entries + 1);
    if (past == numbers.end()) {
        return std::nullopt;
    }
    return Gap{entries + 1, std::binary_search(numbers.begin(), past, entries + 1), *past,
               numbers.back()};
}

std::string Range(const std::string& low, const std::string& high) {
    return low == high ? low + " is" : low + " to " + high + " are";
}

std::string Calls(std::size_t first, std::size_t last) {
    return first == last ? "call " + std::to_string(first)
                         : "calls " + std::to_string(first) + " to " + std::to_string(last);
}

void FindGaps(const SectionKeys& keys, const std::size_t (&entries)[kFamilies],
              std::vector<std::string>& findings, bool (&hasGap)[kFamilies]) {
    std::optional<Gap> gaps[kFamilies];
    for (int family = 0; family < kFamilies; ++family) {
        gaps[family] = GapOf(keys.numbers[family], entries[family]);
        hasGap[family] = gaps[family].has_value();
    }
    for (int family = 0; family < kFamilies; ++family) {
        if (!gaps[family]) {
            continue;
        }
        const Gap& gap = *gaps[family];
        const auto name = static_cast<Family>(family);
        findings.push_back(
            Key(name, gap.end) +
            (gap.endPresent ? " holds \"vuoto\", which ends the list" : " is missing") + ", so " +
            Range(Key(name, gap.first), Key(name, gap.last)) + " left out of every profile.");
    }
}

void FindLengths(const std::size_t (&entries)[kFamilies], const bool (&hasGap)[kFamilies],
                 std::vector<std::string>& findings) {
    const std::size_t keys = entries[kKeys];
    if (keys == 0) {
        return;
    }
    // Every call has a key sequence: a shorter Command or Phrase family leaves its name or phrase
    // to the slots past its end, the sentinel and then empty text.
    const struct {
        Family family;
        const char* what;
    } values[] = {{kCommand, "name"}, {kPhrase, "phrase"}};
    for (const auto& value : values) {
        const std::size_t have = entries[value.family];
        if (have >= keys) {
            continue;
        }
        std::string finding = "Keys runs to " + Key(kKeys, keys) + " but " +
                              (have == 0 ? "there is no " + Key(value.family, 1)
                                         : std::string(kFamilyNames[value.family]) + " only to " +
                                               Key(value.family, have)) +
                              ": " + Calls(have + 1, have + 1) + " gets the " + value.what +
                              " \"vuoto\"";
        if (keys > have + 1) {
            finding += " and " + Calls(have + 2, keys) + " an empty " + value.what;
        }
        findings.push_back(finding + ".");
    }
    // Only as many calls as there are key sequences reach a profile.
    const std::size_t longer = std::max(entries[kCommand], entries[kPhrase]);
    if (longer > keys && !hasGap[kKeys]) {
        const Family family = entries[kCommand] >= entries[kPhrase] ? kCommand : kPhrase;
        findings.push_back(std::string(kFamilyNames[family]) + " runs to " + Key(family, longer) +
                           " but Keys only to " + Key(kKeys, keys) + ", so " +
                           Calls(keys + 1, longer) + (keys + 1 == longer ? " is" : " are") +
                           " left out of every profile.");
    }
}

// Whether `word` ends with one of the three placeholders, in any letter case: personalisation
// finds them inside words too.
bool EndsWithPlaceholder(std::wstring_view word) {
    for (const std::wstring_view placeholder : {L"callsign$", L"flightnumber$", L"number$"}) {
        if (word.size() >= placeholder.size() &&
            std::equal(placeholder.begin(), placeholder.end(), word.end() - placeholder.size(),
                       [](wchar_t p, wchar_t w) {
                           return p == (w >= L'A' && w <= L'Z' ? w - L'A' + L'a' : w);
                       })) {
            return true;
        }
    }
    return false;
}

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

void FindMisspelledPlaceholders(const CommandTables& tables, std::size_t phrases,
                                std::vector<std::string>& findings) {
    for (std::size_t call = 1; call <= phrases && call < tables.CommandPhrases.size(); ++call) {
        const std::wstring_view phrase = tables.CommandPhrases[call];
        std::size_t start = 0;
        while (start < phrase.size()) {
            std::size_t end = start;
            while (end < phrase.size() && phrase[end] != L' ' && phrase[end] != L'\t') {
                ++end;
            }
            const std::wstring_view word = phrase.substr(start, end - start);
            start = end + 1;
            if (word.size() > 1 && word.back() == L'$' && IsAsciiLetter(word[word.size() - 2]) &&
                !EndsWithPlaceholder(word)) {
                findings.push_back(Key(kPhrase, call) + " holds \"" + Utf8FromWide(word) +
                                   "\", which is none of callsign$, flightnumber$ and number$: "
                                   "it is spoken as written.");
            }
        }
    }
}

void FindUnknownKeyNames(const CommandTables& tables, std::size_t calls,
                         const std::unordered_set<std::wstring>& keyNames,
                         std::vector<std::string>& findings) {
    std::wstring name;  // one buffer for every name looked up
    std::vector<std::string> unknown;
    for (std::size_t call = 1; call <= calls && call < tables.CommandKeys.size(); ++call) {
        const std::wstring& sequence = tables.CommandKeys[call];
        unknown.clear();
        bool loosePlus = false;
        std::size_t start = 0;
        while (start <= sequence.size()) {
            std::size_t end = sequence.find(L' ', start);
            if (end == std::wstring::npos) {
                end = sequence.size();
            }
            const std::wstring_view step = std::wstring_view(sequence).substr(start, end - start);
            start = end + 1;
            if (step.empty()) {
                continue;
            }
            // The keys of one step, held together: "LShift+J".
            for (std::size_t from = 0;;) {
                const std::size_t plus = step.find(L'+', from);
                name.assign(step.substr(from, plus - from));
                if (name.empty()) {
                    loosePlus = true;
                } else if (!keyNames.contains(name)) {
                    unknown.push_back("\"" + Utf8FromWide(name) + "\"");
                }
                if (plus == std::wstring_view::npos) {
                    break;
                }
                from = plus + 1;
            }
        }
        if (loosePlus) {
            findings.push_back(Key(kKeys, call) + " holds a \"+\" with no key name beside it.");
        }
        if (unknown.empty()) {
            continue;
        }
        std::string names = unknown.front();
        for (std::size_t i = 1; i < unknown.size(); ++i) {
            names += (i + 1 == unknown.size() ? " and " : ", ") + unknown[i];
        }
        findings.push_back(
            Key(kKeys, call) + " holds " + names +
            (unknown.size() == 1 ? ", which is not a key name" : ", which are not key names") +
            " Voxtrel knows: Voxtrel will not press " + (unknown.size() == 1 ? "it." : "them."));
    }
}

}  // namespace

std::vector<std::string> CheckCommandTemplate(const std::wstring& settingsPath,
                                              const CommandTables& tables,
                                              const std::unordered_set<std::wstring>& keyNames) {
    std::vector<std::string> findings;
    const SectionKeys keys = ReadSectionKeys(settingsPath);
    const std::size_t entries[kFamilies] = {EntriesOf(tables.CommandNames),
                                            EntriesOf(tables.CommandPhrases),
                                            EntriesOf(tables.CommandKeys)};
    if (tables.CommandCount == 0) {
        findings.push_back(!keys.read ? "There is no Keys(1) in a [Commands] section, so every "
                                        "profile is written without calls."
                           : keys.sectionFound
                               ? "The [Commands] section has no Keys(1), so every profile is "
                                 "written without calls."
                               : "There is no [Commands] section, so every profile is written "
                                 "without calls.");
    }
    bool hasGap[kFamilies] = {};
    FindGaps(keys, entries, findings, hasGap);
    FindLengths(entries, hasGap, findings);
    FindMisspelledPlaceholders(tables, std::min(entries[kPhrase], tables.CommandCount), findings);
    FindUnknownKeyNames(tables, tables.CommandCount, keyNames, findings);
    return findings;
}

}  // namespace wingcall
