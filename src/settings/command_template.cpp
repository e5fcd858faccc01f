// Loads the command template of the "Commands" section into the three parallel tables.
#include "settings/command_template.h"

#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "errors/wingcall_error.h"
#include "files/wide_path.h"
#include "settings/private_profile/private_profile.h"
#include "settings/settings_file.h"
#include "text/utf8_text.h"
#include "text/xml_characters.h"

namespace wingcall {

namespace {

// Every template read goes to [Commands] with the default "vuoto".
SectionReader TemplateReader(const std::wstring& settingsPath) {
    return SectionReader(settingsPath, kCommandsSection, kMissingValue);
}

// Sets `key` to the key name of entry `number` of a family: "Phrase(12)". Digits by hand:
// std::to_wstring formats through the C library's locale machinery, which costs more than the
// rest of a template read. A load reuses one key, so building it allocates nothing.
void SetFamilyKey(std::wstring& key, const std::wstring& family, std::size_t number) {
    wchar_t digits[24];
    wchar_t* first = std::end(digits);
    do {
        *--first = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    key.assign(family).append(1, L'(').append(first, std::end(digits)).append(1, L')');
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
[[noreturn]] void RefuseFamilyTooLong(const std::wstring& settingsPath, const std::wstring& family,
                                      std::size_t commandEntries) {
    const std::string familyName = Utf8FromWide(family);
    const std::string commandRange =
        commandEntries == 0
            ? std::string("no Command(1)")
            : "Command(1) to " + Utf8FromWide(FamilyKey(L"Command", commandEntries));
    throw WingcallError(
        ErrorNumber::SubscriptOutOfRange,
        "The command template in " + Utf8FromWide(FileNameOf(settingsPath)) +
            " cannot be loaded: " + Utf8FromWide(FamilyKey(family, commandEntries + 2)) +
            " goes past the list of commands. The [Commands] section has " + commandRange +
            ", so the " + familyName + " entries may run to " +
            Utf8FromWide(FamilyKey(family, commandEntries + 1)) +
            " at most. Add the missing Command entries or remove the extra " + familyName +
            " entries.");
}

// Refuses a value that holds a character no profile can hold (a control character other than
// TAB, CR and LF, U+FFFE, U+FFFF, half a surrogate pair): every profile of the run would carry it
// or be refused, so the template is corrected once rather than at every Generate.
void CheckTemplateValue(const std::wstring& settingsPath, const std::wstring& key,
                        std::wstring_view value) {
    for (std::size_t i = 0; i < value.size();) {
        const char32_t codePoint = NextWideCodePoint(value, i);
        if (!IsXmlCharacter(codePoint)) {
            const std::string keyName = Utf8FromWide(key);
            throw WingcallError(ErrorNumber::InvalidArgument,
                                "The command template in " +
                                    Utf8FromWide(FileNameOf(settingsPath)) + " cannot be loaded: " +
                                    keyName + " holds the character " + CodePointName(codePoint) +
                                    ", which a Voxtrel profile cannot hold. Remove it from " +
                                    keyName + " in the [Commands] section.");
        }
    }
}

// Reads one family into `table`, each value stored before it is tested for the sentinel, so the
// sentinel ends up in the slot after the family's last entry. Returns the index reached, which is
// the number of entries plus 2.
std::size_t LoadFamily(const SectionReader& reader, const std::wstring& settingsPath,
                       const std::wstring& family, std::vector<std::wstring>& table,
                       std::size_t commandEntries) {
    std::size_t i = 1;
    std::wstring key;
    std::wstring value;
    do {
        SetFamilyKey(key, family, i);
        value = reader.Read(key);
        if (i >= table.size()) {
            RefuseFamilyTooLong(settingsPath, family, commandEntries);
        }
        CheckTemplateValue(settingsPath, key, value);
        table[i] = std::move(value);
        ++i;
    } while (table[i - 1] != kMissingValue);
    return i;
}

}  // namespace

std::wstring FamilyKey(const std::wstring& family, std::size_t number) {
    std::wstring key;
    SetFamilyKey(key, family, number);
    return key;
}

std::size_t CountCommands(const std::wstring& settingsPath) {
    const SettingsReadSnapshot oneVersionOfTheFile;
    const SectionReader reader = TemplateReader(settingsPath);
    std::size_t i = 1;
    std::wstring key;
    std::wstring value;
    do {
        SetFamilyKey(key, L"Command", i);
        value = reader.Read(key);
        ++i;
    } while (value != kMissingValue);
    return i;
}

void LoadCommandTemplate(const std::wstring& settingsPath, CommandTables& tables) {
    // The count and the three families come from one version of the file, checked on disk once.
    const SettingsReadSnapshot oneVersionOfTheFile;
    const std::size_t upperBound = CountCommands(settingsPath);
    const std::size_t commandEntries = upperBound - 2;
    // Only a load that gets through all three families sets a count.
    tables.CommandCount = 0;

    tables.CommandNames.assign(upperBound + 1, std::wstring());
    tables.CommandPhrases.assign(upperBound + 1, std::wstring());
    tables.CommandKeys.assign(upperBound + 1, std::wstring());

    const SectionReader reader = TemplateReader(settingsPath);
    LoadFamily(reader, settingsPath, L"Command", tables.CommandNames, commandEntries);
    LoadFamily(reader, settingsPath, L"Phrase", tables.CommandPhrases, commandEntries);
    const std::size_t keysReached =
        LoadFamily(reader, settingsPath, L"Keys", tables.CommandKeys, commandEntries);
    tables.CommandCount = keysReached - 2;
}

}  // namespace wingcall
