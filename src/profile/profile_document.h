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

// The bytes of `value` inside a double-quoted attribute: "&", "<", ">" and the double quote become
// "&amp;", "&lt;", "&gt;" and "&quot;", so that whatever the user typed stays one attribute value
// of a well-formed document; characters the ANSI code page lacks become numeric character
// references ("&#321;"); every other character is its byte in the code page, as before.
std::string AttributeValueText(std::wstring_view value);

// The command block text of one command, each of its three lines followed by CR LF, with each
// value written as AttributeValueText. The caller decides whether the name is trimmed.
std::string CommandBlockText(std::wstring_view name, std::wstring_view phrase,
                             std::wstring_view keys);

// Appends `text` and CR LF to `document`.
void AppendLine(std::string& document, std::string_view text);

// How a writer puts the command names in: a new profile trims them, a merged one does not.
enum class CommandNameSpaces { Trimmed, AsStored };

// Appends the command block text and its CR LF for commands 1..CommandCount of `tables`, in
// table order. With Trimmed, leading and trailing spaces (code 32 only) leave each name.
// Throws WingcallError SubscriptOutOfRange naming the first entry ("Keys(41)") that a table
// lacks; `document` is then left partly appended.
void AppendCommandBlocks(std::string& document, const CommandTables& tables,
                         CommandNameSpaces nameSpaces);

}  // namespace wingcall
