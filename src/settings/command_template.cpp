// Loads the command template of the "Commands" section into the three parallel tables.
#include "settings/command_template.h"

#include <algorithm>
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

// The three families, and the value that ends each of them.
constexpr std::wstring_view kCommandFamily = L"Command";
constexpr std::wstring_view kPhraseFamily = L"Phrase";
constexpr std::wstring_view kKeysFamily = L"Keys";
constexpr std::wstring_view kSentinel = kMissingValue;

// The key of one entry of a family: "Phrase(12)".
std::wstring FamilyKey(std::wstring_view family, std::size_t number) {
    return std::wstring(family) + L"(" + std::to_wstring(number) + L")";
}

std::string FamilyKeyText(std::wstring_view family, std::size_t number) {
    return Utf8FromWide(FamilyKey(family, number));
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
[[noreturn]] void RefuseFamilyTooLong(const std::wstring& settingsPath, std::wstring_view family,
                                      std::size_t commandEntries) {
    const std::string familyName = Utf8FromWide(family);
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
[[noreturn]] void RefuseTemplateValue(const std::wstring& settingsPath, const std::wstring& key,
                                      char32_t codePoint) {
    const std::string keyName = Utf8FromWide(key);
    throw WingcallError(ErrorNumber::InvalidArgument,
                        "The command template in " + Utf8FromWide(FileNameOf(settingsPath)) +
                            " cannot be loaded: " + keyName + " holds the character " +
                            CodePointName(codePoint) +
                            ", which a Voxtrel profile cannot hold. Remove it from " + keyName +
                            " in the [Commands] section.");
}

void CheckTemplateValue(const std::wstring& settingsPath, const std::wstring& key,
                        std::wstring_view value) {
    if (const std::optional<char32_t> refused = FirstNonXmlCharacter(value)) {
        RefuseTemplateValue(settingsPath, key, *refused);
    }
}

// Reads the Command family from Command(1) up to and including the first "vuoto" into slots 1
// on, slot 0 left empty: the number of slots is the count of commands, N + 2.
std::vector<std::wstring> ReadCommandFamily(const SectionReader& reader) {
    std::vector<std::wstring> names(1);
    std::size_t i = 1;
    do {
        names.push_back(reader.Read(FamilyKey(kCommandFamily, i)));
        ++i;
    } while (names.back() != kSentinel);
    return names;
}

// Checks the names the count read, in order, as the other families' values are checked when they
// are read: a refused name leaves the table as a load stopped before it would, its slot and the
// ones after it empty.
void CheckCommandNames(const std::wstring& settingsPath, std::vector<std::wstring>& names,
                       std::size_t upperBound) {
    for (std::size_t i = 1; i < upperBound; ++i) {
        if (const std::optional<char32_t> refused = FirstNonXmlCharacter(names[i])) {
            std::fill(names.begin() + static_cast<std::ptrdiff_t>(i), names.end(), std::wstring());
            RefuseTemplateValue(settingsPath, FamilyKey(kCommandFamily, i), *refused);
        }
    }
}

// Reads one family into `table` from slot 1, each value checked and then stored before it is
// tested for the sentinel, so that the sentinel ends up in the slot after the family's last entry.
// Returns the index reached, which is the number of entries plus 2.
std::size_t LoadFamily(const SectionReader& reader, const std::wstring& settingsPath,
                       std::wstring_view family, std::vector<std::wstring>& table,
                       std::size_t commandEntries) {
    std::size_t i = 1;
    std::wstring value;
    do {
        const std::wstring key = FamilyKey(family, i);
        value = reader.Read(key);
        if (i >= table.size()) {
            RefuseFamilyTooLong(settingsPath, family, commandEntries);
        }
        CheckTemplateValue(settingsPath, key, value);
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
