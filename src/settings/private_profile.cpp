// The two private-profile routines for builds outside Windows, where the platform has none.
//
// They read and write the Windows private-profile format with the rules the platform's own
// routines follow, so that a settings file behaves the same on every system:
// - CR LF, a lone LF and a lone CR each end a line; a NUL ends only the text of its own line.
// - "[name]" starts a section: leading blanks are allowed, the name runs to the last "]" and is
//   trimmed. A key line splits at the first "="; name and value are trimmed of blanks, tabs,
//   vertical tabs, form feeds and CRs; one pair of matching quotes around the value is removed.
//   There is no comment syntax. Names match without regard to ASCII letter case, and only the
//   first section of a name and the first key of a name in it count.
// - A file that starts with a UTF-8 or UTF-16 byte-order mark is read in that encoding and its
//   values handed back in the ANSI code page; writes keep the file's encoding. Any other file is
//   bytes in the ANSI code page.
// - A write changes only the one line it sets (or inserts); every other byte stays as it was,
//   and the file is replaced through a temporary file so it is never left half-written.
// - A write that could damage the file is refused (FALSE): a line end in any argument, a key
//   that would read back as another key or as a header, a file that could not be read, a
//   read-only file. Deleting keys or sections (null arguments) is not offered.
//
// A template of tens of thousands of commands is read one key per call, so the parsed file is
// kept in memory and used again while the file on disk is unchanged. Checking that costs a system
// call per read, so a template load holds a SettingsReadSnapshot, under which the file is checked
// once.
#ifndef _WIN32

#include "settings/private_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "settings/ansi_code_page.h"
#include "settings/atomic_file.h"
#include "settings/settings_read_snapshot.h"
#include "settings/utf8_text.h"

namespace {

using wingcall::AnsiToWide;
using wingcall::AppendUtf8;
using wingcall::kReplacementCharacter;
using wingcall::NextUtf8CodePoint;
using wingcall::WideToAnsi;

// ---------------------------------------------------------------------------------------------
// Text helpers. Inside a parsed file, text is held in its "internal" form: the file's own bytes
// for an ANSI file, UTF-8 for a file in either Unicode encoding. Every character the format
// cares about ([, ], =, quotes, blanks) is ASCII, so both forms are searched the same way.

enum class TextEncoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian };

bool IsUnicode(TextEncoding encoding) {
    return encoding != TextEncoding::Ansi;
}

bool IsUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LittleEndian || encoding == TextEncoding::Utf16BigEndian;
}

bool IsTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimLeft(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsTrimmed(text[first])) {
        ++first;
    }
    return text.substr(first);
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    std::size_t length = text.size();
    while (length > 0 && IsTrimmed(text[length - 1])) {
        --length;
    }
    return text.substr(0, length);
}

bool IsBlank(std::string_view text) {
    return Trim(text).empty();
}

// Names are compared without regard to ASCII letter case only, as the platform does.
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// One pair of matching quotes around the whole value is removed, nothing else.
std::string_view WithoutSurroundingQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// ANSI bytes (the routines' arguments) to UTF-8. Every byte maps to one character.
std::string Utf8FromAnsi(std::string_view ansi) {
    std::string utf8;
    utf8.reserve(ansi.size());
    for (wchar_t character : AnsiToWide(ansi)) {
        AppendUtf8(utf8, static_cast<char32_t>(character));
    }
    return utf8;
}

// UTF-8 to ANSI bytes: a character the code page lacks becomes "?", as the platform does.
std::string AnsiFromUtf8(std::string_view utf8) {
    std::wstring wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        wide.push_back(static_cast<wchar_t>(NextUtf8CodePoint(utf8, i)));
    }
    return WideToAnsi(wide);
}

void AppendUtf16Unit(std::string& out, char16_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
}

