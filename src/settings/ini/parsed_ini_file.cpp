// Splits a settings file into lines and finds its sections and keys, by the rules of the format:
// - CR LF, a lone LF and a lone CR each end a line; a NUL ends only the text of its own line.
// - "[name]" starts a section: leading blanks are allowed, the name runs to the last "]" (or to a
//   NUL inside it) and is trimmed. Only the first section of a name counts; the lines of a
//   repeated one are skipped, as are the lines before the first section (except the keys of a
//   UTF-8 file with a byte-order mark, which belong to the section with the empty name).
// - A key line splits at the first "="; name and value are trimmed, the value of Ctrl-Z too.
//   Only the first key of a name in its section counts. There is no comment syntax.
#ifndef _WIN32

#include "settings/ini/parsed_ini_file.h"

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "settings/ini/ini_syntax.h"
#include "text/ascii_case.h"

namespace wingcall {
namespace {

// Records keep offsets of 32 bits: the parsed text must end below 4 GiB.
constexpr std::size_t kLargestText = 0xFFFFFFFFu;

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// A name as it matches: names match without regard to ASCII letter case.
std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        c = FoldAsciiCase(c);
    }
    return folded;
}

// The name of a header line, or none: "[" as the line's first character that is not blank, then
// the name up to the last "]", trimmed. A NUL ends the name where it stands: "[T<NUL>U]" names
// section "T", as the platform reads it.
std::optional<std::string_view> HeaderName(std::string_view line) {
    const std::string_view fromFirstCharacter = TrimLeft(BeforeNul(line));
    if (!fromFirstCharacter.starts_with('[')) {
        return std::nullopt;
    }
    const std::size_t close = fromFirstCharacter.rfind(']');
    if (close != std::string_view::npos) {
        return Trim(fromFirstCharacter.substr(1, close - 1));
    }
    // No "]" before the NUL: the header still needs one after it.
    const std::size_t open = static_cast<std::size_t>(fromFirstCharacter.data() - line.data());
    if (line.find(']', open) == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(fromFirstCharacter.substr(1));
}

// The first CR or LF (or NUL, when `nulEnds`) of the text from `from` on, or its end.
std::size_t FindLineEnd(std::string_view text, std::size_t from, bool nulEnds) {
    while (from < text.size() && text[from] != '\r' && text[from] != '\n' &&
           !(nulEnds && text[from] == '\0')) {
        ++from;
    }
    return from;
}

// The number of UTF-16 code units that the UTF-8 text decoded from a UTF-16 file came from.
std::size_t Utf16UnitsOf(std::string_view utf8) {
    std::size_t units = 0;
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;  // a character past U+FFFF took a surrogate pair
        }
    }
    return units;
}

}  // namespace

ParsedIniFile::ParsedIniFile(std::string raw) : raw_(std::move(raw)) {
    const DetectedEncoding detected = DetectEncoding(raw_);
    encoding_ = detected.encoding;
    textBegin_ = detected.markLength;
    if (IsUtf16(encoding_)) {
        if (raw_.size() % 2 != 0) {
            writable_ = false;
        }
        // A NUL, CR or LF is one unit of UTF-16 and one byte of UTF-8, and no other character's
        // UTF-8 holds those bytes: the decoded text splits into the same lines as the units.
        const std::size_t limit = raw_.size() - (raw_.size() - textBegin_) % 2;
        DecodeUtf16(std::string_view(raw_).substr(textBegin_, limit - textBegin_),
                    encoding_ == TextEncoding::Utf16BigEndian, decoded_);
    }
    if (text().size() > kLargestText) {
        throw std::length_error("a settings file of 4 GiB or more");
    }
    Parse();
}

std::string_view ParsedIniFile::ToInternal(std::string_view ansi, std::string& storage) const {
    if (!IsUnicode(encoding_) || IsAscii(ansi)) {
        return ansi;
    }
    storage = Utf8FromAnsi(ansi);
    return storage;
}

std::string ParsedIniFile::ToAnsi(std::string_view internal) const {
    return IsUnicode(encoding_) ? AnsiFromUtf8(internal) : std::string(internal);
}

std::string ParsedIniFile::Encode(std::string_view internal) const {
    if (IsUtf16(encoding_)) {
        return Utf16FromUtf8(internal, encoding_ == TextEncoding::Utf16BigEndian);
    }
    return std::string(internal);
}

const SectionRecord* ParsedIniFile::FindSection(std::string_view name) const {
    const auto found = sectionNumbers_.find(FoldedName(name));
    return found == sectionNumbers_.end() ? nullptr : &sections_[found->second];
}

const KeyRecord* ParsedIniFile::FindKey(const SectionRecord& section, std::string_view name) const {
    const auto& keys = keyNumbers_[static_cast<std::size_t>(&section - sections_.data())];
    const auto found = keys.find(FoldedName(name));
    return found == keys.end() ? nullptr : &keys_[found->second];
}

