// The line rules of a merge: how a source profile splits into lines, which of its lines the new
// header takes the place of, and whether such a line holds more than the header.
#include "profile/merge_source_lines.h"

#include <array>

#include "text/ascii_case.h"

namespace wingcall {
namespace {

// The source lines that would repeat the new header, in lower case (the comparison ignores the
// case of the line). The list opening is matched without its indent so that a list line
// indented any way matches too.
constexpr std::array<std::string_view, 3> kHeaderLineTexts = {
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>", "<voxtrel-config>", "<command-list>"};

bool IsTagBlank(char c) {
    return c == ' ' || c == '\t';
}

// Where the markup that begins at `at` with `opening` ends, just past `closing`, when it ends
// within `line`; npos otherwise.
std::size_t EndOfMarkupWithin(std::string_view line, std::size_t at, std::string_view opening,
                              std::string_view closing) {
    const std::size_t found = line.find(closing, at + opening.size());
    return found == std::string_view::npos ? found : found + closing.size();
}

}  // namespace

bool IsSourceHeaderLine(std::string_view line) {
    for (std::string_view headerText : kHeaderLineTexts) {
        if (FindIgnoringAsciiCase(line, headerText) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool IsSourceHeaderOpening(std::string_view line) {
    std::size_t at = 0;
    const auto skipBlanks = [&] {
        const std::size_t before = at;
        while (at < line.size() && IsTagBlank(line[at])) {
            ++at;
        }
        return at > before;
    };
    skipBlanks();
    if (at == line.size() || line[at] != '<') {
        return false;
    }
    ++at;
    bool named = false;
    for (std::string_view name :
         {std::string_view("voxtrel-config"), std::string_view("command-list")}) {
        if (StartsWithIgnoringAsciiCase(line.substr(at), name)) {
            at += name.size();
            named = true;
            break;
        }
    }
    if (!named) {
        return false;
    }
    for (;;) {
        const bool blank = skipBlanks();
        if (at == line.size()) {
            return false;
        }
        if (line[at] == '>') {
            ++at;
            skipBlanks();
            return at == line.size();
        }
        // An attribute: a name, "=", a quoted value; a blank must come before it.
        constexpr std::string_view kNotInName = " \t=/<>\"'";
        const std::size_t nameStart = at;
        while (at < line.size() && kNotInName.find(line[at]) == std::string_view::npos) {
            ++at;
        }
        if (!blank || at == nameStart) {
            return false;
        }
        skipBlanks();
        if (at == line.size() || line[at] != '=') {
            return false;
        }
        ++at;
        skipBlanks();
        if (at == line.size() || (line[at] != '"' && line[at] != '\'')) {
            return false;
        }
        const std::size_t close = line.find(line[at], at + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        at = close + 1;
    }
}

bool IsDroppedSourceLine(std::string_view line) {
    return IsSourceHeaderLine(line) || IsSourceHeaderOpening(line);
}

std::size_t SourceLineNumberAt(std::string_view text, std::size_t offset) {
    std::size_t number = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        const bool crOfCrLf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if ((text[i] == '\r' && !crOfCrLf) || text[i] == '\n') {
            ++number;
        }
    }
    return number;
}

std::size_t FirstLostByteOfDroppedLine(std::string_view source, std::string_view line,
                                       const std::vector<SourceSpan>& headerParts) {
    const std::size_t lineStart = static_cast<std::size_t>(line.data() - source.data());
    std::size_t at = 0;
    while (at < line.size()) {
        bool passed = false;
        for (const SourceSpan& part : headerParts) {
            if (lineStart + at >= part.start && lineStart + at < part.end) {
                at = part.end - lineStart;
                passed = true;
                break;
            }
        }
        if (passed) {
            continue;
        }
        if (IsTagBlank(line[at])) {
            ++at;
            continue;
        }
        // Comments, processing instructions and a document type declaration without an
        // internal subset go with the line, as they always did: the new header stands in their
        // place, and nothing of the profile's content is lost with them.
        const std::string_view rest = line.substr(at);
        std::size_t end = std::string_view::npos;
        if (rest.starts_with("<!--")) {
            end = EndOfMarkupWithin(line, at, "<!--", "-->");
        } else if (rest.starts_with("<?")) {
            end = EndOfMarkupWithin(line, at, "<?", "?>");
        } else if (rest.starts_with("<!DOCTYPE")) {
            end = EndOfMarkupWithin(line, at, "<!DOCTYPE", ">");
            if (end != std::string_view::npos && line.substr(at, end - at).find('[') != line.npos) {
                end = std::string_view::npos;
            }
        }
        if (end == std::string_view::npos) {
            return lineStart + at;
        }
        at = end;
    }
    return std::string_view::npos;
}

std::string_view HeaderTextIn(std::string_view line) {
    for (std::string_view headerText : kHeaderLineTexts) {
        if (FindIgnoringAsciiCase(line, headerText) != std::string_view::npos) {
            return headerText;
        }
    }
    return {};
}

}  // namespace wingcall
