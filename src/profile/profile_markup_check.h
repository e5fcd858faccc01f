// Checks that a profile document is well-formed XML of the shape Voxtrel loads, before it is
// written: the subset of XML that profiles use, with no XML library.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace wingcall {

// The first place where a document stops being a profile Voxtrel can load.
struct MarkupFault {
    enum class Kind {
        Malformed,  // `what` says what is wrong at `offset`
        Mismatch,  // the end tag `closing` at `offset` meets `open`, whose start tag is at openedAt
        EndsOpen,  // the document ends (`offset` is its size) with `open`, started at openedAt
    };
    Kind kind = Kind::Malformed;
    std::size_t offset = 0;
    // Texts for a message, in UTF-8, with names and excerpts of the document cut short.
    std::string what;  // a phrase that follows "its line N ": "holds a \"<\" in an attribute value"
    std::string closing;  // the name of the end tag that does not match
    std::string open;     // the name of the innermost element still open
    std::size_t openedAt = 0;
};

// Checks `document`, bytes read as ISO-8859-1 as its declaration says, and gives its first fault,
// or nothing when it is well-formed XML 1.0 with one root element `voxtrel-config` holding at most
// one `command-list` (and no other `voxtrel-config`). Elements, attributes, comments, CDATA
// sections, processing instructions and character and entity references are read; there is no
// document type, so a DOCTYPE and any entity other than the five predefined ones are faults.
std::optional<MarkupFault> FindMarkupFault(std::string_view document);

}  // namespace wingcall
