// A settings file as the private-profile routines see it: its bytes, its encoding, the lines a
// write may touch, and the first section of each name with the first key of each name in it.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/name_index.h"
#include "settings/profile_text_codec.h"

namespace wingcall {

struct LineSpan {
    std::size_t begin;       // first byte of the line
    std::size_t contentEnd;  // first byte of its line end; equals `end` when it has none
    std::size_t end;         // first byte after its line end

    bool hasLineEnd() const { return end > contentEnd; }
};

// A piece of the file's text (see ParsedProfileFile::TextOf).
struct TextSpan {
    std::size_t offset;
    std::size_t length;
};

struct SectionRecord {
    TextSpan name;
    // The last line of the section that is not blank: its header when it holds nothing else.
    // A new key goes right after it, ahead of any blank lines that end the section. A number in
    // lines().
    std::size_t lastNonBlankLine;
};

struct KeyRecord {
    std::size_t section;
    TextSpan name;     // trimmed, spelled as in the file
    TextSpan value;    // trimmed, quotes still on
    std::size_t line;  // a number in lines()
};

class ParsedProfileFile {
  public:
    explicit ParsedProfileFile(std::string raw);

    const std::string& raw() const { return raw_; }
    TextEncoding encoding() const { return encoding_; }
    // A UTF-16 file with an odd byte at its end is damaged: writes would misalign it.
    bool writable() const { return writable_; }

    // Argument bytes (ANSI code page) in the internal form of this file. ASCII is the same in
    // both forms, so only other text is converted (into `storage`).
    std::string_view ToInternal(std::string_view ansi, std::string& storage) const;
    // Internal form to ANSI bytes, handed back to the caller.
    std::string ToAnsi(std::string_view internal) const;
    // Internal form to the file's own bytes.
    std::string Encode(std::string_view internal) const;

    std::string_view TextOf(TextSpan span) const { return text().substr(span.offset, span.length); }

    // The first section of the name (trimmed, internal form), or none.
    const SectionRecord* FindSection(std::string_view name) const;
    // The first key of the name (trimmed, internal form) in the section, or none.
    const KeyRecord* FindKey(const SectionRecord& section, std::string_view name) const;

    // The lines a write may touch, not every line of the file: the line of each key record, the
    // line each section record names, and, last, the file's last line (empty: the file has no
    // line). A file of millions of lines that hold no key thus costs no memory per line.
    const std::vector<LineSpan>& lines() const { return lines_; }
    std::string_view LineEndOf(const LineSpan& line) const {
        return std::string_view(raw_).substr(line.contentEnd, line.end - line.contentEnd);
    }
    // The line end that new lines take when no neighbouring line has one: the file's first line
    // end, or CR LF when the file has none.
    std::string DefaultLineEnd() const;

  private:
    // The text that names and values point into: the file's own bytes, or for a UTF-16 file
    // the UTF-8 text of its lines.
    std::string_view text() const { return IsUtf16(encoding_) ? decoded_ : raw_; }

    std::pair<std::size_t, std::string_view> SectionScopeAndName(std::size_t record) const {
        return {0, TextOf(sections_[record].name)};
    }
    std::pair<std::size_t, std::string_view> KeyScopeAndName(std::size_t record) const {
        return {keys_[record].section, TextOf(keys_[record].name)};
    }

    // The byte or UTF-16 code unit that starts at `offset`.
    char32_t UnitAt(std::size_t offset) const;
    void SplitAndParse();
    // The section being read: none before the first header and inside a repeated section.
    static constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);
    struct ParseState {
        std::size_t section = kNoSection;
        bool headerSeen = false;
        // The last line that is not blank of each section record, until the parse ends.
        std::vector<LineSpan> lastNonBlank;
    };
    void ParseLine(std::size_t textOffset, std::size_t textLength, const LineSpan& line,
                   ParseState& state);
    // Starts the section of `name` at `line`, or skips it when it is a repeat.
    void StartSection(TextSpan name, const LineSpan& line, ParseState& state);

    std::string raw_;
    std::string decoded_;  // UTF-16 files only
    TextEncoding encoding_ = TextEncoding::Ansi;
    std::size_t textBegin_ = 0;  // after the byte-order mark
    bool writable_ = true;
    std::vector<LineSpan> lines_;
    LineSpan firstLineWithEnd_{0, 0, 0};   // without a line end when no line has one
    std::vector<SectionRecord> sections_;  // the first section of each name
    std::vector<KeyRecord> keys_;          // the first key of each name in those sections
    FirstNameIndex sectionIndex_;
    FirstNameIndex keyIndex_;
    // The records FindSection and FindKey found last (a starting point for the next search,
    // nothing more).
    mutable std::atomic<std::size_t> lastFoundSection_{static_cast<std::size_t>(-1)};
    mutable std::atomic<std::size_t> lastFoundKey_{static_cast<std::size_t>(-1)};
};

}  // namespace wingcall
