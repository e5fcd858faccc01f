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

#include <optional>

#include "settings/ini/ini_syntax.h"
#include "text/ascii_case.h"

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

// Offsets of the parsed text as offsets of the file's own bytes, asked in increasing order as the
// lines are read. They are the same for a file parsed in its own bytes; the UTF-8 text of a UTF-16
// file takes two bytes for each code unit it came from, after the byte-order mark.
class RawOffsets {
  public:
    RawOffsets(std::string_view text, bool fromUtf16, std::size_t markLength)
        : text_(text), fromUtf16_(fromUtf16), markLength_(markLength) {}

    std::size_t operator()(std::size_t textOffset) {
        if (!fromUtf16_) {
            return textOffset;
        }
        for (; counted_ < textOffset; ++counted_) {
            const auto byte = static_cast<unsigned char>(text_[counted_]);
            if ((byte & 0xC0) != 0x80) {
                units_ += byte >= 0xF0 ? 2 : 1;  // past U+FFFF a character took a surrogate pair
            }
        }
        return markLength_ + 2 * units_;
    }

  private:
    std::string_view text_;
    bool fromUtf16_;
    std::size_t markLength_;
    std::size_t counted_ = 0;  // the bytes of the text counted so far
    std::size_t units_ = 0;    // and the code units they came from
};

}  // namespace

ParsedIniFile::ParsedIniFile(std::string raw) : raw_(std::move(raw)) {
    const DetectedEncoding detected = DetectEncoding(raw_);
    encoding_ = detected.encoding;
    if (!IsUtf16(encoding_)) {
        Parse(detected.markLength);
        return;
    }
    writable_ = raw_.size() % 2 == 0;
    // A NUL, CR or LF is one unit of UTF-16 and one byte of UTF-8, and no other character's UTF-8
    // holds those bytes: the decoded text splits into the same lines as the units.
    const std::size_t limit = raw_.size() - (raw_.size() - detected.markLength) % 2;
    DecodeUtf16(std::string_view(raw_).substr(detected.markLength, limit - detected.markLength),
                encoding_ == TextEncoding::Utf16BigEndian, decoded_);
    Parse(detected.markLength);
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
    const auto found = sections_.find(FoldedName(name));
    return found == sections_.end() ? nullptr : &found->second;
}

const KeyRecord* ParsedIniFile::FindKey(const SectionRecord& section, std::string_view name) const {
    const auto found = section.keyNumbers.find(FoldedName(name));
    return found == section.keyNumbers.end() ? nullptr : &keys_[found->second];
}

std::string ParsedIniFile::DefaultLineEnd() const {
    if (firstLineWithEnd_) {
        return std::string(LineEndOf(*firstLineWithEnd_));
    }
    return Encode("\r\n");
}

void ParsedIniFile::Parse(std::size_t markLength) {
    const bool fromUtf16 = IsUtf16(encoding_);
    const std::string_view text = fromUtf16 ? decoded_ : raw_;
    RawOffsets rawOffset(text, fromUtf16, markLength);
    // The section being read: none before the first header and inside a repeated section.
    SectionRecord* section = nullptr;
    bool headerSeen = false;
    for (std::size_t begin = fromUtf16 ? 0 : markLength; begin < text.size();) {
        std::size_t contentEnd = begin;
        while (contentEnd < text.size() && text[contentEnd] != '\r' && text[contentEnd] != '\n') {
            ++contentEnd;
        }
        std::size_t end = contentEnd;
        if (end < text.size()) {
            const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            end += crLf ? 2 : 1;
        }
        const std::string_view lineText = text.substr(begin, contentEnd - begin);
        const LineSpan line{rawOffset(begin), rawOffset(contentEnd), rawOffset(end)};
        begin = end;
        if (!firstLineWithEnd_ && line.hasLineEnd()) {
            firstLineWithEnd_ = line;
        }
        lastLine_ = line;

        if (const std::optional<std::string_view> name = HeaderName(lineText)) {
            // Only the first section of a name counts; the lines of a later one are skipped.
            headerSeen = true;
            const auto [found, isFirst] =
                sections_.try_emplace(FoldedName(*name), SectionRecord{line, {}});
            section = isFirst ? &found->second : nullptr;
            continue;
        }
        if (section != nullptr && !IsBlank(lineText)) {
            section->lastNonBlankLine = line;
        }
        // A NUL ends the text of its own line; the next line is read as usual.
        const std::string_view visible = BeforeNul(lineText);
        const std::size_t equals = visible.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        if (section == nullptr) {
            // Lines before the first header belong to no section, but in a UTF-8 file with a
            // mark its keys belong to the section with the empty name, as the platform reads
            // them.
            if (headerSeen || encoding_ != TextEncoding::Utf8) {
                continue;  // lines before the first section, or in a repeated one
            }
            section = &sections_.try_emplace(std::string(), SectionRecord{line, {}}).first->second;
        }
        // A key line: name "=" value. The first key of a name wins.
        const std::string_view keyName = Trim(visible.substr(0, equals));
        if (section->keyNumbers.try_emplace(FoldedName(keyName), keys_.size()).second) {
            keys_.push_back(KeyRecord{keyName, TrimValue(visible.substr(equals + 1)), line});
        }
    }
}

}  // namespace wingcall

#endif
