// The encoding a merge source is written in, and its characters as the merged profile holds
// them: that profile is declared ISO-8859-1, whatever the source was.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wingcall {

// A source whose characters the merged profile can hold: `bytes` when they had to change, or
// nothing when the source's own bytes mean the same under ISO-8859-1. Otherwise `refusal` says
// why not, in whole sentences that follow the source's name: "it is written in UTF-8, and ...".
// `notAProfile` tells a source that is no well-formed XML in its own encoding (bytes that are
// not UTF-8, a declaration that is not well-formed) from one that is, but that a profile in
// ISO-8859-1 cannot hold as it stands.
struct SourceInLatinOne {
    std::optional<std::string> bytes;
    std::string refusal;
    bool notAProfile = false;
};

// Reads the encoding from a UTF-8 byte-order mark, or else from the XML declaration, or else
// takes UTF-8 as XML does. ISO-8859-1 under any of its names, and US-ASCII, keep the bytes as
// they are. UTF-8 and Windows-1252 are carried character by character: a character from U+00A0
// to U+00FF as its byte, any other beyond ASCII as a character reference where XML reads one
// (text and attribute values), and refused where it does not (names, comments, processing
// instructions, CDATA sections). The byte-order mark goes. Any other encoding is refused.
SourceInLatinOne CarryIntoLatinOne(std::string_view source);

}  // namespace wingcall
