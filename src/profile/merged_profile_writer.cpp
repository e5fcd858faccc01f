// Writes a profile whose new command blocks come before the body of an existing profile.
#include "profile/merged_profile_writer.h"

#include <array>
#include <optional>
#include <utility>

#include "errors/wingcall_error.h"
#include "files/backed_up_replace.h"
#include "files/whole_file_read.h"
#include "files/wide_path.h"
#include "profile/profile_document.h"
#include "profile/profile_markup_check.h"

namespace wingcall {
namespace {

// The source lines that would repeat the new header, in lower case (the comparison folds the
// line to lower case). The list opening is matched without its indent so that a list line
// indented any way matches too.
constexpr std::array<std::string_view, 3> kHeaderLineTexts = {
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>", "<voxtrel-config>", "<command-list>"};

constexpr char FoldAsciiCase(char character) {
    return (character >= 'A' && character <= 'Z') ? static_cast<char>(character + ('a' - 'A'))
                                                  : character;
}

// Whether `text` contains `lowerCaseNeedle`, ignoring the case of ASCII letters.
bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view lowerCaseNeedle) {
    if (lowerCaseNeedle.size() > text.size()) {
        return false;
    }
    // Every header text starts with "<", which has no case: jump from one "<" to the next
    // instead of trying every position of a long line.
    const char first = lowerCaseNeedle.front();
    const bool firstHasCase = first >= 'a' && first <= 'z';
    for (std::size_t start = 0; start + lowerCaseNeedle.size() <= text.size(); ++start) {
        if (!firstHasCase) {
            start = text.find(first, start);
            if (start == std::string_view::npos || start + lowerCaseNeedle.size() > text.size()) {
                return false;
            }
        }
        std::size_t offset = 0;
        while (offset < lowerCaseNeedle.size() &&
               FoldAsciiCase(text[start + offset]) == lowerCaseNeedle[offset]) {
            ++offset;
        }
        if (offset == lowerCaseNeedle.size()) {
            return true;
        }
    }
    return false;
}

// Whether `text` begins with `lowerCaseNeedle`, ignoring the case of ASCII letters.
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view lowerCaseNeedle) {
    if (lowerCaseNeedle.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerCaseNeedle.size(); ++i) {
        if (FoldAsciiCase(text[i]) != lowerCaseNeedle[i]) {
            return false;
        }
    }
    return true;
}

bool IsTagBlank(char c) {
    return c == ' ' || c == '\t';
}

// Markup a dropped header line may hold beside the header texts: opening (lower case) and end.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kMarkupDroppedWithHeader = {
    {{"<!--", "-->"}, {"<?", "?>"}, {"<!doctype", ">"}}};

// Whether a line dropped as a header line holds anything besides the header texts, blanks, whole
// comments, processing instructions and document type declarations, a UTF-8 byte-order mark at its
// start and the other opening written another way
// (`<voxtrel-config version="2">`): a command on the list line, say, which would be lost with it.
bool HoldsMoreThanHeader(std::string_view line) {
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    if (line.starts_with(kUtf8Mark)) {
        line.remove_prefix(kUtf8Mark.size());
    }
    std::string rest;
    for (std::size_t i = 0; i < line.size();) {
        bool left = false;
        for (std::string_view headerText : kHeaderLineTexts) {
            if (StartsWithIgnoringAsciiCase(line.substr(i), headerText)) {
                i += headerText.size();
                left = true;
                break;
            }
        }
        // Whole comments, processing instructions (a declaration spelled another way among
        // them) and a document type declaration without an internal subset go with the line as
        // they always did: the new header stands in their place, and nothing of the profile's
        // content is lost with them.
        for (const auto& [opening, closing] : kMarkupDroppedWithHeader) {
            if (left || !StartsWithIgnoringAsciiCase(line.substr(i), opening)) {
                continue;
            }
            const std::size_t end = line.find(closing, i + opening.size());
            if (end == std::string_view::npos ||
                (opening == "<!doctype" && line.substr(i, end - i).find('[') != line.npos)) {
                return true;
            }
            i = end + closing.size();
            left = true;
        }
        if (!left) {
            rest.push_back(line[i++]);
        }
    }
    return !std::all_of(rest.begin(), rest.end(), IsTagBlank) && !IsSourceHeaderOpening(rest);
}

