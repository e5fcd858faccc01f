// Checks that a profile document is well-formed XML of the shape Voxtrel loads, before it is
// written: the subset of XML that profiles use, with no XML library.
#include "profile/profile_markup_check.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "text/xml_characters.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wingcall {
namespace {

constexpr std::string_view kRootName = "voxtrel-config";
constexpr std::string_view kListName = "command-list";

// What each byte of ISO-8859-1 can be to the checker, looked up in one table: the checker goes
// over every byte of documents of many megabytes, and a lookup costs less than the comparisons.
enum ByteClass : std::uint8_t {
    kBlank = 1,      // space, TAB, CR, LF
    kNameStart = 2,  // may begin a name
    kNameCharacter = 4,
};

constexpr std::array<std::uint8_t, 256> kByteClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (int byte = 0; byte < 256; ++byte) {
        std::uint8_t bits = 0;
        if (byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n') {
            bits |= kBlank;
        }
        // Name characters of XML among the bytes of ISO-8859-1.
        const bool nameStart = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                               byte == '_' || byte == ':' ||
                               (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7);
        if (nameStart) {
            bits |= kNameStart | kNameCharacter;
        }
        if (byte == '-' || byte == '.' || (byte >= '0' && byte <= '9') || byte == 0xB7) {
            bits |= kNameCharacter;
        }
        classes[static_cast<std::size_t>(byte)] = bits;
    }
    return classes;
}();

bool Is(char c, ByteClass bit) {
    return (kByteClasses[static_cast<unsigned char>(c)] & bit) != 0;
}

// The bytes that end a run of ordinary character data, and a run of an attribute value; a set of
// three repeats one.
using StopBytes = std::array<char, 4>;
constexpr StopBytes kTextStops = {'<', '&', ']', ']'};
constexpr StopBytes kValueStops = {'<', '&', '"', '\''};

// The first byte from `from` on that is one of `stops`, or the end. Text and values make up most
// of a profile: sixteen bytes are looked at a time where the processor can.
std::size_t FindStop(std::string_view text, std::size_t from, const StopBytes& stops) {
    const char* const bytes = text.data();
    const std::size_t size = text.size();
#if defined(__SSE2__)
    const __m128i stop0 = _mm_set1_epi8(stops[0]);
    const __m128i stop1 = _mm_set1_epi8(stops[1]);
    const __m128i stop2 = _mm_set1_epi8(stops[2]);
    const __m128i stop3 = _mm_set1_epi8(stops[3]);
    for (; from + 16 <= size; from += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + from));
        const __m128i found =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, stop0), _mm_cmpeq_epi8(block, stop1)),
                         _mm_or_si128(_mm_cmpeq_epi8(block, stop2), _mm_cmpeq_epi8(block, stop3)));
        if (const int mask = _mm_movemask_epi8(found); mask != 0) {
            return from + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
    }
#endif
    while (from < size && bytes[from] != stops[0] && bytes[from] != stops[1] &&
           bytes[from] != stops[2] && bytes[from] != stops[3]) {
        ++from;
    }
    return from;
}

bool IsBlank(char c) {
    return Is(c, kBlank);
}

