// Checks that a profile document is well-formed XML of the shape Voxtrel loads: the subset of XML
// that profiles use, with no XML library. A merge reads its source with it once, and learns the
// source's structure from what the check reports on the way.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wingcall {

// How deep elements may nest, and how many attributes one tag may give: far above any profile
// (four levels, three attributes), and low enough that neither the check's memory nor its time
// can grow past the document's own size.
inline constexpr std::size_t kMaximumElementDepth = 1000;
inline constexpr std::size_t kMaximumAttributesPerTag = 1000;

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

// One attribute of a start tag: its name and the whole of `name="value"` in the document.
struct MarkupAttribute {
    std::string_view name;
    std::size_t start = 0;
    std::size_t end = 0;
};

// What the check has read, told as it goes, in document order. Places are [start, end) offsets
// into the document; `depth` is the number of elements open around the markup.
class MarkupObserver {
  public:
    virtual ~MarkupObserver() = default;
    virtual void StartTag(std::string_view name, std::size_t start, std::size_t end,
                          std::size_t depth, bool emptyElement,
                          const std::vector<MarkupAttribute>& attributes) = 0;
    // Character data up to the next markup, references included; `blank` when it is all blanks.
    virtual void Text(std::size_t start, std::size_t end, bool blank) = 0;
    virtual void CDataSection(std::size_t start, std::size_t end) = 0;
    // The XML declaration too, whose target is "xml" and which stands at offset 0.
    virtual void ProcessingInstruction(std::string_view target, std::size_t start,
                                       std::size_t end) = 0;
    virtual void DocumentType(std::size_t start, std::size_t end) = 0;
};

// Bytes of a document (ISO-8859-1) for a message (UTF-8), cut to a length a message can show,
// with "..." where they were cut.
std::string MarkupExcerpt(std::string_view bytes);

// Checks `document`, bytes read as ISO-8859-1 as its declaration says, and gives its first fault,
// or nothing when it is well-formed XML 1.0 with one root element `voxtrel-config` holding at most
// one `command-list` (and no other `voxtrel-config`), nested at most kMaximumElementDepth deep,
// with at most kMaximumAttributesPerTag attributes in a tag. Elements, attributes, comments, CDATA
// sections, processing instructions and character and entity references are read. Without an
// observer a DOCTYPE is a fault, since a document Wingcall writes has none; with one, a DOCTYPE
// without an internal subset before the root is told to it, and any entity other than the five
// predefined ones is still a fault.
std::optional<MarkupFault> FindMarkupFault(std::string_view document,
                                           MarkupObserver* observer = nullptr);

}  // namespace wingcall