// The first header text a line holds, as Wingcall writes it, for a message.
std::string_view HeaderTextIn(std::string_view line) {
    for (std::string_view headerText : kHeaderLineTexts) {
        if (ContainsIgnoringAsciiCase(line, headerText)) {
            return headerText;
        }
    }
    return {};
}

[[noreturn]] void ThrowReadFailure(const std::filesystem::path& source, const std::string& reason) {
    throw MergeSourceRefused(ErrorNumber::FileAccess,
                             "Could not read \"" + Utf8FromPath(source) + "\": " + reason + ".");
}

// A source Wingcall will not add to: the profile it would give is not one Voxtrel can load.
// `reason` is one or more whole sentences.
[[noreturn]] void ThrowUnmergeableSource(const std::filesystem::path& source,
                                         const std::string& reason) {
    throw MergeSourceRefused(ErrorNumber::InvalidArgument,
                             "Could not add to \"" + Utf8FromPath(source) + "\": " + reason);
}

std::string SourceTooLargeReason() {
    return "it is larger than " + std::to_string(kMaximumMergeSourceBytes / (1024 * 1024)) +
           " MB, far more than a Voxtrel profile holds, so it is not one.";
}

// The whole content of the source profile, as bytes in the ANSI code page.
std::string ReadWholeSource(const std::filesystem::path& source) {
    WholeFileRead read = ReadWholeFile(source, kMaximumMergeSourceBytes);
    switch (read.failure) {
        case WholeFileFailure::None:
            break;
        case WholeFileFailure::Unreadable:
            ThrowReadFailure(source, read.systemReason);
        case WholeFileFailure::Folder:
            ThrowReadFailure(source, "it is a folder");
        case WholeFileFailure::NotOrdinaryFile:
#ifdef _WIN32
            ThrowUnmergeableSource(source, "it is not an ordinary file but a device or a pipe.");
#else
            ThrowUnmergeableSource(source,
                                   "it is not an ordinary file but a device, a pipe or a socket.");
#endif
        case WholeFileFailure::TooLarge:
            ThrowUnmergeableSource(source, SourceTooLargeReason());
    }
    return std::move(read.bytes);
}

// Whether `line` holds the text of the root's end tag, "</voxtrel-config>", blanks before its ">"
// allowed as in any end tag.
bool HoldsRootEnd(std::string_view line) {
    constexpr std::string_view kRootEnd = "</voxtrel-config";
    for (std::size_t at = line.find(kRootEnd); at != std::string_view::npos;
         at = line.find(kRootEnd, at + 1)) {
        std::size_t after = at + kRootEnd.size();
        while (after < line.size() && IsTagBlank(line[after])) {
            ++after;
        }
        if (after < line.size() && line[after] == '>') {
            return true;
        }
    }
    return false;
}

// What the "<"s of a line may begin, found in one walk from "<" to "<", for the closer looks that
// only a few lines need: a bit says the line may hold that markup, a bit not set that it cannot.
enum MarkupCandidate : unsigned {
    kMayBeDropped = 1,        // "<?xml", "<voxtrel-" or "<command-", in any case
    kMayHoldRootEnd = 2,      // "</voxtrel-"
    kMayHoldDeclaration = 4,  // "<?xml"
};