std::string_view ParsedIniFile::KeyName(std::uint32_t line) const {
    // A key's line holds its "=" ahead of any NUL and of its line end.
    const std::string_view all = text();
    const std::size_t equals = all.find('=', line);
    return Trim(all.substr(line, equals - line));
}

std::string_view ParsedIniFile::ValueOf(const KeyRecord& key) const {
    const std::string_view all = text();
    const std::size_t first = all.find('=', key.line) + 1;
    // A NUL ends the text of its line.
    const std::size_t end = FindLineEnd(all, first, true);
    return TrimValue(all.substr(first, end - first));
}

LineSpan ParsedIniFile::TextLineAt(std::size_t offset) const {
    const std::string_view all = text();
    const std::size_t contentEnd = FindLineEnd(all, offset, false);
    std::size_t end = contentEnd;
    if (end < all.size()) {
        const bool crLf = all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n';
        end += crLf ? 2 : 1;
    }
    return LineSpan{offset, contentEnd, end};
}

std::size_t ParsedIniFile::RawOffset(std::size_t textOffset) const {
    if (!IsUtf16(encoding_)) {
        return textOffset;
    }
    return textBegin_ + 2 * Utf16UnitsOf(std::string_view(decoded_).substr(0, textOffset));
}

LineSpan ParsedIniFile::RawLine(const LineSpan& textLine) const {
    return LineSpan{RawOffset(textLine.begin), RawOffset(textLine.contentEnd),
                    RawOffset(textLine.end)};
}

LineSpan ParsedIniFile::LastNonBlankLineOf(const SectionRecord& section) const {
    // The section runs to the next header line, of a section of its own or of a repeated one.
    const std::string_view all = text();
    std::size_t start = section.name;
    while (start > TextBegin() && all[start - 1] != '\r' && all[start - 1] != '\n') {
        --start;
    }
    LineSpan last = TextLineAt(start);
    for (std::size_t begin = last.end; begin < all.size();) {
        const LineSpan line = TextLineAt(begin);
        const std::string_view content = all.substr(line.begin, line.contentEnd - line.begin);
        if (HeaderName(content)) {
            break;
        }
        if (!IsBlank(content)) {
            last = line;
        }
        begin = line.end;
    }
    return RawLine(last);
}

std::optional<LineSpan> ParsedIniFile::LastLine() const {
    if (!lastLine_) {
        return std::nullopt;
    }
    return RawLine(*lastLine_);
}

std::string ParsedIniFile::DefaultLineEnd() const {
    if (firstLineWithEnd_) {
        return std::string(LineEndOf(RawLine(*firstLineWithEnd_)));
    }
    return Encode("\r\n");
}

void ParsedIniFile::Parse() {
    const std::string_view all = text();
    const std::size_t limit = all.size();
    std::uint32_t section = kNoSection;
    bool headerSeen = false;
    for (std::size_t begin = TextBegin(); begin < limit;) {
        const std::size_t contentEnd = FindLineEnd(all, begin, false);
        std::size_t end = contentEnd;
        if (end < limit) {
            const bool crLf = all[end] == '\r' && end + 1 < limit && all[end + 1] == '\n';
            end += crLf ? 2 : 1;
        }
        const LineSpan line{begin, contentEnd, end};
        if (!firstLineWithEnd_ && line.hasLineEnd()) {
            firstLineWithEnd_ = line;
        }
        lastLine_ = line;
        const auto lineStart = static_cast<std::uint32_t>(begin);
        const std::string_view lineText = all.substr(begin, contentEnd - begin);
        begin = end;

        if (const std::optional<std::string_view> name = HeaderName(lineText)) {
            headerSeen = true;
            section = StartSection(*name);
            continue;
        }
        // A NUL ends the text of its own line; the next line is read as usual.
        const std::string_view visible = BeforeNul(lineText);
        const std::size_t equals = visible.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        if (section == kNoSection) {
            // Lines before the first header belong to no section, but in a UTF-8 file with a
            // mark its keys belong to the section with the empty name, as the platform reads
            // them.
            if (headerSeen || encoding_ != TextEncoding::Utf8) {
                continue;  // lines before the first section, or in a repeated one
            }
            section = StartSection(all.substr(lineStart, 0));
        }
        // A key line: name "=" value. The first key of a name wins.
        const auto number = static_cast<std::uint32_t>(keys_.size());
        if (keyNumbers_[section]
                .emplace(FoldedName(Trim(visible.substr(0, equals))), number)
                .second) {
            keys_.push_back(KeyRecord{lineStart, section});
        }
    }
}

std::uint32_t ParsedIniFile::StartSection(std::string_view name) {
    // Only the first section of a name is ever searched; later ones are skipped.
    const auto number = static_cast<std::uint32_t>(sections_.size());
    if (!sectionNumbers_.emplace(FoldedName(name), number).second) {
        return kNoSection;
    }
    sections_.push_back(SectionRecord{static_cast<std::uint32_t>(name.data() - text().data()),
                                      static_cast<std::uint32_t>(name.size())});
    keyNumbers_.emplace_back();
    return number;
}

}  // namespace wingcall

#endif
