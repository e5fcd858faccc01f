// The fixed text fragments of a Voxtrel profile document, shared by both profile writers.
#pragma once

#include <string>
#include <string_view>

#include "settings/command_template.h"

namespace wingcall {

inline constexpr std::string_view kLineEnd = "\r\n";

// The header text: the XML declaration, the root opening and the list opening, each followed by
// CR LF. The writer's own CR LF after it makes the empty line that follows the list opening.
std::string_view ProfileHeaderText();

// The values a profile holds, for the message that refuses a character in one of them.
enum class ProfileField {
    CommandName,
    Phrase,
    KeySequence,
    PushToTalkType,
    InitialState,
    FirstKey,
    JoystickButton,
    SecondKey,
};

// The bytes of `value` inside a double-quoted attribute, such that a reader of the declared
// ISO-8859-1 gets back exactly the characters typed: "&", "<", ">" and the double quote become
// "&amp;", "&lt;", "&gt;" and "&quot;"; TAB, CR and LF become "&#9;", "&#13;" and "&#10;" (raw,
// a reader would see blanks); a character whose byte would mean something else under ISO-8859-1
// (Windows-1252's 0x80-0x9F, such as the curly quote "&#8217;") or that the code page lacks
// becomes a numeric character reference; every other character is its byte, as it always was.
// A character XML cannot hold at all (a control character other than those three, U+FFFE,
// U+FFFF, a lone surrogate) is refused with WingcallError InvalidArgument naming `field` of
// command `command` (0 for the push-to-talk values) and the character as "U+0007".
std::string AttributeValueText(std::wstring_view value, ProfileField field,
                               std::size_t command = 0);

// The command block text of command number `command`, each of its three lines followed by
// CR LF, with each value written as AttributeValueText. The caller decides whether the name is
// trimmed.
std::string CommandBlockText(std::wstring_view name, std::wstring_view phrase,
                             std::wstring_view keys, std::size_t command);

// Appends `text` and CR LF to `document`.
void AppendLine(std::string& document, std::string_view text);

// How a writer puts the command names in: a new profile trims them, a merged one does not.
enum class CommandNameSpaces { Trimmed, AsStored };

// Appends the command block text and its CR LF for commands 1..CommandCount of `tables`, in
// table order. With Trimmed, leading and trailing spaces (code 32 only) leave each name.
// Throws WingcallError SubscriptOutOfRange naming the first entry ("Keys(41)") that a table
// lacks, or InvalidArgument for a character no profile can hold (AttributeValueText); `document`
// is then left partly appended.
void AppendCommandBlocks(std::string& document, const CommandTables& tables,
                         CommandNameSpaces nameSpaces);

}  // namespace wingcall