std::string Utf16FromUtf8(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t codePoint = NextUtf8CodePoint(utf8, i);
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            AppendUtf16Unit(out, static_cast<char16_t>(0xD800 + (codePoint >> 10)), bigEndian);
            AppendUtf16Unit(out, static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)), bigEndian);
        } else {
            AppendUtf16Unit(out, static_cast<char16_t>(codePoint), bigEndian);
        }
    }
    return out;
}

char16_t Utf16UnitAt(std::string_view bytes, std::size_t offset, bool bigEndian) {
    const auto first = static_cast<unsigned char>(bytes[offset]);
    const auto second = static_cast<unsigned char>(bytes[offset + 1]);
    return static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
}

// UTF-16 bytes (an even count) to UTF-8; an unpaired surrogate becomes U+FFFD.
void DecodeUtf16(std::string_view bytes, bool bigEndian, std::string& utf8) {
    utf8.clear();
    for (std::size_t offset = 0; offset + 1 < bytes.size(); offset += 2) {
        char32_t unit = Utf16UnitAt(bytes, offset, bigEndian);
        if (unit >= 0xD800 && unit <= 0xDBFF && offset + 3 < bytes.size()) {
            const char32_t low = Utf16UnitAt(bytes, offset + 2, bigEndian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                offset += 2;
                continue;
            }
        }
        AppendUtf8(utf8, unit >= 0xD800 && unit <= 0xDFFF ? kReplacementCharacter : unit);
    }
}

// ---------------------------------------------------------------------------------------------
// The parsed file.

struct LineSpan {
    std::size_t begin;       // first byte of the line
    std::size_t contentEnd;  // first byte of its line end; equals `end` when it has none
    std::size_t end;         // first byte after its line end

    bool hasLineEnd() const { return end > contentEnd; }
};

// A piece of the file's text (see ParsedProfile::text()).
struct TextSpan {
    std::size_t offset;
    std::size_t length;
};

struct SectionRecord {
    TextSpan name;
    // The last line of the section that is not blank: its header when it holds nothing else.
    // A new key goes right after it, ahead of any blank lines that end the section.
    std::size_t lastNonBlankLine;
};

struct KeyRecord {
    std::size_t section;
    TextSpan name;   // trimmed, spelled as in the file
    TextSpan value;  // trimmed, quotes still on
    std::size_t line;
};

bool EqualIgnoringAsciiCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (LowerAscii(left[i]) != LowerAscii(right[i])) {
            return false;
        }
    }
    return true;
}

std::uint32_t HashIgnoringAsciiCase(std::size_t scope, std::string_view name) {
    std::uint64_t hash = 0xCBF29CE484222325u ^ (scope * 0x9E3779B97F4A7C15u);
    for (char c : name) {
        hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 0x100000001B3u;
    }
    // The last bytes (the command numbers) must reach every bit of the result, whose low bits
    // choose the slot: mix, then keep the well-mixed upper half of the product.
    hash ^= hash >> 29;
    hash *= 0xBF58476D1CE4E5B9u;
    return static_cast<std::uint32_t>(hash >> 32);
}

// Finds the first record of a name within a scope (all sections share one scope; the keys of a
// section have the section as theirs), names compared without regard to ASCII letter case.
// A template holds tens of thousands of keys in one section, so this is an open-addressing hash
// table rather than a walk through the keys.
class FirstNameIndex {
  public:
    // Records `record` under its scope and name unless an earlier record holds them already.
    // `scopeAndName(i)` gives record i's scope and name.
    template <typename ScopeAndName>
    bool AddIfNew(std::size_t scope, std::string_view name, std::size_t record,
                  const ScopeAndName& scopeAndName) {
        if ((used_ + 1) * 2 > slots_.size()) {
            Grow(slots_.empty() ? 64 : slots_.size() * 2);
        }
        if (record >= kMaximumRecords) {
            throw std::length_error("too many names for the index");
        }
        const std::uint32_t hash = HashIgnoringAsciiCase(scope, name);
        std::size_t at = Probe(hash, scope, name, scopeAndName);
        if (slots_[at].recordPlusOne != 0) {
            return false;
        }
        slots_[at] = Slot{hash, static_cast<std::uint32_t>(record + 1)};
        ++used_;
        return true;
    }

