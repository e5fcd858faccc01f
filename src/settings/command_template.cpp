// Loads the command template of the "Commands" section into the three parallel tables.
#include "settings/command_template.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errors/wingcall_error.h"
#include "settings/ini/private_profile.h"
#include "settings/settings_file.h"
#include "text/utf8_text.h"
#include "text/xml_characters.h"

namespace wingcall {

namespace {

// Every template read goes to [Commands] with the default "vuoto".
SectionReader TemplateReader(const std::wstring& settingsPath) {
    return SectionReader(settingsPath, kCommandsSection, kMissingValue);
}

// The key name of one entry of a family, "Phrase(12)", made in place with its digits by hand: a
// load makes one for each of its hundred thousand reads, so none may allocate, and the names are
// ASCII, which every ANSI code page spells alike, so none needs converting either.
class FamilyKeyName {
  public:
    const char* Set(std::string_view family, std::size_t number) {
        char digits[24];
        char* first = std::end(digits);
        do {
            *--first = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number != 0);
        // Family names are a handful of letters, so the name always fits.
        char* out = std::copy(family.begin(), family.end(), text_);
        *out++ = '(';
        out = std::copy(first, std::end(digits), out);
        *out++ = ')';
        *out = '\0';
        length_ = static_cast<std::size_t>(out - text_);
        return text_;
    }

    std::string_view view() const { return {text_, length_}; }

  private:
    char text_[64] = {};
    std::size_t length_ = 0;
};

// The three families, and the value that ends each of them.
constexpr std::string_view kCommandFamily = "Command";
constexpr std::string_view kPhraseFamily = "Phrase";
constexpr std::string_view kKeysFamily = "Keys";
constexpr std::wstring_view kSentinel = kMissingValue;

std::string FamilyKeyText(std::string_view family, std::size_t number) {
    FamilyKeyName name;
    name.Set(family, number);
    return std::string(name.view());
}

// The file name alone: the settings file always lies in the program's folder, so its name is
// what a user looks for.
std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"/\\");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The refusal of a family that runs past the tables. A family may run at most one entry past the
// Command family, because its "vuoto" end marker needs the slot after its last entry; the entry
// numbered two past the last command is therefore the first one too many, and the one named.
[[noreturn]] void RefuseFamilyTooLong(const std::wstring& settingsPath, std::string_view family,
                                      std::size_t commandEntries) {
    const std::string familyName(family);
    const std::string commandRange =
        commandEntries == 0 ? std::string("no Command(1)")
                            : "Command(1) to " + FamilyKeyText(kCommandFamily, commandEntries);
    throw WingcallError(ErrorNumber::SubscriptOutOfRange,
                        "The command template in " + Utf8FromWide(FileNameOf(settingsPath)) +
                            " cannot be loaded: " + FamilyKeyText(family, commandEntries + 2) +
                            " goes past the list of commands. The [Commands] section has " +
                            commandRange + ", so the " + familyName + " entries may run to " +
                            FamilyKeyText(family, commandEntries + 1) +
                            " at most. Add the missing Command entries or remove the extra " +
                            familyName + " entries.");
}

// The first character of `value` that no profile can hold (a control character other than TAB,
// CR and LF, U+FFFE, U+FFFF, half a surrogate pair), or nothing.
std::optional<char32_t> FirstNonXmlCharacter(std::wstring_view value) {
    if (HoldsOnlyPlainUnits(value)) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < value.size();) {
        const char32_t codePoint = NextWideCodePoint(value, i);
        if (!IsXmlCharacter(codePoint)) {
            return codePoint;
        }
    }
    return std::nullopt;
}

// Refuses a value that holds a character no profile can hold: every profile of the run would
// carry it or be refused, so the template is corrected once rather than at every Generate.
[[noreturn]] void RefuseTemplateValue(const std::wstring& settingsPath, std::string_view key,
                                      char32_t codePoint) {
    const std::string keyName(key);
    throw WingcallError(ErrorNumber::InvalidArgument,
                        "The command template in " + Utf8FromWide(FileNameOf(settingsPath)) +
                            " cannot be loaded: " + keyName + " holds the character " +
                            CodePointName(codePoint) +
                            ", which a Voxtrel profile cannot hold. Remove it from " + keyName +
                            " in the [Commands] section.");
}