// Bytes of the document (ISO-8859-1) for a message (UTF-8), cut to a length a message can show.
std::string Excerpt(std::string_view bytes) {
    constexpr std::size_t kLongest = 40;
    std::string text;
    for (char c : bytes.substr(0, kLongest)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return bytes.size() > kLongest ? text + "..." : text;
}

// Thrown inside the checker at the first fault; FindMarkupFault hands it back.
struct FaultFound {
    MarkupFault fault;
};

[[noreturn]] void Fail(std::size_t offset, std::string what) {
    MarkupFault fault;
    fault.offset = offset;
    fault.what = std::move(what);
    throw FaultFound{std::move(fault)};
}

class MarkupChecker {
  public:
    explicit MarkupChecker(std::string_view document) : text_(document) {}

    void Check() {
        while (at_ < text_.size()) {
            if (text_[at_] == '<') {
                Markup();
            } else if (open_.empty()) {
                OutsideRoot();
            } else {
                CharacterData();
            }
        }
        if (!open_.empty()) {
            MarkupFault fault;
            fault.kind = MarkupFault::Kind::EndsOpen;
            fault.offset = text_.size();
            fault.open = Excerpt(open_.back().first);
            fault.openedAt = open_.back().second;
            throw FaultFound{std::move(fault)};
        }
        if (!rootEnded_) {
            Fail(text_.size(), "ends before the profile's root element \"<voxtrel-config>\"");
        }
    }

  private:
    bool StartsWith(std::string_view prefix) const {
        return text_.compare(at_, prefix.size(), prefix) == 0;
    }

    // The first place from `from` on whose byte is not of the class `bit`, or the end. The place
    // is counted in a local, which the compiler keeps in a register: a member would be written
    // back at every byte, as the document's bytes might alias it.
    std::size_t SkipClass(std::size_t from, ByteClass bit) const {
        const std::size_t size = text_.size();
        const char* bytes = text_.data();
        while (from < size && Is(bytes[from], bit)) {
            ++from;
        }
        return from;
    }

    void SkipBlanks() { at_ = SkipClass(at_, kBlank); }

    std::string_view Name(const char* what) {
        const std::size_t start = at_;
        if (at_ >= text_.size() || !Is(text_[at_], kNameStart)) {
            Fail(start, std::string("holds ") + what + " that is not well-formed");
        }
        at_ = SkipClass(at_, kNameCharacter);
        return text_.substr(start, at_ - start);
    }

    // Text before or after the root element: blanks only.
    void OutsideRoot() {
        if (!IsBlank(text_[at_])) {
            Fail(at_, rootEnded_ ? "holds text after the end of the profile (\"</voxtrel-config>\")"
                                 : "holds text before the profile's root element");
        }
        ++at_;
    }

    // Up to the next "<". Runs of bytes that can mean nothing are passed over whole; only "&"
    // and "]" are looked at more closely.
    void CharacterData() {
        for (;;) {
            at_ = FindStop(text_, at_, kTextStops);
            if (at_ >= text_.size() || text_[at_] == '<') {
                return;
            }
            if (text_[at_] == '&') {
                Reference();
            } else if (StartsWith("]]>")) {
                Fail(at_, "holds \"]]>\" outside a CDATA section");
            } else {
                ++at_;
            }
        }
    }

    // "&amp;", "&#8217;", "&#x2019;": the five predefined entities and references to characters.
    void Reference() {
        const std::size_t start = at_;
        const std::size_t end = text_.find(';', at_);
        const std::string_view body = end == std::string_view::npos
                                          ? std::string_view()
                                          : text_.substr(at_ + 1, end - at_ - 1);
        if (end == std::string_view::npos || body.empty() || body.size() > 32) {
            Fail(start, "holds an \"&\" that begins no reference (write \"&amp;\" for the sign)");
        }
        if (body[0] == '#') {
            const bool hex = body.size() > 1 && body[1] == 'x';
            const std::string_view digits = body.substr(hex ? 2 : 1);
            std::uint32_t value = 0;
            bool valid = !digits.empty();
            for (char c : digits) {
                int digit = -1;
                if (c >= '0' && c <= '9') {
                    digit = c - '0';
                } else if (hex && c >= 'a' && c <= 'f') {
                    digit = c - 'a' + 10;
                } else if (hex && c >= 'A' && c <= 'F') {
                    digit = c - 'A' + 10;
                }
                if (digit < 0 || value > 0x10FFFF) {
                    valid = false;
                    break;
                }
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
            if (!valid || !IsXmlCharacter(value)) {
                Fail(start, "holds the character reference \"&" + Excerpt(body) +
                                ";\", which names no character XML can hold");
            }
        } else if (body != "amp" && body != "lt" && body != "gt" && body != "quot" &&
                   body != "apos") {
            Fail(start, "holds the entity reference \"&" + Excerpt(body) +
                            ";\", which a profile does not define");
        }
        at_ = end + 1;
    }

    void Markup() {
        // The byte after the "<" tells the kinds of markup apart; nearly every one is a tag.
        const char next = at_ + 1 < text_.size() ? text_[at_ + 1] : '\0';
        const bool declaration = next == '!';
        if (declaration && StartsWith("<!--")) {
            Comment();
        } else if (declaration && StartsWith("<![CDATA[")) {
            if (open_.empty()) {
                Fail(at_, "holds a CDATA section outside the profile's root element");
            }
            const std::size_t end = text_.find("]]>", at_ + 9);
            if (end == std::string_view::npos) {
                Fail(at_, "begins a CDATA section (\"<![CDATA[\") that never ends");
            }
            at_ = end + 3;
        } else if (declaration && StartsWith("<!DOCTYPE")) {
            Fail(at_,
                 "holds a document type declaration (\"<!DOCTYPE\"), which a Voxtrel "
                 "profile does not have and which may not stand inside one");
        } else if (next == '?') {
            ProcessingInstruction();
        } else if (next == '/') {
            EndTag();
        } else {
            StartTag();
        }
    }

    void Comment() {
        const std::size_t start = at_;
        const std::size_t dashes = text_.find("--", at_ + 4);
        if (dashes == std::string_view::npos) {
            Fail(start, "begins a comment (\"<!--\") that never ends");
        }
        if (dashes + 2 >= text_.size() || text_[dashes + 2] != '>') {
            Fail(dashes, "holds \"--\" inside a comment, which XML does not allow");
        }
        at_ = dashes + 3;
    }

    void ProcessingInstruction() {
        const std::size_t start = at_;
        at_ += 2;
        const std::string_view target = Name("a processing instruction (\"<?\")");
        const bool declaration = target.size() == 3 && (target[0] | 0x20) == 'x' &&
                                 (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
        if (declaration && start != 0) {
            Fail(start, "holds an XML declaration (\"<?xml\") where none may stand");
        }
        if (at_ < text_.size() && !IsBlank(text_[at_]) && !StartsWith("?>")) {
            Fail(start, "holds a processing instruction (\"<?\") that is not well-formed");
        }
        const std::size_t end = text_.find("?>", at_);
        if (end == std::string_view::npos) {
            Fail(start, "begins a processing instruction (\"<?\") that never ends");
        }
        at_ = end + 2;
    }

    void StartTag() {
        const std::size_t start = at_;
        ++at_;
        const std::string_view name = Name("a tag");
        if (rootEnded_) {
            Fail(start, "holds an element after the end of the profile (\"</voxtrel-config>\")");
        }
        if (open_.empty() && name != kRootName) {
            Fail(start, "holds the element \"<" + Excerpt(name) +
                            ">\" where the root element \"<voxtrel-config>\" should begin");
        }
        if (!open_.empty() && name == kRootName) {
            Fail(start,
                 "opens \"<voxtrel-config>\" a second time, inside the profile, which "
                 "has one root element only");
        }
        if (name == kListName && ++lists_ > 1) {
            Fail(start,
                 "holds a second command list (\"<command-list\"), and a profile has one "
                 "only: the new header's list holds every command");
        }
        attributes_.clear();
        for (;;) {
            const std::size_t beforeBlanks = at_;
            SkipBlanks();
            if (at_ >= text_.size()) {
                Fail(start, "begins a tag (\"<" + Excerpt(name) + "\") that never ends");
            }
            if (text_[at_] == '>') {
                ++at_;
                open_.emplace_back(name, start);
                return;
            }
            if (StartsWith("/>")) {
                at_ += 2;
                if (open_.empty()) {
                    rootEnded_ = true;
                }
                return;
            }
            if (at_ == beforeBlanks) {
                Fail(at_, "holds a tag (\"<" + Excerpt(name) + "\") that is not well-formed");
            }
            Attribute(name);
        }
    }

    void Attribute(std::string_view element) {
        const std::size_t start = at_;
        const std::string_view name = Name("an attribute");
        for (std::string_view seen : attributes_) {
            if (seen == name) {
                Fail(start, "gives the attribute \"" + Excerpt(name) + "\" twice in \"<" +
                                Excerpt(element) + ">\"");
            }
        }
        attributes_.push_back(name);
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != '=') {
            Fail(start, "holds the attribute \"" + Excerpt(name) + "\" without a value");
        }
        ++at_;
        SkipBlanks();
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) {
            Fail(start, "holds the attribute \"" + Excerpt(name) +
                            "\" with a value that is not in quotes");
        }
        const char quote = text_[at_++];
        for (;;) {
            // A quote of the other kind is held like any other byte.
            at_ = FindStop(text_, at_, kValueStops);
            if (at_ >= text_.size() || text_[at_] == quote) {
                break;
            }
            if (text_[at_] == '<') {
                Fail(at_, "holds a \"<\" inside the value of the attribute \"" + Excerpt(name) +
                              "\" (write \"&lt;\")");
            }
            if (text_[at_] == '&') {
                Reference();
            } else {
                ++at_;
            }
        }
        if (at_ >= text_.size()) {
            Fail(start,
                 "begins the value of the attribute \"" + Excerpt(name) + "\", which never ends");
        }
        ++at_;
    }

    void EndTag() {
        const std::size_t start = at_;
        at_ += 2;
        const std::string_view name = Name("an end tag");
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != '>') {
            Fail(start, "holds an end tag (\"</" + Excerpt(name) + "\") that is not well-formed");
        }
        ++at_;
        if (open_.empty()) {
            Fail(start, "holds \"</" + Excerpt(name) + ">\", which closes no element");
        }
        if (open_.back().first != name) {
            MarkupFault fault;
            fault.kind = MarkupFault::Kind::Mismatch;
            fault.offset = start;
            fault.closing = Excerpt(name);
            fault.open = Excerpt(open_.back().first);
            fault.openedAt = open_.back().second;
            throw FaultFound{std::move(fault)};
        }
        open_.pop_back();
        if (open_.empty()) {
            rootEnded_ = true;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::vector<std::pair<std::string_view, std::size_t>> open_;  // name, start of its tag
    std::vector<std::string_view> attributes_;                    // of the tag being read
    bool rootEnded_ = false;
    int lists_ = 0;
};

// 1 when the byte is a control character other than TAB, CR and LF, else 0: every byte from 0x20
// up is a character of ISO-8859-1 that XML takes. Worked out without branches, so that a loop
// over a block can go many bytes at a time.
unsigned char IsControlByte(unsigned char byte) {
    return static_cast<unsigned char>((byte < 0x20) & (byte != '\t') & (byte != '\n') &
                                      (byte != '\r'));
}

// The first byte that is no character of XML. The bytes go sixteen at a time, in a loop of fixed
// length that the compiler turns into vector instructions; only a block that holds such a byte is
// gone over one byte at a time.
std::optional<std::size_t> FirstControlCharacter(std::string_view document) {
    constexpr std::size_t kBlock = 16;
    std::size_t i = 0;
    for (; i + kBlock <= document.size(); i += kBlock) {
        unsigned char block[kBlock];
        std::memcpy(block, document.data() + i, kBlock);
        unsigned char found = 0;
        for (std::size_t j = 0; j < kBlock; ++j) {
            found |= IsControlByte(block[j]);
        }
        if (found != 0) {
            break;
        }
    }
    for (; i < document.size(); ++i) {
        if (IsControlByte(static_cast<unsigned char>(document[i])) != 0) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<MarkupFault> FindMarkupFault(std::string_view document) {
    std::optional<MarkupFault> found;
    try {
        MarkupChecker(document).Check();
    } catch (FaultFound& fault) {
        found = std::move(fault.fault);
    }
    // A control character is a fault wherever it stands, in a comment too; the earlier fault is
    // the one the pilot is told about.
    const std::optional<std::size_t> control = FirstControlCharacter(document);
    if (control && (!found || *control < found->offset)) {
        MarkupFault fault;
        fault.offset = *control;
        fault.what = "holds the control character " +
                     CodePointName(static_cast<unsigned char>(document[*control])) +
                     ", which XML cannot hold";
        found = std::move(fault);
    }
    return found;
}

}  // namespace wingcall
