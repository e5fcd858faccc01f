// The line rules of a merge: how a source profile splits into lines, which of its lines the new
// header takes the place of, and whether such a line holds more than the header.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace wingcall {

// Calls visit(line) for each line of `text`. CR LF, a lone CR and a lone LF each end a line; the
// line end is not part of the line; a last line without a line end is still a line; empty text
// has no lines. Each line is a view into `text`, so its place there is line.data() - text.data().
template <typename Visit>
void ForEachSourceLine(std::string_view text, Visit&& visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            visit(text.substr(start));
            return;
        }
        visit(text.substr(start, end - start));
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
}

// Whether a source line repeats the new header: it holds the declaration Wingcall writes, the
// root opening "<voxtrel-config>" or the list opening "<command-list>", in any letter case.
bool IsSourceHeaderLine(std::string_view line);

// Whether a source line is nothing but the root or the list opening written another way: with
// attributes (`<voxtrel-config version="2">`) or blanks inside the tag, and blanks around it. The
// new header's opening takes its place, as it takes the place of the plain one.
bool IsSourceHeaderOpening(std::string_view line);

// The lines a merge leaves out by their text alone: IsSourceHeaderLine or IsSourceHeaderOpening.
bool IsDroppedSourceLine(std::string_view line);

// A stretch of the source, [start, end) in bytes.
struct SourceSpan {
    std::size_t start = 0;
    std::size_t end = 0;
};

// The 1-based number of the source line that holds the byte at `offset` (the line after the
// last one when `offset` is the size of `text`).
std::size_t SourceLineNumberAt(std::string_view text, std::size_t offset);

// What a left-out line holds that would be lost with it: the place in the source of its first
// byte that is none of `headerParts` (the declaration, root opening and list opening the merge
// replaces, which may begin before the line and end after it), blanks, a whole comment, a whole
// processing instruction or a document type declaration without an internal subset; npos when
// it holds nothing else. `line` is a view into `source`.
std::size_t FirstLostByteOfDroppedLine(std::string_view source, std::string_view line,
                                       const std::vector<SourceSpan>& headerParts);

// The header text a line holds, as Wingcall writes it, for a message; empty when it holds none.
std::string_view HeaderTextIn(std::string_view line);

}  // namespace wingcall