unsigned MarkupCandidatesOf(std::string_view line) {
    unsigned found = 0;
    for (std::size_t at = line.find('<'); at != std::string_view::npos;
         at = line.find('<', at + 1)) {
        const std::string_view rest = line.substr(at);
        // Most "<"s of a profile begin "<command ", "<sequence" or "</command": the byte after
        // the "<" rules out all but one of the openings at once.
        switch (rest.size() < 2 ? '\0' : FoldAsciiCase(rest[1])) {
            case '?':
                if (StartsWithIgnoringAsciiCase(rest, "<?xml")) {
                    found |= kMayBeDropped | kMayHoldDeclaration;
                }
                break;
            case 'v':
                if (StartsWithIgnoringAsciiCase(rest, "<voxtrel-")) {
                    found |= kMayBeDropped;
                }
                break;
            case 'c':
                if (StartsWithIgnoringAsciiCase(rest, "<command-")) {
                    found |= kMayBeDropped;
                }
                break;
            case '/':
                if (StartsWithIgnoringAsciiCase(rest, "</voxtrel-")) {
                    found |= kMayHoldRootEnd;
                }
                break;
            default:
                break;
        }
    }
    return found;
}

// What the merge carries over from a source, found in one pass: the size of the body, and what
// tells whether the merged document can be a profile at all.
struct CarriedOverLines {
    std::size_t bodySize = 0;
    bool holdsClosingRoot = false;
    std::size_t firstDeclarationLine = 0;     // 1-based line of the source; 0 for none
    std::size_t firstOverfullHeaderLine = 0;  // a dropped line that holds more; 0 for none
    std::string_view overfullHeaderText;      // the header text that line holds
};

// Whether `line` holds an XML declaration ("<?xml" followed by a blank or "?"), in any case: the
// declaration may only begin a document, and a processing instruction named "xml" in any case is
// reserved for it. Other processing instructions ("<?xml-stylesheet") are left alone.
bool HoldsXmlDeclaration(std::string_view line) {
    constexpr std::string_view kOpening = "<?xml";
    for (std::size_t at = line.find("<?"); at != std::string_view::npos;
         at = line.find("<?", at + 2)) {
        if (!ContainsIgnoringAsciiCase(line.substr(at, kOpening.size()), kOpening)) {
            continue;
        }
        const std::size_t after = at + kOpening.size();
        if (after == line.size() || line[after] == ' ' || line[after] == '\t' ||
            line[after] == '?') {
            return true;
        }
    }
    return false;
}

CarriedOverLines ScanCarriedOverLines(std::string_view sourceBytes) {
    CarriedOverLines carried;
    std::size_t lineNumber = 0;
    ForEachSourceLine(sourceBytes, [&](std::string_view line) {
        ++lineNumber;
        const unsigned candidates = MarkupCandidatesOf(line);
        if ((candidates & kMayBeDropped) != 0) {
            if (IsSourceHeaderLine(line)) {
                if (carried.firstOverfullHeaderLine == 0 && HoldsMoreThanHeader(line)) {
                    carried.firstOverfullHeaderLine = lineNumber;
                    carried.overfullHeaderText = HeaderTextIn(line);
                }
                return;
            }
            if (IsSourceHeaderOpening(line)) {
                return;
            }
        }
        carried.bodySize += line.size() + kLineEnd.size();
        if (!carried.holdsClosingRoot && (candidates & kMayHoldRootEnd) != 0 &&
            HoldsRootEnd(line)) {
            carried.holdsClosingRoot = true;
        }
        if (carried.firstDeclarationLine == 0 && (candidates & kMayHoldDeclaration) != 0 &&
            HoldsXmlDeclaration(line)) {
            carried.firstDeclarationLine = lineNumber;
        }
    });
    return carried;
}

