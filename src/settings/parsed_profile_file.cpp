// Splits a settings file into lines and finds its sections and keys, by the rules of the format:
// - CR LF, a lone LF and a lone CR each end a line; a NUL ends only the text of its own line.
// - "[name]" starts a section: leading blanks are allowed, the name runs to the last "]" (or to a
//   NUL inside it) and is trimmed. Only the first section of a name counts; the lines of a
//   repeated one are skipped, as are the lines before the first section (except the keys of a
//   UTF-8 file with a byte-order mark, which belong to the section with the empty name).
// - A key line splits at the first "="; name and value are trimmed, the value of Ctrl-Z too.
//   Only the first key of a name in its section counts. There is no comment syntax.
#ifndef _WIN32

#include "settings/parsed_profile_file.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "settings/profile_syntax.h"

namespace wingcall {
namespace {

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The first CR or LF in [begin, limit), or `limit`. Lines are short, so two memchr calls (which
// the C library runs many bytes at a time) beat a test of every byte.
std::size_t FindLineEnd(const char* bytes, std::size_t begin, std::size_t limit) {
    const void* lineFeed = std::memchr(bytes + begin, '\n', limit - begin);
    const std::size_t searchEnd =
        lineFeed == nullptr ? limit
                            : static_cast<std::size_t>(static_cast<const char*>(lineFeed) - bytes);
    const void* carriageReturn = std::memchr(bytes + begin, '\r', searchEnd - begin);
    return carriageReturn == nullptr
               ? searchEnd
               : static_cast<std::size_t>(static_cast<const char*>(carriageReturn) - bytes);
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

}  // namespace

ParsedProfileFile::ParsedProfileFile(std::string raw) : raw_(std::move(raw)) {
    const DetectedEncoding detected = DetectEncoding(raw_);
    encoding_ = detected.encoding;
    textBegin_ = detected.markLength;
    if (IsUtf16(encoding_) && raw_.size() % 2 != 0) {
        writable_ = false;
    }
    SplitAndParse();
}

std::string_view ParsedProfileFile::ToInternal(std::string_view ansi, std::string& storage) const {
    if (!IsUnicode(encoding_) || IsAscii(ansi)) {
        return ansi;
    }
    storage = Utf8FromAnsi(ansi);
    return storage;
}

std::string ParsedProfileFile::ToAnsi(std::string_view internal) const {
    return IsUnicode(encoding_) ? AnsiFromUtf8(internal) : std::string(internal);
}

std::string ParsedProfileFile::Encode(std::string_view internal) const {
    if (IsUtf16(encoding_)) {
        return Utf16FromUtf8(internal, encoding_ == TextEncoding::Utf16BigEndian);
    }
    return std::string(internal);
}

const SectionRecord* ParsedProfileFile::FindSection(std::string_view name) const {
    // A template load asks for the same section tens of thousands of times in a row.
    const std::size_t last = lastFoundSection_.load(std::memory_order_relaxed);
    if (last < sections_.size() && EqualIgnoringAsciiCase(TextOf(sections_[last].name), name)) {
        return &sections_[last];
    }
    const std::optional<std::size_t> found = sectionIndex_.Find(
        0, name, [this](std::size_t record) { return SectionScopeAndName(record); });
    if (!found) {
        return nullptr;
    }
    lastFoundSection_.store(*found, std::memory_order_relaxed);
    return &sections_[*found];
}

const KeyRecord* ParsedProfileFile::FindKey(const SectionRecord& section,
                                            std::string_view name) const {
    const std::size_t sectionNumber = static_cast<std::size_t>(&section - sections_.data());
    // Keys are mostly read in the order the file lists them (a template load reads each family
    // from its first entry on), so the key after the one last found is tried before the index:
    // it lies next to it in memory, where a hash lookup into a large index misses the
    // processor's cache. Every record is the first of its name, so a match is the answer.
    const std::size_t next = lastFoundKey_.load(std::memory_order_relaxed) + 1;
    if (next < keys_.size() && keys_[next].section == sectionNumber &&
        EqualIgnoringAsciiCase(TextOf(keys_[next].name), name)) {
        lastFoundKey_.store(next, std::memory_order_relaxed);
        return &keys_[next];
    }
    const std::optional<std::size_t> found = keyIndex_.Find(
        sectionNumber, name, [this](std::size_t record) { return KeyScopeAndName(record); });
    if (!found) {
        return nullptr;
    }
    lastFoundKey_.store(*found, std::memory_order_relaxed);
    return &keys_[*found];
}

std::string ParsedProfileFile::DefaultLineEnd() const {
    for (const LineSpan& line : lines_) {
        if (line.hasLineEnd()) {
            return std::string(LineEndOf(line));
        }
    }
    return Encode("\r\n");
}

char32_t ParsedProfileFile::UnitAt(std::size_t offset) const {
    if (!IsUtf16(encoding_)) {
        return static_cast<unsigned char>(raw_[offset]);
    }
    return Utf16UnitAt(raw_, offset, encoding_ == TextEncoding::Utf16BigEndian);
}

void ParsedProfileFile::SplitAndParse() {
    const std::size_t unit = IsUtf16(encoding_) ? 2 : 1;
    const std::size_t limit = raw_.size() - (raw_.size() - textBegin_) % unit;
    std::string line;  // one decoded line of a UTF-16 file
    ParseState state;
    // Nearly every line of a template is a key: make room for them all at once. Only a line
    // holding "=" can be one, so a file of millions of other lines (empty ones, say) does not
    // make room, and an index, for millions of keys it does not have.
    const std::size_t lineEstimate =
        static_cast<std::size_t>(std::count(raw_.begin(), raw_.end(), '\n')) + 1;
    const std::size_t keyEstimate =
        std::min(lineEstimate, static_cast<std::size_t>(std::count(raw_.begin(), raw_.end(), '=')));
    lines_.reserve(lineEstimate);
    keys_.reserve(keyEstimate);
    keyIndex_.Reserve(keyEstimate);

    for (std::size_t begin = textBegin_; begin < limit;) {
        std::size_t contentEnd = begin;
        if (unit == 1) {
            contentEnd = FindLineEnd(raw_.data(), begin, limit);
        } else {
            while (contentEnd < limit && UnitAt(contentEnd) != '\r' && UnitAt(contentEnd) != '\n') {
                contentEnd += unit;
            }
        }
        std::size_t end = contentEnd;
        if (end < limit) {
            const bool crLf =
                UnitAt(end) == '\r' && end + unit < limit && UnitAt(end + unit) == '\n';
            end += crLf ? 2 * unit : unit;
        }
        lines_.push_back({begin, contentEnd, end});

        std::size_t textOffset = begin;
        std::size_t textLength = contentEnd - begin;
        if (unit == 2) {
            DecodeUtf16(std::string_view(raw_).substr(begin, contentEnd - begin),
                        encoding_ == TextEncoding::Utf16BigEndian, line);
            textOffset = decoded_.size();
            textLength = line.size();
            decoded_ += line;
        }
        ParseLine(textOffset, textLength, lines_.size() - 1, state);
        begin = end;
    }
}

void ParsedProfileFile::ParseLine(std::size_t textOffset, std::size_t textLength,
                                  std::size_t lineIndex, ParseState& state) {
    const std::string_view lineText = text().substr(textOffset, textLength);
    const auto spanOf = [&](std::string_view part) {
        return TextSpan{textOffset + static_cast<std::size_t>(part.data() - lineText.data()),
                        part.size()};
    };
    if (const std::optional<std::string_view> name = HeaderName(lineText)) {
        state.headerSeen = true;
        StartSection(spanOf(*name), lineIndex, state);
        return;
    }
    // A NUL ends the text of its own line; the next line is read as usual.
    const std::string_view visible = BeforeNul(lineText);
    const std::size_t equals = visible.find('=');
    if (state.section == kNoSection) {
        // Lines before the first header belong to no section, but in a UTF-8 file with a mark
        // its keys belong to the section with the empty name, as the platform reads them.
        if (state.headerSeen || encoding_ != TextEncoding::Utf8 ||
            equals == std::string_view::npos) {
            return;  // lines before the first section, or in a repeated one
        }
        StartSection(TextSpan{textOffset, 0}, lineIndex, state);
    }
    if (!IsBlank(lineText)) {
        sections_[state.section].lastNonBlankLine = lineIndex;
    }
    // A key line: name "=" value.
    if (equals != std::string_view::npos) {
        const std::string_view name = Trim(visible.substr(0, equals));
        const std::string_view value = TrimValue(visible.substr(equals + 1));
        keys_.push_back(KeyRecord{state.section, spanOf(name), spanOf(value), lineIndex});
        if (!keyIndex_.AddIfNew(state.section, name, keys_.size() - 1,
                                [this](std::size_t record) { return KeyScopeAndName(record); })) {
            keys_.pop_back();  // the first key of a name wins
        }
    }
}

void ParsedProfileFile::StartSection(TextSpan name, std::size_t lineIndex, ParseState& state) {
    sections_.push_back(SectionRecord{name, lineIndex});
    // Only the first section of a name is ever searched; later ones are skipped.
    if (sectionIndex_.AddIfNew(0, TextOf(name), sections_.size() - 1, [this](std::size_t record) {
            return SectionScopeAndName(record);
        })) {
        state.section = sections_.size() - 1;
    } else {
        sections_.pop_back();
        state.section = kNoSection;
    }
}

}  // namespace wingcall

#endif
