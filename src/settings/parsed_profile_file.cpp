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

// Finds the first CR or LF from a position on, for positions that only move forward. Lines are
// short, so memchr (which the C library runs many bytes at a time) beats a test of every byte;
// the next CR and the next LF are each remembered until the search passes them, so a file
// without one of the two (lone CRs, say) is not searched to its end once per line.
class LineEndFinder {
  public:
    LineEndFinder(const char* bytes, std::size_t limit) : bytes_(bytes), limit_(limit) {}

    std::size_t From(std::size_t begin) {
        if (nextLineFeed_ < begin || nextLineFeed_ == kUnknown) {
            nextLineFeed_ = Find('\n', begin);
        }
        if (nextCarriageReturn_ < begin || nextCarriageReturn_ == kUnknown) {
            nextCarriageReturn_ = Find('\r', begin);
        }
        return std::min(nextLineFeed_, nextCarriageReturn_);
    }

  private:
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);

    std::size_t Find(char c, std::size_t begin) const {
        const void* found = std::memchr(bytes_ + begin, c, limit_ - begin);
        return found == nullptr
                   ? limit_
                   : static_cast<std::size_t>(static_cast<const char*>(found) - bytes_);
    }

    const char* bytes_;
    std::size_t limit_;
    std::size_t nextLineFeed_ = kUnknown;
    std::size_t nextCarriageReturn_ = kUnknown;
};

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
    if (firstLineWithEnd_.hasLineEnd()) {
        return std::string(LineEndOf(firstLineWithEnd_));
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
    // Nearly every line of a template is a key of some 40 bytes: room for one key per 32 bytes
    // spares the index its rehashing while it fills. Capacity nobody uses is never touched and
    // costs no memory, except the index's slots: with one key per 32 bytes of file they come to
    // a quarter of the file's size at most, whatever a hostile file holds. Counting the "=" or
    // line ends first would cost a pass over the file, and both can come in millions outside any
    // section or as lone CRs.
    const std::size_t keyEstimate = (limit - textBegin_) / 32;
    keys_.reserve(keyEstimate);
    lines_.reserve(keyEstimate + 1);
    keyIndex_.Reserve(keyEstimate);

    LineEndFinder lineEnds(raw_.data(), limit);
    LineSpan span{textBegin_, textBegin_, textBegin_};
    for (std::size_t begin = textBegin_; begin < limit;) {
        std::size_t contentEnd = begin;
        if (unit == 1) {
            contentEnd = lineEnds.From(begin);
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
        span = LineSpan{begin, contentEnd, end};
        if (!firstLineWithEnd_.hasLineEnd()) {
            firstLineWithEnd_ = span;
        }

        std::size_t textOffset = begin;
        std::size_t textLength = contentEnd - begin;
        if (unit == 2) {
            DecodeUtf16(std::string_view(raw_).substr(begin, contentEnd - begin),
                        encoding_ == TextEncoding::Utf16BigEndian, line);
            textOffset = decoded_.size();
            textLength = line.size();
            decoded_ += line;
        }
        ParseLine(textOffset, textLength, span, state);
        begin = end;
    }
    // Only now is each section's last non-blank line known.
    for (std::size_t section = 0; section < sections_.size(); ++section) {
        lines_.push_back(state.lastNonBlank[section]);
        sections_[section].lastNonBlankLine = lines_.size() - 1;
    }
    if (limit > textBegin_) {
        lines_.push_back(span);  // the file's last line
    }
}

void ParsedProfileFile::ParseLine(std::size_t textOffset, std::size_t textLength,
                                  const LineSpan& line, ParseState& state) {
    const std::string_view lineText = text().substr(textOffset, textLength);
    const auto spanOf = [&](std::string_view part) {
        return TextSpan{textOffset + static_cast<std::size_t>(part.data() - lineText.data()),
                        part.size()};
    };
    // Most lines open with a letter: only a line whose first byte is a blank or "[" can be a
    // header, so the others skip its search for a NUL and a "]".
    const bool mayBeHeader =
        !lineText.empty() && (lineText.front() == '[' || IsTrimmed(lineText.front()));
    if (mayBeHeader) {
        if (const std::optional<std::string_view> name = HeaderName(lineText)) {
            state.headerSeen = true;
            StartSection(spanOf(*name), line, state);
            return;
        }
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
        StartSection(TextSpan{textOffset, 0}, line, state);
    }
    if (!IsBlank(lineText)) {
        state.lastNonBlank[state.section] = line;
    }
    // A key line: name "=" value.
    if (equals != std::string_view::npos) {
        const std::string_view name = Trim(visible.substr(0, equals));
        const std::string_view value = TrimValue(visible.substr(equals + 1));
        keys_.push_back(KeyRecord{state.section, spanOf(name), spanOf(value), lines_.size()});
        if (keyIndex_.AddIfNew(state.section, name, keys_.size() - 1,
                               [this](std::size_t record) { return KeyScopeAndName(record); })) {
            lines_.push_back(line);
        } else {
            keys_.pop_back();  // the first key of a name wins
        }
    }
}

void ParsedProfileFile::StartSection(TextSpan name, const LineSpan& line, ParseState& state) {
    sections_.push_back(SectionRecord{name, 0});
    // Only the first section of a name is ever searched; later ones are skipped.
    if (sectionIndex_.AddIfNew(0, TextOf(name), sections_.size() - 1, [this](std::size_t record) {
            return SectionScopeAndName(record);
        })) {
        state.section = sections_.size() - 1;
        state.lastNonBlank.push_back(line);
    } else {
        sections_.pop_back();
        state.section = kNoSection;
    }
}

}  // namespace wingcall

#endif