    template <typename ScopeAndName>
    std::optional<std::size_t> Find(std::size_t scope, std::string_view name,
                                    const ScopeAndName& scopeAndName) const {
        if (slots_.empty()) {
            return std::nullopt;
        }
        const std::size_t at = Probe(HashIgnoringAsciiCase(scope, name), scope, name, scopeAndName);
        if (slots_[at].recordPlusOne == 0) {
            return std::nullopt;
        }
        return slots_[at].recordPlusOne - 1;
    }

    // Room for `count` names without growing.
    void Reserve(std::size_t count) {
        std::size_t size = 64;
        while (size < count * 2) {
            size *= 2;
        }
        if (size > slots_.size()) {
            Grow(size);
        }
    }

  private:
    // Slots are kept to 8 bytes: a template's index is then small enough to stay largely in the
    // processor's cache while it is built and searched.
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t recordPlusOne = 0;  // 0: empty
    };
    static constexpr std::size_t kMaximumRecords = 0xFFFFFFFEu;

    // The slot holding the name, or the empty slot where it would go.
    template <typename ScopeAndName>
    std::size_t Probe(std::uint32_t hash, std::size_t scope, std::string_view name,
                      const ScopeAndName& scopeAndName) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.recordPlusOne == 0) {
                return at;
            }
            if (slot.hash == hash) {
                const auto [recordScope, recordName] = scopeAndName(slot.recordPlusOne - 1);
                if (recordScope == scope && EqualIgnoringAsciiCase(recordName, name)) {
                    return at;
                }
            }
        }
    }

    void Grow(std::size_t size) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(size, Slot{});
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.recordPlusOne != 0) {
                std::size_t at = slot.hash & mask;
                while (slots_[at].recordPlusOne != 0) {
                    at = (at + 1) & mask;
                }
                slots_[at] = slot;
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

class ParsedProfile {
  public:
    explicit ParsedProfile(std::string raw) : raw_(std::move(raw)) {
        DetectEncoding();
        SplitAndParse();
    }

    const std::string& raw() const { return raw_; }
    TextEncoding encoding() const { return encoding_; }
    // A UTF-16 file with an odd byte at its end is damaged: writes would misalign it.
    bool writable() const { return writable_; }

    // Argument bytes (ANSI code page) in the internal form of this file. ASCII is the same in
    // both forms, so only other text is converted (into `storage`).
    std::string_view ToInternal(std::string_view ansi, std::string& storage) const {
        if (!IsUnicode(encoding_) || IsAscii(ansi)) {
            return ansi;
        }
        storage = Utf8FromAnsi(ansi);
        return storage;
    }

    // Internal form to ANSI bytes, handed back to the caller.
    std::string ToAnsi(std::string_view internal) const {
        return IsUnicode(encoding_) ? AnsiFromUtf8(internal) : std::string(internal);
    }

    // Internal form to the file's own bytes.
    std::string Encode(std::string_view internal) const {
        if (IsUtf16(encoding_)) {
            return Utf16FromUtf8(internal, encoding_ == TextEncoding::Utf16BigEndian);
        }
        return std::string(internal);
    }

    std::string_view TextOf(TextSpan span) const { return text().substr(span.offset, span.length); }

    // The first section of the name (trimmed, internal form), or none.
    const SectionRecord* FindSection(std::string_view name) const {
        const std::optional<std::size_t> found = sectionIndex_.Find(
            0, name, [this](std::size_t record) { return SectionScopeAndName(record); });
        return found ? &sections_[*found] : nullptr;
    }

    // The first key of the name (trimmed, internal form) in the section, or none.
    const KeyRecord* FindKey(const SectionRecord& section, std::string_view name) const {
        const std::size_t sectionNumber = static_cast<std::size_t>(&section - sections_.data());
        // Keys are mostly read in the order the file lists them (a template load reads each
        // family from its first entry on), so the key after the one last found is tried before
        // the index: it lies next to it in memory, where a hash lookup into a large index misses
        // the processor's cache. Every record is the first of its name, so a match is the answer.
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

    const std::vector<LineSpan>& lines() const { return lines_; }

    std::string_view LineEndOf(const LineSpan& line) const {
        return std::string_view(raw_).substr(line.contentEnd, line.end - line.contentEnd);
    }

    // The line end that new lines take when no neighbouring line has one: the file's first line
    // end, or CR LF when the file has none.
    std::string DefaultLineEnd() const {
        for (const LineSpan& line : lines_) {
            if (line.hasLineEnd()) {
                return std::string(LineEndOf(line));
            }
        }
        return Encode("\r\n");
    }

  private:
    static bool IsAscii(std::string_view text) {
        for (char c : text) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                return false;
            }
        }
        return true;
    }

    // The text that names and values point into: the file's own bytes, or for a UTF-16 file
    // the UTF-8 text of its lines.
    std::string_view text() const { return IsUtf16(encoding_) ? decoded_ : raw_; }

    std::pair<std::size_t, std::string_view> SectionScopeAndName(std::size_t record) const {
        return {0, TextOf(sections_[record].name)};
    }

    std::pair<std::size_t, std::string_view> KeyScopeAndName(std::size_t record) const {
        return {keys_[record].section, TextOf(keys_[record].name)};
    }

    void DetectEncoding() {
        const std::string_view bytes(raw_);
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            encoding_ = TextEncoding::Utf8, textBegin_ = 3;
        } else if (bytes.starts_with("\xFF\xFE")) {
            encoding_ = TextEncoding::Utf16LittleEndian, textBegin_ = 2;
        } else if (bytes.starts_with("\xFE\xFF")) {
            encoding_ = TextEncoding::Utf16BigEndian, textBegin_ = 2;
        }
        if (IsUtf16(encoding_) && raw_.size() % 2 != 0) {
            writable_ = false;
        }
    }

    // The byte or UTF-16 code unit that starts at `offset`.
    char32_t UnitAt(std::size_t offset) const {
        if (!IsUtf16(encoding_)) {
            return static_cast<unsigned char>(raw_[offset]);
        }
        return Utf16UnitAt(raw_, offset, encoding_ == TextEncoding::Utf16BigEndian);
    }

    void SplitAndParse() {
        const std::size_t unit = IsUtf16(encoding_) ? 2 : 1;
        const std::size_t limit = raw_.size() - (raw_.size() - textBegin_) % unit;
        std::string line;  // one decoded line of a UTF-16 file
        std::size_t currentSection = kNoSection;
        // Nearly every line of a template is a key: make room for them all at once. Only a line
        // holding "=" can be one, so a file of millions of other lines (empty ones, say) does
        // not make room, and an index, for millions of keys it does not have.
        const std::size_t lineEstimate =
            static_cast<std::size_t>(std::count(raw_.begin(), raw_.end(), '\n')) + 1;
        const std::size_t keyEstimate = std::min(
            lineEstimate, static_cast<std::size_t>(std::count(raw_.begin(), raw_.end(), '=')));
        lines_.reserve(lineEstimate);
        keys_.reserve(keyEstimate);
        keyIndex_.Reserve(keyEstimate);

        for (std::size_t begin = textBegin_; begin < limit;) {
            std::size_t contentEnd = begin;
            if (unit == 1) {
                const char* found = std::find_if(raw_.data() + begin, raw_.data() + limit,
                                                 [](char c) { return c == '\r' || c == '\n'; });
                contentEnd = static_cast<std::size_t>(found - raw_.data());
            } else {
                while (contentEnd < limit && UnitAt(contentEnd) != '\r' &&
                       UnitAt(contentEnd) != '\n') {
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
            ParseLine(textOffset, textLength, lines_.size() - 1, currentSection);
            begin = end;
        }
    }

    void ParseLine(std::size_t textOffset, std::size_t textLength, std::size_t lineIndex,
                   std::size_t& currentSection) {
        const std::string_view lineText = text().substr(textOffset, textLength);
        const auto spanOf = [&](std::string_view part) {
            return TextSpan{textOffset + static_cast<std::size_t>(part.data() - lineText.data()),
                            part.size()};
        };
        // A NUL ends the text of its own line; the next line is read as usual.
        const std::string_view visible = lineText.substr(0, lineText.find('\0'));
        const std::string_view fromFirstCharacter = TrimLeft(visible);

        if (fromFirstCharacter.starts_with('[')) {
            const std::size_t close = fromFirstCharacter.rfind(']');
            if (close != std::string_view::npos) {
                const std::string_view name = Trim(fromFirstCharacter.substr(1, close - 1));
                sections_.push_back(SectionRecord{spanOf(name), lineIndex});
                // Only the first section of a name is ever searched; later ones are skipped.
                if (sectionIndex_.AddIfNew(
                        0, name, sections_.size() - 1,
                        [this](std::size_t record) { return SectionScopeAndName(record); })) {
                    currentSection = sections_.size() - 1;
                } else {
                    sections_.pop_back();
                    currentSection = kNoSection;
                }
                return;
            }
        }
        if (currentSection == kNoSection) {
            return;  // lines before the first section, or in a repeated one
        }
        if (!IsBlank(lineText)) {
            sections_[currentSection].lastNonBlankLine = lineIndex;
        }
        const std::size_t equals = visible.find('=');
        if (equals != std::string_view::npos) {
            const std::string_view name = Trim(visible.substr(0, equals));
            const std::string_view value = Trim(visible.substr(equals + 1));
            keys_.push_back(KeyRecord{currentSection, spanOf(name), spanOf(value), lineIndex});
            if (!keyIndex_.AddIfNew(
                    currentSection, name, keys_.size() - 1,
                    [this](std::size_t record) { return KeyScopeAndName(record); })) {
                keys_.pop_back();  // the first key of a name wins
            }
        }
    }

    // The section being read: none before the first header and inside a repeated section.
    static constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);

    std::string raw_;
    std::string decoded_;  // UTF-16 files only
    TextEncoding encoding_ = TextEncoding::Ansi;
    std::size_t textBegin_ = 0;  // after the byte-order mark
    bool writable_ = true;
    std::vector<LineSpan> lines_;
    std::vector<SectionRecord> sections_;  // the first section of each name
    std::vector<KeyRecord> keys_;          // the first key of each name in those sections
    FirstNameIndex sectionIndex_;
    FirstNameIndex keyIndex_;
    // The record FindKey found last (a starting point for the next search, nothing more).
    mutable std::atomic<std::size_t> lastFoundKey_{static_cast<std::size_t>(-1)};
};