void CheckTemplateValue(const std::wstring& settingsPath, std::string_view key,
                        std::wstring_view value) {
    if (const std::optional<char32_t> refused = FirstNonXmlCharacter(value)) {
        RefuseTemplateValue(settingsPath, key, *refused);
    }
}

// Reads the Command family from Command(1) up to and including the first "vuoto" into slots 1
// on, slot 0 left empty: the number of slots is the count of commands, N + 2.
std::vector<std::wstring> ReadCommandFamily(const SectionReader& reader) {
    std::vector<std::wstring> names(1);
    FamilyKeyName key;
    std::size_t i = 1;
    do {
        names.push_back(reader.ReadAsciiKey(key.Set(kCommandFamily, i)));
        ++i;
    } while (names.back() != kSentinel);
    return names;
}

// Checks the names the count read, in order, as the other families' values are checked when they
// are read: a refused name leaves the table as a load stopped before it would, its slot and the
// ones after it empty.
void CheckCommandNames(const std::wstring& settingsPath, std::vector<std::wstring>& names,
                       std::size_t upperBound) {
    FamilyKeyName key;
    for (std::size_t i = 1; i < upperBound; ++i) {
        if (const std::optional<char32_t> refused = FirstNonXmlCharacter(names[i])) {
            std::fill(names.begin() + static_cast<std::ptrdiff_t>(i), names.end(), std::wstring());
            key.Set(kCommandFamily, i);
            RefuseTemplateValue(settingsPath, key.view(), *refused);
        }
    }
}

// Reads one family into `table` from slot 1, each value checked and then stored before it is
// tested for the sentinel, so that the sentinel ends up in the slot after the family's last entry.
// Returns the index reached, which is the number of entries plus 2.
std::size_t LoadFamily(const SectionReader& reader, const std::wstring& settingsPath,
                       std::string_view family, std::vector<std::wstring>& table,
                       std::size_t commandEntries) {
    std::size_t i = 1;
    FamilyKeyName key;
    std::wstring value;
    do {
        value = reader.ReadAsciiKey(key.Set(family, i));
        if (i >= table.size()) {
            RefuseFamilyTooLong(settingsPath, family, commandEntries);
        }
        CheckTemplateValue(settingsPath, key.view(), value);
        table[i] = std::move(value);
        ++i;
    } while (table[i - 1] != kSentinel);
    return i;
}

}  // namespace

std::size_t CountCommands(const std::wstring& settingsPath) {
    const SettingsReadSnapshot oneVersionOfTheFile;
    return ReadCommandFamily(TemplateReader(settingsPath)).size();
}

void LoadCommandTemplate(const std::wstring& settingsPath, CommandTables& tables) {
    // The count and the three families come from one version of the file, checked on disk once.
    const SettingsReadSnapshot oneVersionOfTheFile;
    const SectionReader reader = TemplateReader(settingsPath);
    // The Command family is read once: the reads that count the commands give the names. Nothing
    // of the tables changes before the count is known, as a failed read leaves them.
    std::vector<std::wstring> names = ReadCommandFamily(reader);
    const std::size_t upperBound = names.size();
    const std::size_t commandEntries = upperBound - 2;
    // Only a load that gets through all three families sets a count.
    tables.CommandCount = 0;

    names.resize(upperBound + 1);
    tables.CommandNames = std::move(names);
    tables.CommandPhrases.assign(upperBound + 1, std::wstring());
    tables.CommandKeys.assign(upperBound + 1, std::wstring());

    CheckCommandNames(settingsPath, tables.CommandNames, upperBound);
    LoadFamily(reader, settingsPath, kPhraseFamily, tables.CommandPhrases, commandEntries);
    const std::size_t keysReached =
        LoadFamily(reader, settingsPath, kKeysFamily, tables.CommandKeys, commandEntries);
    tables.CommandCount = keysReached - 2;
}

}  // namespace wingcall
