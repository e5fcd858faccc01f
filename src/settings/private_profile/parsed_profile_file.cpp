// Splits a settings file into lines and finds its sections and keys, by the rules of the format:
// - CR LF, a lone LF and a lone CR each end a line; a NUL ends only the text of its own line.
// - "[name]" starts a section: leading blanks are allowed, the name runs to the last "]" (or to a
//   NUL inside it) and is trimmed. Only the first section of a name counts; the lines of a
//   repeated one are skipped, as are the lines before the first section (except the keys of a
//   UTF-8 file with a byte-order mark, which belong to the section with the empty name).
// - A key line splits at the first "="; name and value are trimmed, the value of Ctrl-Z too.
//   Only the first key of a name in its section counts. There is no comment syntax.
#ifndef _WIN32

#include "settings/private_profile/parsed_profile_file.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "settings/private_profile/profile_syntax.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first CR or LF (or NUL, when `nulEnds`) of the text from `from` on, or its end. Lines are
// short: sixteen bytes are looked at a time where the processor can, rather than a search per
// character, which would run to the end of a file that has none of that character.
std::size_t FindLineEnd(std::string_view text, std::size_t from, bool nulEnds) {
#if defined(__SSE2__)
    const __m128i carriageReturns = _mm_set1_epi8('\r');
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    const __m128i nuls = nulEnds ? _mm_setzero_si128() : lineFeeds;
    for (; from + 16 <= text.size(); from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
        const __m128i found = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, carriageReturns), _mm_cmpeq_epi8(bytes, lineFeeds)),
            _mm_cmpeq_epi8(bytes, nuls));
        if (const int mask = _mm_movemask_epi8(found); mask != 0) {
            return from + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
    }
#endif
    while (from < text.size() && text[from] != '\r' && text[from] != '\n' &&
           !(nulEnds && text[from] == '\0')) {
        ++from;
    }
    return from;
}

// Whether a line is a section header. Most lines open with a letter: only a line whose first byte
// is a blank or "[" can be one, so the others skip the search for a NUL and a "]".
std::optional<std::string_view> HeaderOf(std::string_view line) {
    if (line.empty() || (line.front() != '[' && !IsTrimmed(line.front()))) {
        return std::nullopt;
    }
    return HeaderName(line);
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

ParsedProfileFile::ParsedProfileFile(std::string raw) : raw_(std::move(raw)) {
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
    if (last < sections_.size() && EqualIgnoringAsciiCase(SectionName(sections_[last]), name)) {
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
    const auto sectionNumber = static_cast<std::uint32_t>(&section - sections_.data());
    // Keys are mostly read in the order the file lists them (a template load reads each family
    // from its first entry on), so the key after the one last found is tried before the index:
    // it lies next to it in memory and in the file, where a hash lookup into a large index
    // misses the processor's cache. Every record is the first of its name, so a match is the
    // answer.
    const std::size_t next = lastFoundKey_.load(std::memory_order_relaxed) + 1;
    if (next < keys_.size() && keys_[next].section == sectionNumber &&
        EqualIgnoringAsciiCase(KeyName(keys_[next].line), name)) {
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

std::string_view ParsedProfileFile::KeyName(std::uint32_t line) const {
    // A key's line holds its "=" ahead of any NUL and of its line end.
    const std::string_view all = text();
    const std::size_t equals = all.find('=', line);
    return Trim(all.substr(line, equals - line));
}

std::string_view ParsedProfileFile::ValueOf(const KeyRecord& key) const {
    const std::string_view all = text();
    const std::size_t first = all.find('=', key.line) + 1;
    // A NUL ends the text of its line.
    const std::size_t end = FindLineEnd(all, first, true);
    return TrimValue(all.substr(first, end - first));
}

LineSpan ParsedProfileFile::TextLineAt(std::size_t offset) const {
    const std::string_view all = text();
    const std::size_t contentEnd = FindLineEnd(all, offset, false);
    std::size_t end = contentEnd;
    if (end < all.size()) {
        const bool crLf = all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n';
        end += crLf ? 2 : 1;
    }
    return LineSpan{offset, contentEnd, end};
}

std::size_t ParsedProfileFile::RawOffset(std::size_t textOffset) const {
    if (!IsUtf16(encoding_)) {
        return textOffset;
    }
    return textBegin_ + 2 * Utf16UnitsOf(std::string_view(decoded_).substr(0, textOffset));
}

LineSpan ParsedProfileFile::RawLine(const LineSpan& textLine) const {
    return LineSpan{RawOffset(textLine.begin), RawOffset(textLine.contentEnd),
                    RawOffset(textLine.end)};
}

LineSpan ParsedProfileFile::LastNonBlankLineOf(const SectionRecord& section) const {
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
        if (HeaderOf(content)) {
            break;
        }
        if (!IsBlank(content)) {
            last = line;
        }
        begin = line.end;
    }
    return RawLine(last);
}

std::optional<LineSpan> ParsedProfileFile::LastLine() const {
    if (!lastLine_) {
        return std::nullopt;
    }
    return RawLine(*lastLine_);
}

std::string ParsedProfileFile::DefaultLineEnd() const {
    if (firstLineWithEnd_) {
        return std::string(LineEndOf(RawLine(*firstLineWithEnd_)));
    }
    return Encode("\r\n");
}

void ParsedProfileFile::Parse() {
    const std::string_view all = text();
    const std::size_t limit = all.size();
    // Nearly every line of a template is a key of some 40 bytes: room for one key per 32 bytes
    // spares the records their copying while they fill. Capacity nobody uses is never touched and
    // costs no memory.
    keys_.reserve((limit - TextBegin()) / 32);

    std::uint32_t section = kNoSection;
    bool headerSeen = false;
    LineEndFinder lineEnds(all.data(), limit);
    for (std::size_t begin = TextBegin(); begin < limit;) {
        const std::size_t contentEnd = lineEnds.From(begin);
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

        if (const std::optional<std::string_view> name = HeaderOf(lineText)) {
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
        keys_.push_back(KeyRecord{lineStart, section});
        if (!keyIndex_.AddIfNew(section, Trim(visible.substr(0, equals)), keys_.size() - 1,
                                [this](std::size_t record) { return KeyScopeAndName(record); })) {
            keys_.pop_back();
        }
    }
}

std::uint32_t ParsedProfileFile::StartSection(std::string_view name) {
    sections_.push_back(SectionRecord{static_cast<std::uint32_t>(name.data() - text().data()),
                                      static_cast<std::uint32_t>(name.size())});
    // Only the first section of a name is ever searched; later ones are skipped.
    if (sectionIndex_.AddIfNew(0, name, sections_.size() - 1, [this](std::size_t record) {
            return SectionScopeAndName(record);
        })) {
        return static_cast<std::uint32_t>(sections_.size() - 1);
    }
    sections_.pop_back();
    return kNoSection;
}

}  // namespace wingcall

#endif