// ---------------------------------------------------------------------------------------------
// The cache of parsed files.

// What tells a file apart from its earlier self. A file replaced by another has a new inode;
// an edit in place changes the size or the modification time.
struct FileIdentity {
    dev_t device;
    ino_t inode;
    off_t size;
    std::int64_t modifiedSeconds;
    long modifiedNanoseconds;
    std::int64_t changedSeconds;
    long changedNanoseconds;

    static FileIdentity Of(const struct stat& info) {
        return {info.st_dev,          info.st_ino,         info.st_size,        info.st_mtim.tv_sec,
                info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
    }
    bool operator==(const FileIdentity&) const = default;
};

struct CachedFile {
    FileIdentity identity;
    std::shared_ptr<const ParsedProfile> profile;
    std::uint64_t lastUse;
    // The read snapshot under which this entry was last checked against the disk (0: none).
    std::uint64_t checkedInSnapshot = 0;
};

// The read snapshot of this thread (0: none), and how deeply snapshots are nested on it. Each
// outermost snapshot has a number of its own, so an entry checked under one snapshot is not
// trusted by a later one or by another thread's.
thread_local std::uint64_t currentSnapshot = 0;
thread_local unsigned snapshotDepth = 0;
std::atomic<std::uint64_t> lastSnapshot{0};

enum class FileState {
    Missing,     // nothing at the path: reads give the default, a write creates the file
    NotAFile,    // a folder, a device or pipe: reads give the default, writes are refused
    Unreadable,  // present but not readable: reads give the default, writes are refused
    Loaded,
};

struct FileLookup {
    FileState state;
    std::shared_ptr<const ParsedProfile> profile;  // set when Loaded
};

class ProfileCache {
  public:
    // A write always checks the file on disk; a read may trust the current snapshot.
    enum class Purpose { Read, Write };

