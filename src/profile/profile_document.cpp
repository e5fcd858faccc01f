// The fixed text fragments of a Voxtrel profile document, shared by both profile writers.
#include "profile/profile_document.h"

#include <cstdint>

#include "errors/wingcall_error.h"
#include "text/ansi_code_page.h"
#include "text/utf8_text.h"
#include "text/xml_characters.h"

namespace wingcall {
namespace {

std::wstring_view TrimSpaces(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// Whether the code page writes `codePoint` (U+00A0 to U+00FF) as the byte of the same value, the
// byte that means it under the declared ISO-8859-1. Windows-1252 does for all of them; another
// code page on Windows may use that byte for something else, or lack the character.
bool CodePageHoldsAsItself(char32_t codePoint) {
    const wchar_t character = static_cast<wchar_t>(codePoint);
    const std::string bytes = WideToAnsiWithCharacterReferences(std::wstring_view(&character, 1));
    return bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) == codePoint;
}

// The value and the place to correct it, as the pilot knows them.
struct FieldWording {
    const char* value;
    const char* remedy;
};

FieldWording WordingOf(ProfileField field) {
    switch (field) {
        case ProfileField::CommandName:
            return {"the name of command ", "Command"};
        case ProfileField::Phrase:
            return {"the phrase of command ", "Phrase"};
        case ProfileField::KeySequence:
            return {"the key sequence of command ", "Keys"};
        case ProfileField::PushToTalkType:
            return {"the push-to-talk type", nullptr};
        case ProfileField::InitialState:
            return {"the push-to-talk initial state", nullptr};
        case ProfileField::FirstKey:
            return {"the first push-to-talk key", nullptr};
        case ProfileField::JoystickButton:
            return {"the joystick button", nullptr};
        case ProfileField::SecondKey:
            return {"the second push-to-talk key", nullptr};
    }
    return {"a value", nullptr};
}

[[noreturn]] void RefuseCharacter(char32_t codePoint, ProfileField field, std::size_t command) {
    const FieldWording wording = WordingOf(field);
    std::string message = wording.value;
    message[0] = static_cast<char>(message[0] - 'a' + 'A');
    if (wording.remedy != nullptr) {
        message += std::to_string(command);
    }
    message += " holds the character " + CodePointName(codePoint) +
               ", which a Voxtrel profile cannot hold. ";
    if (wording.remedy == nullptr) {
        message += "Remove it from that box, then generate again.";
    } else {
        const std::string key = std::string(wording.remedy) + "(" + std::to_string(command) + ")";
        message += field == ProfileField::Phrase ? "Remove it from the callsign or from " + key
                                                 : "Remove it from " + key;
        message += " in the [Commands] section of Wingcall.ini, then generate again.";
    }
    throw WingcallError(ErrorNumber::InvalidArgument, message);
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

std::string AttributeValueText(std::wstring_view value, ProfileField field, std::size_t command) {
    std::string bytes;
    bytes.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        const char32_t codePoint = NextWideCodePoint(value, i);
        switch (codePoint) {
            case U'&':
                bytes += "&amp;";
                continue;
            case U'<':
                bytes += "&lt;";
                continue;
            case U'>':
                bytes += "&gt;";
                continue;
            case U'"':
                bytes += "&quot;";
                continue;
            default:
                break;
        }
        if (codePoint >= 0x20 && codePoint < 0x80) {
            bytes.push_back(static_cast<char>(codePoint));
        } else if (!IsXmlCharacter(codePoint)) {
            RefuseCharacter(codePoint, field, command);
        } else if (codePoint >= 0xA0 && codePoint <= 0xFF && CodePageHoldsAsItself(codePoint)) {
            bytes.push_back(static_cast<char>(codePoint));
        } else {
            // TAB, CR and LF too: raw in an attribute value, a reader normalises them to blanks.
            bytes += "&#" + std::to_string(static_cast<std::uint32_t>(codePoint)) + ";";
        }
    }
    return bytes;
}

std::string CommandBlockText(std::wstring_view name, std::wstring_view phrase,
                             std::wstring_view keys, std::size_t command) {
    const std::string nameBytes = AttributeValueText(name, ProfileField::CommandName, command);
    const std::string phraseBytes = AttributeValueText(phrase, ProfileField::Phrase, command);
    const std::string keysBytes = AttributeValueText(keys, ProfileField::KeySequence, command);

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
        AppendLine(document, CommandBlockText(name, tables.CommandPhrases[index],
                                              tables.CommandKeys[index], index));
    }
}

}  // namespace wingcall