// Refuses a source whose carried-over lines would not make a profile: without a closing root line
// the document never ends (an empty source, a profile on one line whose only line is dropped as a
// header line, a file that is no profile), and a declaration would stand after the new header.
void CheckCarriedOverLines(const std::filesystem::path& source, const CarriedOverLines& carried) {
    if (carried.firstDeclarationLine != 0) {
        ThrowUnmergeableSource(
            source, "its line " + std::to_string(carried.firstDeclarationLine) +
                        " holds an XML declaration (\"<?xml\") other than the one Wingcall writes, "
                        "which would stand after the new header and make the profile unreadable. "
                        "Choose a profile that Wingcall wrote.");
    }
    if (!carried.holdsClosingRoot) {
        ThrowUnmergeableSource(
            source,
            "no line of it after the header lines holds \"</voxtrel-config>\", so the profile "
            "would have no end. The file is empty, is not a Voxtrel profile, or holds the whole "
            "profile on one line. Choose a profile that Wingcall wrote.");
    }
    if (carried.firstOverfullHeaderLine != 0) {
        ThrowUnmergeableSource(
            source,
            "its line " + std::to_string(carried.firstOverfullHeaderLine) + " holds \"" +
                std::string(carried.overfullHeaderText) +
                "\" together with other text or markup. Wingcall leaves that line out "
                "whole, since the new header takes its place, so the rest of it (a command, "
                "the start of a comment) would be lost. "
                "Put \"" +
                std::string(carried.overfullHeaderText) +
                "\" on a line of its own, or choose a profile that Wingcall wrote.");
    }
}

// Whether the source is UTF-16 text: a byte-order mark of either order, or (without one) a first
// character whose other byte is NUL, as an ASCII "<" or blank is in UTF-16. A profile in the
// code page never holds a NUL among its first two bytes.
bool IsUtf16(std::string_view bytes) {
    if (bytes.size() < 2) {
        return false;
    }
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    return (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF) ||
           ((first == 0) != (second == 0));
}

// The source's line number of the merged document's byte at `offset`, which lies in the carried
// over lines: those lines follow the new part, each ended by CR LF and none holding a line end.
std::size_t SourceLineAt(std::string_view document, std::size_t newPartSize,
                         std::string_view sourceBytes, std::size_t offset) {
    std::size_t carriedIndex = 0;
    for (std::size_t at = document.find(kLineEnd, newPartSize); at < offset;
         at = document.find(kLineEnd, at + kLineEnd.size())) {
        ++carriedIndex;
    }
    std::size_t lineNumber = 0;
    std::size_t found = 0;
    std::size_t carried = 0;
    ForEachSourceLine(sourceBytes, [&](std::string_view line) {
        ++lineNumber;
        if (found == 0 && !IsDroppedSourceLine(line) && carried++ == carriedIndex) {
            found = lineNumber;
        }
    });
    return found != 0 ? found : lineNumber;
}

// The first carried-over line that holds the text "</voxtrel-config>", or 0.
std::size_t FirstLineHoldingRootEnd(std::string_view sourceBytes) {
    std::size_t lineNumber = 0;
    std::size_t found = 0;
    ForEachSourceLine(sourceBytes, [&](std::string_view line) {
        ++lineNumber;
        if (found == 0 && !IsDroppedSourceLine(line) && HoldsRootEnd(line)) {
            found = lineNumber;
        }
    });
    return found;
}

// What is wrong, from "its line N" on, with the source whose merge gives `document`.
std::string FaultReason(const MarkupFault& fault, std::string_view document,
                        std::size_t newPartSize, std::string_view sourceBytes) {
    const auto lineOf = [&](std::size_t offset) {
        return "its line " +
               std::to_string(SourceLineAt(document, newPartSize, sourceBytes, offset));
    };
    const bool openedByHeader = fault.openedAt < newPartSize;
    switch (fault.kind) {
        case MarkupFault::Kind::Malformed:
            return lineOf(fault.offset) + " " + fault.what;
        case MarkupFault::Kind::Mismatch:
            if (openedByHeader && fault.open == "command-list" &&
                fault.closing == "voxtrel-config") {
                return lineOf(fault.offset) + " holds \"</" + fault.closing +
                       ">\" before any \"</command-list>\": it has no command list of its own "
                       "that the new commands could join";
            }
            return lineOf(fault.offset) + " holds \"</" + fault.closing + ">\" where \"<" +
                   fault.open + ">\" " +
                   (openedByHeader ? std::string("of the new header")
                                   : "of " + lineOf(fault.openedAt)) +
                   " is still open";
        case MarkupFault::Kind::EndsOpen:
            if (!openedByHeader) {
                return lineOf(fault.openedAt) + " opens \"<" + fault.open +
                       ">\", which no later line closes";
            }
            break;
    }
    // The new header's root or list is left open: the source's closing line is not markup.
    const std::size_t rootEndLine = FirstLineHoldingRootEnd(sourceBytes);
    if (rootEndLine == 0) {
        return "its last line leaves \"<" + fault.open + ">\" of the new header open";
    }
    return "its line " + std::to_string(rootEndLine) +
           " holds \"</voxtrel-config>\" only inside a comment, a CDATA section or a processing "
           "instruction, where it ends nothing";
}