    std::mutex& mutex() { return mutex_; }

    // The parsed content of the file at `path`, read again only when it changed on disk. A read
    // under a snapshot trusts an entry already checked under that snapshot without looking at the
    // disk again. The caller holds the mutex.
    FileLookup Load(const std::string& path, Purpose purpose) {
        const bool underSnapshot = purpose == Purpose::Read && currentSnapshot != 0;
        if (underSnapshot) {
            auto cached = entries_.find(path);
            if (cached != entries_.end() && cached->second.checkedInSnapshot == currentSnapshot) {
                return {FileState::Loaded, cached->second.profile};
            }
        }
        FileLookup lookup = LoadChecked(path);
        if (underSnapshot && lookup.state == FileState::Loaded) {
            entries_[path].checkedInSnapshot = currentSnapshot;
        }
        return lookup;
    }

    // After our own write: the file now holds `profile`, so the next call need not read it.
    void RememberOwnWrite(const std::string& path, std::shared_ptr<const ParsedProfile> profile) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            entries_.erase(path);
            return;
        }
        Remember(path, FileIdentity::Of(info), std::move(profile));
    }

    void Forget(const std::string& path) noexcept { entries_.erase(path); }

  private:
    // A program touches one or two settings files; a few entries are plenty, and the bound keeps
    // a long-running process from holding every file it ever read.
    static constexpr std::size_t kMaximumEntries = 8;

    FileLookup LoadChecked(const std::string& path) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            const int error = errno;
            entries_.erase(path);
            return {error == ENOENT ? FileState::Missing : FileState::Unreadable, nullptr};
        }
        if (!S_ISREG(info.st_mode)) {
            entries_.erase(path);
            return {FileState::NotAFile, nullptr};
        }
        auto cached = entries_.find(path);
        if (cached != entries_.end() && cached->second.identity == FileIdentity::Of(info)) {
            cached->second.lastUse = ++useCounter_;
            return {FileState::Loaded, cached->second.profile};
        }

        std::string bytes;
        struct stat opened {};
        if (!ReadWholeFile(path, bytes, opened)) {
            entries_.erase(path);
            return {FileState::Unreadable, nullptr};
        }
        auto profile = std::make_shared<const ParsedProfile>(std::move(bytes));
        Remember(path, FileIdentity::Of(opened), profile);
        return {FileState::Loaded, profile};
    }

    static bool ReadWholeFile(const std::string& path, std::string& bytes, struct stat& info) {
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            return false;
        }
        struct Closer {
            int descriptor;
            ~Closer() { ::close(descriptor); }
        } closer{descriptor};
        if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
            return false;
        }
        bytes.clear();
        bytes.reserve(static_cast<std::size_t>(info.st_size));
        char chunk[65536];
        for (;;) {
            const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
            if (count < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            if (count == 0) {
                return true;
            }
            bytes.append(chunk, static_cast<std::size_t>(count));
        }
    }

    void Remember(const std::string& path, const FileIdentity& identity,
                  std::shared_ptr<const ParsedProfile> profile) {
        if (entries_.size() >= kMaximumEntries && !entries_.contains(path)) {
            auto oldest = entries_.begin();
            for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
                if (entry->second.lastUse < oldest->second.lastUse) {
                    oldest = entry;
                }
            }
            entries_.erase(oldest);
        }
        entries_[path] = CachedFile{identity, std::move(profile), ++useCounter_};
    }

    std::mutex mutex_;
    std::unordered_map<std::string, CachedFile> entries_;
    std::uint64_t useCounter_ = 0;
};

