// A settings file as the private-profile routines see it: its bytes, its encoding, and the first
// section of each name with the first key of each name in it.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Records are where their lines start in the parsed text, nothing more: the names and values are
// found again in the line when asked for. A template's records then take 8 bytes a key rather
// than a copy of its spans, and the parse's working set stays near the size of the file itself.
// A section keeps its name, read at every call; its line is found again from it. The name of
// the section with the empty name (keys before the first header of a UTF-8 file with a
// byte-order mark) is empty at the start of the first of those keys.
struct SectionRecord {
    std::uint32_t name;
    std::uint32_t nameLength;
};

struct KeyRecord {
    std::uint32_t line;
    std::uint32_t section;  // a number in the file's sections
};

class ParsedIniFile {
  public:
    // A file of 4 GiB or more is refused with std::length_error.
    explicit ParsedIniFile(std::string raw);

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

    // The first section of the name (trimmed, internal form), or none.
    const SectionRecord* FindSection(std::string_view name) const;
    // The first key of the name (trimmed, internal form) in the section, or none.
    const KeyRecord* FindKey(const SectionRecord& section, std::string_view name) const;

    // A key's name, trimmed and spelled as in the file, and its value, trimmed with any quotes
    // still on; both in the internal form.
    std::string_view NameOf(const KeyRecord& key) const { return KeyName(key.line); }
    std::string_view ValueOf(const KeyRecord& key) const;

    // The lines a write touches, in the file's own bytes. They are found when a write asks,
    // not kept for every key: a file of millions of lines then costs no memory per line.
    LineSpan LineOf(const KeyRecord& key) const { return RawLine(TextLineAt(key.line)); }
    // The last line of the section that is not blank: its header when it holds nothing else. A
    // new key goes right after it, ahead of any blank lines that end the section.
    LineSpan LastNonBlankLineOf(const SectionRecord& section) const;
    // The file's last line, or none when the file has no line.
    std::optional<LineSpan> LastLine() const;
    std::string_view LineEndOf(const LineSpan& line) const {
        return std::string_view(raw_).substr(line.contentEnd, line.end - line.contentEnd);
    }
    // The line end that new lines take when no neighbouring line has one: the file's first line
    // end, or CR LF when the file has none.
    std::string DefaultLineEnd() const;

  private:
    // The text that lines and names point into: the file's own bytes, or for a UTF-16 file its
    // UTF-8 text, line ends included.
    std::string_view text() const { return IsUtf16(encoding_) ? decoded_ : raw_; }
    // Where the text's lines start: after the byte-order mark of a file in its own bytes.
    std::size_t TextBegin() const { return IsUtf16(encoding_) ? 0 : textBegin_; }

    // The line of the text that starts at `offset`, in offsets of the text.
    LineSpan TextLineAt(std::size_t offset) const;
    // A line of the text in offsets of the file's own bytes.
    LineSpan RawLine(const LineSpan& textLine) const;
    std::size_t RawOffset(std::size_t textOffset) const;

    std::string_view SectionName(const SectionRecord& section) const {
        return text().substr(section.name, section.nameLength);
    }
    std::string_view KeyName(std::uint32_t line) const;

    void Parse();
    // The section being read: none before the first header and inside a repeated section.
    static constexpr std::uint32_t kNoSection = 0xFFFFFFFFu;
    // Starts the section of `name` (a part of the text), or skips it when it is a repeat.
    std::uint32_t StartSection(std::string_view name);

    std::string raw_;
    std::string decoded_;  // UTF-16 files only
    TextEncoding encoding_ = TextEncoding::Ansi;
    std::size_t textBegin_ = 0;  // after the byte-order mark
    bool writable_ = true;
    // In offsets of the text.
    std::optional<LineSpan> firstLineWithEnd_;
    std::optional<LineSpan> lastLine_;
    std::vector<SectionRecord> sections_;  // the first section of each name
    std::vector<KeyRecord> keys_;          // the first key of each name in those sections
    // Names folded to small ASCII letters, as they match: a section's number in sections_, and
    // for each of those sections a key's number in keys_.
    std::unordered_map<std::string, std::uint32_t> sectionNumbers_;
    std::vector<std::unordered_map<std::string, std::uint32_t>> keyNumbers_;
};

}  // namespace wingcall
