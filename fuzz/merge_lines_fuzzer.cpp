// Fuzzes the merge's line reading: arbitrary source bytes. Every line of the merged document
// ends with CR LF, and its body is exactly the source's lines in order, less the header lines and
// the lines that are nothing but the root or list opening written another way. The check of the
// merged document reads every one of them and places a fault inside it.
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/merge_source_structure.h"
#include "profile/merged_profile_writer.h"
#include "profile/profile_markup_check.h"
#include "profile/source_encoding.h"

namespace {

wingcall::CommandTables OneCommand() {
    wingcall::CommandTables tables;
    tables.CommandNames = {L"", L" Rejoin ", L"vuoto"};
    tables.CommandPhrases = {L"", L"Viper one one rejoin", L"vuoto"};
    tables.CommandKeys = {L"", L"LShift+R", L"vuoto"};
    tables.CommandCount = 1;
    return tables;
}

// The source split the plain way: CR LF, CR and LF each end a line.
std::vector<std::string_view> PlainLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// The header test the plain way: fold the whole line to lower case and search it.
bool PlainIsHeaderLine(std::string_view line) {
    std::string folded(line);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded.find("<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>") != std::string::npos ||
           folded.find("<voxtrel-config>") != std::string::npos ||
           folded.find("<command-list>") != std::string::npos;
}

// The other spellings of an opening the plain way: lower-case the line, trim its blanks, take off
// "<name" and ">", and what is left must be attributes, each a blank, a name, "=" and a quoted
// value, with blanks around the "=" and after the last.
bool PlainIsHeaderOpening(std::string_view line) {
    std::string folded(line);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!folded.empty() && blank(folded.back())) {
        folded.pop_back();
    }
    while (!folded.empty() && blank(folded.front())) {
        folded.erase(0, 1);
    }
    std::string rest;
    for (std::string opening : {"<voxtrel-config", "<command-list"}) {
        if (folded.starts_with(opening) && folded.ends_with(">") &&
            folded.size() > opening.size()) {
            rest = folded.substr(opening.size(), folded.size() - opening.size() - 1);
            rest += ' ';  // a blank after the last attribute is always allowed
            break;
        }
        if (opening == "<command-list") {
            return false;
        }
    }
    std::size_t at = 0;
    while (true) {
        const std::size_t blanks = at;
        while (at < rest.size() && blank(rest[at])) {
            ++at;
        }
        if (at == rest.size()) {
            return true;
        }
        if (at == blanks) {
            return false;
        }
        const std::size_t equals = rest.find('=', at);
        if (equals == std::string::npos || equals == at) {
            return false;
        }
        std::size_t nameEnd = equals;
        while (blank(rest[nameEnd - 1])) {
            --nameEnd;
        }
        if (rest.substr(at, nameEnd - at).find_first_of(" \t/<>\"'") != std::string::npos) {
            return false;
        }
        at = equals + 1;
        while (at < rest.size() && blank(rest[at])) {
            ++at;
        }
        if (at == rest.size() || (rest[at] != '"' && rest[at] != '\'')) {
            return false;
        }
        const std::size_t close = rest.find(rest[at], at + 1);
        if (close == std::string::npos) {
            return false;
        }
        at = close + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    static const wingcall::CommandTables tables = OneCommand();
    static const std::string newPart = wingcall::MergedProfileDocument(tables, "");

    std::vector<std::string_view> visited;
    wingcall::ForEachSourceLine(source, [&](std::string_view line) { visited.push_back(line); });
    const std::vector<std::string_view> expected = PlainLines(source);
    if (visited != expected) {
        std::abort();
    }

    const std::string document = wingcall::MergedProfileDocument(tables, source);
    if (document.compare(0, newPart.size(), newPart) != 0) {
        std::abort();
    }
    std::string body;
    for (std::string_view line : expected) {
        if (wingcall::IsSourceHeaderLine(line) != PlainIsHeaderLine(line) ||
            wingcall::IsSourceHeaderOpening(line) != PlainIsHeaderOpening(line)) {
            std::abort();
        }
        if (!PlainIsHeaderLine(line) && !PlainIsHeaderOpening(line)) {
            body.append(line).append("\r\n");
        }
    }
    if (document.size() != newPart.size() + body.size() ||
        document.compare(newPart.size(), std::string::npos, body) != 0) {
        std::abort();
    }
    // No line end inside the document but CR LF pairs.
    for (std::size_t i = 0; i < document.size(); ++i) {
        const bool crLf = document[i] == '\r' && i + 1 < document.size() && document[i + 1] == '\n';
        if ((document[i] == '\r' && !crLf) || (document[i] == '\n' && document[i - 1] != '\r')) {
            std::abort();
        }
    }
    const std::optional<wingcall::MarkupFault> fault = wingcall::FindMarkupFault(document);
    if (fault && (fault->offset > document.size() || fault->openedAt > fault->offset)) {
        std::abort();
    }
    // The merge's own reading of the source: its encoding, then its structure, every place it
    // names inside the source.
    const wingcall::SourceInLatinOne carried = wingcall::CarryIntoLatinOne(source);
    if (carried.bytes && carried.bytes->empty() != source.empty() && source != "\xEF\xBB\xBF") {
        std::abort();
    }
    const wingcall::SourceReading reading =
        wingcall::ReadMergeSource(carried.bytes ? std::string_view(*carried.bytes) : source);
    const std::size_t judged = carried.bytes ? carried.bytes->size() : source.size();
    const wingcall::MergeSourceStructure& structure = reading.structure;
    if ((reading.fault && reading.fault->offset > judged) ||
        (structure.rootOpening && structure.rootOpening->end > judged) ||
        (structure.listOpening && structure.listOpening->start < structure.rootOpening->end)) {
        std::abort();
    }
    return 0;
}