ProfileCache& TheCache() {
    static ProfileCache cache;
    return cache;
}

// ---------------------------------------------------------------------------------------------
// The routines' common steps.

// The file name comes in the file system's own narrow encoding (UTF-8 here), so that a settings
// file in a folder whose name lies outside the ANSI code page is still found.
std::string FileSystemPath(const char* fileName) {
    return fileName;
}

// Copies `value` cut to size - 1 characters with a closing NUL; returns the characters copied.
DWORD CopyToBuffer(std::string_view value, char* buffer, DWORD size) {
    const std::size_t count = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// The default is handed back without its trailing blanks and one pair of surrounding quotes.
std::string_view PreparedDefault(const char* defaultValue) {
    std::string_view value = defaultValue == nullptr ? "" : defaultValue;
    while (!value.empty() && value.back() == ' ') {
        value.remove_suffix(1);
    }
    return WithoutSurroundingQuotes(value);
}

bool Contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// The whole new file for a write to `profile` (nullptr: there is no file or it is empty), or
// nothing when the file already holds the value.
std::optional<std::string> ContentAfterWrite(const ParsedProfile* profile, std::string_view section,
                                             std::string_view key, std::string_view value) {
    if (profile == nullptr || profile->raw().empty()) {
        std::string content;
        content.append("[").append(section).append("]\r\n");
        content.append(key).append("=").append(value).append("\r\n");
        return content;
    }

    const std::string& raw = profile->raw();
    std::string sectionStorage, keyStorage, valueStorage;
    const std::string_view internalSection = profile->ToInternal(section, sectionStorage);
    const std::string_view internalKey = profile->ToInternal(key, keyStorage);
    const std::string_view internalValue = profile->ToInternal(value, valueStorage);
    const std::string keyLine =
        profile->Encode(std::string(internalKey) + "=" + std::string(internalValue));
    const std::vector<LineSpan>& lines = profile->lines();

    const SectionRecord* sectionRecord = profile->FindSection(internalSection);
    if (sectionRecord == nullptr) {
        // A new section at the end, after a line end when the last line has none.
        std::string lineEnd = profile->DefaultLineEnd();
        std::string separator;
        if (!lines.empty()) {
            if (lines.back().hasLineEnd()) {
                lineEnd = profile->LineEndOf(lines.back());
            } else {
                separator = lineEnd;
            }
        }
        return raw + separator + profile->Encode("[" + std::string(internalSection) + "]") +
               lineEnd + keyLine + lineEnd;
    }

    const KeyRecord* keyRecord = profile->FindKey(*sectionRecord, internalKey);
    if (keyRecord != nullptr) {
        if (profile->TextOf(keyRecord->value) == internalValue) {
            return std::nullopt;
        }
        // Only the text of this line changes, keeping the stored spelling of the key; its own
        // line end stays.
        const LineSpan& line = lines[keyRecord->line];
        const std::string storedKeyLine = profile->Encode(
            std::string(profile->TextOf(keyRecord->name)) + "=" + std::string(internalValue));
        return raw.substr(0, line.begin) + storedKeyLine + raw.substr(line.contentEnd);
    }

    // A new key after the section's last non-blank line, in that line's line-end style.
    const LineSpan& neighbour = lines[sectionRecord->lastNonBlankLine];
    if (neighbour.hasLineEnd()) {
        const std::string_view lineEnd = profile->LineEndOf(neighbour);
        return raw.substr(0, neighbour.end) + keyLine + std::string(lineEnd) +
               raw.substr(neighbour.end);
    }
    // The neighbour is the file's last line and has no line end yet.
    const std::string lineEnd = profile->DefaultLineEnd();
    return raw + lineEnd + keyLine + lineEnd;
}

}  // namespace

