// The XML declaration that may begin a document: whether it is well-formed, and the encoding it
// names.
#pragma once

#include <string_view>

namespace wingcall {

// The declaration at the start of a document: whether there is one ("<?xml" and a blank or
// "?"), whether it is well-formed (version 1.0, then perhaps an encoding, then perhaps
// standalone "yes" or "no", in quotes of either kind), and the encoding as written (a view into
// the document; empty when it names none).
struct XmlDeclaration {
    bool present = false;
    bool wellFormed = false;
    std::string_view encoding;
};

XmlDeclaration ReadXmlDeclaration(std::string_view document);

}  // namespace wingcall