// Refuses the merge when its document would not be a profile Voxtrel loads, naming the source's
// line where it goes wrong.
void CheckMergedDocument(const std::filesystem::path& source, std::string_view document,
                         std::size_t newPartSize, std::string_view sourceBytes) {
    const std::optional<MarkupFault> fault = FindMarkupFault(document);
    if (fault) {
        ThrowUnmergeableSource(
            source, FaultReason(*fault, document, newPartSize, sourceBytes) +
                        ", so the merged profile would not be well-formed XML and Voxtrel could "
                        "not load it. Correct that line or choose a profile that Wingcall wrote.");
    }
}

std::string AssembleMergedDocument(const CommandTables& tables, std::string_view sourceBytes,
                                   std::size_t bodySize) {
    std::string newPart;
    AppendLine(newPart, ProfileHeaderText());
    AppendCommandBlocks(newPart, tables, CommandNameSpaces::AsStored);

    // Sized exactly before the body goes in, so that the source and the document are all the
    // memory a large merge holds: no table of lines, no spare capacity from growing.
    std::string document;
    document.reserve(newPart.size() + bodySize);
    document += newPart;
    newPart = std::string();
    ForEachSourceLine(sourceBytes, [&](std::string_view line) {
        if (!IsDroppedSourceLine(line)) {
            AppendLine(document, line);
        }
    });
    return document;
}

}  // namespace

bool IsSourceHeaderLine(std::string_view line) {
    for (std::string_view headerText : kHeaderLineTexts) {
        if (ContainsIgnoringAsciiCase(line, headerText)) {
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
    return (MarkupCandidatesOf(line) & kMayBeDropped) != 0 &&
           (IsSourceHeaderLine(line) || IsSourceHeaderOpening(line));
}

std::string MergedProfileDocument(const CommandTables& tables, std::string_view sourceBytes) {
    return AssembleMergedDocument(tables, sourceBytes, ScanCarriedOverLines(sourceBytes).bodySize);
}

void WriteMergedProfile(const std::filesystem::path& outputPath,
                        const std::filesystem::path& AppendSourcePath,
                        const CommandTables& tables) {
    // The source is read and checked whole before the output is touched, so that a source which
    // is also the output keeps its body, and a source that cannot be read or would not give a
    // profile leaves the output as it was.
    const std::string sourceBytes = ReadWholeSource(AppendSourcePath);
    if (IsUtf16(sourceBytes)) {
        ThrowUnmergeableSource(AppendSourcePath,
                               "it is written in UTF-16; Voxtrel profiles that Wingcall writes are "
                               "in the Windows code page. Choose a profile that Wingcall wrote.");
    }
    const CarriedOverLines carried = ScanCarriedOverLines(sourceBytes);
    CheckCarriedOverLines(AppendSourcePath, carried);
    const std::string document = AssembleMergedDocument(tables, sourceBytes, carried.bodySize);
    CheckMergedDocument(AppendSourcePath, document, document.size() - carried.bodySize,
                        sourceBytes);
    ReplaceFileKeepingBackup(outputPath, document);
}

}  // namespace wingcall