namespace wingcall {

SettingsReadSnapshot::SettingsReadSnapshot() {
    if (snapshotDepth++ == 0) {
        currentSnapshot = ++lastSnapshot;
    }
}

SettingsReadSnapshot::~SettingsReadSnapshot() {
    if (--snapshotDepth == 0) {
        currentSnapshot = 0;
    }
}

}  // namespace wingcall

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    if (lpReturnedString == nullptr || nSize == 0) {
        return 0;
    }
    lpReturnedString[0] = '\0';
    if (lpAppName == nullptr || lpKeyName == nullptr || lpFileName == nullptr) {
        return 0;
    }
    try {
        const std::string path = FileSystemPath(lpFileName);
        ProfileCache& cache = TheCache();
        std::lock_guard<std::mutex> lock(cache.mutex());
        const FileLookup lookup = cache.Load(path, ProfileCache::Purpose::Read);
        if (lookup.state == FileState::Loaded) {
            const ParsedProfile& profile = *lookup.profile;
            std::string sectionStorage, keyStorage;
            const SectionRecord* section =
                profile.FindSection(profile.ToInternal(Trim(lpAppName), sectionStorage));
            if (section != nullptr) {
                const KeyRecord* key =
                    profile.FindKey(*section, profile.ToInternal(Trim(lpKeyName), keyStorage));
                if (key != nullptr) {
                    const std::string_view value =
                        WithoutSurroundingQuotes(profile.TextOf(key->value));
                    if (!IsUnicode(profile.encoding())) {
                        return CopyToBuffer(value, lpReturnedString, nSize);
                    }
                    return CopyToBuffer(profile.ToAnsi(value), lpReturnedString, nSize);
                }
            }
        }
    } catch (const std::exception&) {
        // Out of memory while reading: the caller gets the default, as for a missing key.
    }
    return CopyToBuffer(PreparedDefault(lpDefault), lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName) {
    // Deleting a key or a section (a null value or key) is not offered.
    if (lpAppName == nullptr || lpKeyName == nullptr || lpString == nullptr ||
        lpFileName == nullptr) {
        return FALSE;
    }
    const std::string_view section = Trim(lpAppName);
    const std::string_view key = Trim(lpKeyName);
    const std::string_view value = lpString;
    // A line end in any argument would put lines of its own into the file. A key holding "="
    // or opening with "[" would be read back as another key or as a section header.
    for (std::string_view text : {section, key, value}) {
        if (Contains(text, '\r') || Contains(text, '\n')) {
            return FALSE;
        }
    }
    if (Contains(key, '=') || key.starts_with('[')) {
        return FALSE;
    }

    try {
        const std::string path = FileSystemPath(lpFileName);
        ProfileCache& cache = TheCache();
        std::lock_guard<std::mutex> lock(cache.mutex());
        const FileLookup lookup = cache.Load(path, ProfileCache::Purpose::Write);
        if (lookup.state == FileState::NotAFile || lookup.state == FileState::Unreadable) {
            return FALSE;  // never replace a file whose content could not be read
        }
        if (lookup.state == FileState::Loaded &&
            (!lookup.profile->writable() || ::access(path.c_str(), W_OK) != 0)) {
            return FALSE;  // a damaged Unicode file, or one the user made read-only
        }
        std::optional<std::string> content =
            ContentAfterWrite(lookup.profile.get(), section, key, value);
        if (!content) {
            return TRUE;  // the file already holds the value: it stays untouched
        }
        wingcall::ReplaceFileContents(path, *content);
        try {
            cache.RememberOwnWrite(path,
                                   std::make_shared<const ParsedProfile>(std::move(*content)));
        } catch (const std::exception&) {
            cache.Forget(path);  // the write succeeded; the next read parses the file anew
        }
        return TRUE;
    } catch (const std::exception&) {
        return FALSE;  // the file keeps its previous content
    }
}

#endif
