// The fixed text fragments of a Voxtrel profile document, shared by both profile writers.
#include "profile/profile_document.h"

#include "settings/ansi_code_page.h"
#include "settings/wingcall_error.h"

namespace wingcall {
namespace {

std::wstring_view TrimSpaces(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// Refuses a CommandCount that reaches past one of the tables, naming the first missing entry in
// the order the blocks read them: name, phrase, keys.
void CheckTablesHoldCommands(const CommandTables& tables) {
    struct Family {
        const char* key;
        std::size_t slots;
    };
    const Family families[] = {{"Command", tables.CommandNames.size()},
                               {"Phrase", tables.CommandPhrases.size()},
                               {"Keys", tables.CommandKeys.size()}};
    const Family* shortest = nullptr;
    for (const Family& family : families) {
        if (tables.CommandCount >= family.slots &&
            (shortest == nullptr || family.slots < shortest->slots)) {
            shortest = &family;
        }
    }
    if (shortest != nullptr) {
        // Slots run from 0, so the first missing entry is numbered like the slot count.
        throw WingcallError(ErrorNumber::SubscriptOutOfRange,
                            std::string(shortest->key) + "(" + std::to_string(shortest->slots) +
                                ") is past the end of the command template.");
    }
}

}  // namespace

std::string_view ProfileHeaderText() {
    // The declaration always names ISO-8859-1, whatever the code page is.
    static constexpr std::string_view kHeader =
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
        "<voxtrel-config>\r\n"
        "        <command-list>\r\n";
    return kHeader;
}

std::string AttributeValueText(std::wstring_view value) {
    constexpr std::wstring_view kMarkup = L"&<>\"";
    // Most values hold no markup character: they are converted as they are, without a copy.
    if (value.find_first_of(kMarkup) == std::wstring_view::npos) {
        return WideToAnsiWithCharacterReferences(value);
    }
    // The references are ASCII, so escaping before the conversion gives the same bytes as
    // escaping after it, and leaves the "&" of the numeric references the conversion makes alone.
    std::wstring escaped;
    escaped.reserve(value.size() + 16);
    for (wchar_t character : value) {
        switch (character) {
            case L'&':
                escaped += L"&amp;";
                break;
            case L'<':
                escaped += L"&lt;";
                break;
            case L'>':
                escaped += L"&gt;";
                break;
            case L'"':
                escaped += L"&quot;";
                break;
            default:
                escaped += character;
        }
    }
    return WideToAnsiWithCharacterReferences(escaped);
}

std::string CommandBlockText(std::wstring_view name, std::wstring_view phrase,
                             std::wstring_view keys) {
    const std::string nameBytes = AttributeValueText(name);
    const std::string phraseBytes = AttributeValueText(phrase);
    const std::string keysBytes = AttributeValueText(keys);

    std::string block;
    // The fixed text of a block is under 120 bytes.
    block.reserve(120 + nameBytes.size() + phraseBytes.size() + keysBytes.size());
    block.append(16, ' ');
    block += "<command name=\"";
    block += nameBytes;
    block += "\" phrase=\"";
    block += phraseBytes;
    block += "\">";
    block += kLineEnd;
    block.append(24, ' ');
    block += "<sequence keys=\"";
    block += keysBytes;
    block += "\" />";
    block += kLineEnd;
    block.append(16, ' ');
    block += "</command>";
    block += kLineEnd;
    return block;
}

void AppendLine(std::string& document, std::string_view text) {
    document += text;
    document += kLineEnd;
}

void AppendCommandBlocks(std::string& document, const CommandTables& tables,
                         CommandNameSpaces nameSpaces) {
    if (tables.CommandCount == 0) {
        return;
    }
    CheckTablesHoldCommands(tables);
    for (std::size_t index = 1; index <= tables.CommandCount; ++index) {
        std::wstring_view name = tables.CommandNames[index];
        if (nameSpaces == CommandNameSpaces::Trimmed) {
            name = TrimSpaces(name);
        }
        AppendLine(document,
                   CommandBlockText(name, tables.CommandPhrases[index], tables.CommandKeys[index]));
    }
}

}  // namespace wingcall
