// A settings file as the private-profile routines see it: its bytes, its encoding, and the first
// section of each name with the first key of each name in it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/ini/ini_text_codec.h"

namespace wingcall {

// A line of the file, in offsets of its bytes.
struct LineSpan {
    std::size_t begin;       // first byte of the line
    std::size_t contentEnd;  // first byte of its line end; equals `end` when it has none
    std::size_t end;         // first byte after its line end

    bool hasLineEnd() const { return end > contentEnd; }
};

// Names and values are parts of the parsed text, which the file keeps, in the internal form of
// the file (see ParsedIniFile::ToInternal).
struct KeyRecord {
    std::string_view name;   // trimmed, spelled as in the file
    std::string_view value;  // trimmed, with any quotes still on
    LineSpan line;
};

struct SectionRecord {
    // The last line of the section that is not blank: its header when it holds nothing else. A
    // new key goes right after it, ahead of any blank lines that end the section.
    LineSpan lastNonBlankLine;
    // The first key of each name, by its name folded to small ASCII letters, as names match: its
    // number in the file's keys.
    std::unordered_map<std::string, std::size_t> keyNumbers;
};

class ParsedIniFile {
  public:
    explicit ParsedIniFile(std::string raw);
    // Its records point into its own text.
    ParsedIniFile(const ParsedIniFile&) = delete;
    ParsedIniFile& operator=(const ParsedIniFile&) = delete;

    const std::string& raw() const { return raw_; }
    TextEncoding encoding() const { return encoding_; }
    // A UTF-16 file with an odd byte at its end is damaged: writes would misalign it.
    bool writable() const { return writable_; }

    // Argument bytes (ANSI code page) in the internal form of this file: the bytes themselves
    // for an ANSI file, UTF-8 for a Unicode one (converted into `storage` unless they are ASCII).
    std::string_view ToInternal(std::string_view ansi, std::string& storage) const;
    // Internal form to ANSI bytes, handed back to the caller.
    std::string ToAnsi(std::string_view internal) const;
    // Internal form to the file's own bytes.
    std::string Encode(std::string_view internal) const;

    // The first section of the name (trimmed, internal form), or none.
    const SectionRecord* FindSection(std::string_view name) const;
    // The first key of the name (trimmed, internal form) in the section, or none.
    const KeyRecord* FindKey(const SectionRecord& section, std::string_view name) const;

    // The file's last line, or none when the file has no line.
    const std::optional<LineSpan>& LastLine() const { return lastLine_; }
    std::string_view LineEndOf(const LineSpan& line) const {
        return std::string_view(raw_).substr(line.contentEnd, line.end - line.contentEnd);
    }
    // The line end that new lines take when no neighbouring line has one: the file's first line
    // end, or CR LF when the file has none.
    std::string DefaultLineEnd() const;

  private:
    // Reads the lines of the text that the records point into: the file's own bytes after the
    // byte-order mark of `markLength` bytes, or the UTF-8 text of a UTF-16 file.
    void Parse(std::size_t markLength);

    std::string raw_;
    std::string decoded_;  // UTF-16 files only
    TextEncoding encoding_ = TextEncoding::Ansi;
    bool writable_ = true;
    std::optional<LineSpan> firstLineWithEnd_;
    std::optional<LineSpan> lastLine_;
    // The first section of each name, by its folded name.
    std::unordered_map<std::string, SectionRecord> sections_;
    // The keys of those sections, in the order of the file.
    std::vector<KeyRecord> keys_;
};

}  // namespace wingcall
