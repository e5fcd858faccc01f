// Checks that a profile document is well-formed XML of the shape Voxtrel loads: the subset of XML
// that profiles use, with no XML library.
#include "profile/profile_markup_check.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "profile/xml_declaration.h"
#include "text/utf8_text.h"
#include "text/xml_characters.h"

namespace wingcall {
namespace {

constexpr std::string_view kRootName = "voxtrel-config";
constexpr std::string_view kListName = "command-list";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A control character other than TAB, CR and LF: every byte from 0x20 up is a character of
// ISO-8859-1 that XML takes.
bool IsControlByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
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
    MarkupChecker(std::string_view document, MarkupObserver* observer)
        : text_(document), observer_(observer) {}

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
            fault.open = MarkupExcerpt(open_.back().first);
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

    void SkipBlanks() {
        while (at_ < text_.size() && IsBlank(text_[at_])) {
            ++at_;
        }
    }

    std::string_view Name(const char* what) {
        const std::size_t start = at_;
        if (at_ >= text_.size() || !IsLatinOneNameStart(text_[at_])) {
            Fail(start, std::string("holds ") + what + " that is not well-formed");
        }
        while (at_ < text_.size() && IsLatinOneNameCharacter(text_[at_])) {
            ++at_;
        }
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

    // Up to the next "<"; only "&" and "]" are looked at more closely.
    void CharacterData() {
        const std::size_t start = at_;
        bool blank = true;
        while (at_ < text_.size() && text_[at_] != '<') {
            if (text_[at_] == '&') {
                Reference();
                blank = false;
                continue;
            }
            if (StartsWith("]]>")) {
                Fail(at_, "holds \"]]>\" outside a CDATA section");
            }
            blank = blank && IsBlank(text_[at_]);
            ++at_;
        }
        if (observer_ != nullptr) {
            observer_->Text(start, at_, blank);
        }
    }

    // "&amp;", "&#8217;", "&#x2019;": the five predefined entities and references to characters.
    void Reference() {
        const std::size_t start = at_;
        const std::size_t end = text_.find(';', at_);
        const std::string_view body = end == std::string_view::npos
                                          ? std::string_view()
                                          : text_.substr(at_ + 1, end - at_ - 1);
        if (!body.empty() && body[0] == '#') {
            if (!IsXmlCharacter(CharacterReferenceValue(body.substr(1)))) {
                Fail(start, "holds the character reference \"&" + MarkupExcerpt(body) +
                                ";\", which names no character XML can hold");
            }
        } else if (body.empty() || !IsLatinOneNameStart(body[0]) ||
                   !std::all_of(body.begin(), body.end(), IsLatinOneNameCharacter)) {
            Fail(start, "holds an \"&\" that begins no reference (write \"&amp;\" for the sign)");
        } else if (body != "amp" && body != "lt" && body != "gt" && body != "quot" &&
                   body != "apos") {
            Fail(start, "holds the entity reference \"&" + MarkupExcerpt(body) +
                            ";\", which a profile does not define");
        }
        at_ = end + 1;
    }

    void Markup() {
        const std::size_t start = at_;
        if (StartsWith("<!--")) {
            Comment();
        } else if (StartsWith("<![CDATA[")) {
            if (open_.empty()) {
                Fail(at_, "holds a CDATA section outside the profile's root element");
            }
            const std::size_t end = text_.find("]]>", at_ + 9);
            if (end == std::string_view::npos) {
                Fail(at_, "begins a CDATA section (\"<![CDATA[\") that never ends");
            }
            at_ = end + 3;
            if (observer_ != nullptr) {
                observer_->CDataSection(start, at_);
            }
        } else if (StartsWith("<!DOCTYPE")) {
            DocumentType();
        } else if (StartsWith("<?")) {
            ProcessingInstruction();
        } else if (StartsWith("</")) {
            EndTag();
        } else {
            StartTag();
        }
    }

    // Without an internal subset, a document type names the root and perhaps a file, and
    // changes nothing a reader without validation reads; with one it could define entities.
    void DocumentType() {
        const std::size_t start = at_;
        const std::size_t end = text_.find('>', at_);
        const bool plain = end != std::string_view::npos &&
                           text_.substr(start, end - start).find('[') == std::string_view::npos;
        if (observer_ == nullptr || !plain || !open_.empty() || rootEnded_ || seenDocumentType_) {
            Fail(at_,
                 "holds a document type declaration (\"<!DOCTYPE\"), which a Voxtrel "
                 "profile does not have and which may not stand inside one");
        }
        seenDocumentType_ = true;
        at_ = end + 1;
        observer_->DocumentType(start, at_);
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
        if (declaration && (start != 0 || !ReadXmlDeclaration(text_).wellFormed)) {
            Fail(start, start != 0
                            ? "holds an XML declaration (\"<?xml\") where none may stand"
                            : "holds an XML declaration (\"<?xml\") that is not well-formed");
        }
        if (at_ < text_.size() && !IsBlank(text_[at_]) && !StartsWith("?>")) {
            Fail(start, "holds a processing instruction (\"<?\") that is not well-formed");
        }
        const std::size_t end = text_.find("?>", at_);
        if (end == std::string_view::npos) {
            Fail(start, "begins a processing instruction (\"<?\") that never ends");
        }
        at_ = end + 2;
        if (observer_ != nullptr) {
            observer_->ProcessingInstruction(target, start, at_);
        }
    }

    void StartTag() {
        const std::size_t start = at_;
        ++at_;
        const std::string_view name = Name("a tag");
        if (rootEnded_) {
            Fail(start, "holds an element after the end of the profile (\"</voxtrel-config>\")");
        }
        if (open_.empty() && name != kRootName) {
            Fail(start, "holds the element \"<" + MarkupExcerpt(name) +
                            ">\" where the root element \"<voxtrel-config>\" should begin");
        }
        if (!open_.empty() && name == kRootName) {
            Fail(start,
                 "opens \"<voxtrel-config>\" a second time, inside the profile, which "
                 "has one root element only");
        }
        if (name == kListName && ++lists_ > 1) {
            Fail(start, "holds a second command list (\"<command-list\"), and a profile has one");
        }
        attributes_.clear();
        std::unordered_set<std::string_view> attributeNames;
        for (;;) {
            const std::size_t beforeBlanks = at_;
            SkipBlanks();
            if (at_ >= text_.size()) {
                Fail(start, "begins a tag (\"<" + MarkupExcerpt(name) + "\") that never ends");
            }
            const bool endsHere = text_[at_] == '>';
            if (endsHere || StartsWith("/>")) {
                at_ += endsHere ? 1 : 2;
                if (observer_ != nullptr) {
                    observer_->StartTag(name, start, at_, open_.size(), !endsHere, attributes_);
                }
                if (endsHere) {
                    Open(name, start);
                } else if (open_.empty()) {
                    rootEnded_ = true;
                }
                return;
            }
            if (at_ == beforeBlanks) {
                Fail(at_, "holds a tag (\"<" + MarkupExcerpt(name) + "\") that is not well-formed");
            }
            if (attributes_.size() == kMaximumAttributesPerTag) {
                Fail(start, "gives more than " + std::to_string(kMaximumAttributesPerTag) +
                                " attributes in one tag (\"<" + MarkupExcerpt(name) +
                                "\"), far more than any profile has");
            }
            const MarkupAttribute attribute = Attribute();
            if (!attributeNames.insert(attribute.name).second) {
                Fail(attribute.start, "gives the attribute \"" + MarkupExcerpt(attribute.name) +
                                          "\" twice in \"<" + MarkupExcerpt(name) + ">\"");
            }
            attributes_.push_back(attribute);
        }
    }

    void Open(std::string_view name, std::size_t start) {
        if (open_.size() == kMaximumElementDepth) {
            Fail(start, "nests elements more than " + std::to_string(kMaximumElementDepth) +
                            " deep, far deeper than any profile");
        }
        open_.emplace_back(name, start);
    }

    MarkupAttribute Attribute() {
        const std::size_t start = at_;
        const std::string_view name = Name("an attribute");
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != '=') {
            Fail(start, "holds the attribute \"" + MarkupExcerpt(name) + "\" without a value");
        }
        ++at_;
        SkipBlanks();
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) {
            Fail(start, "holds the attribute \"" + MarkupExcerpt(name) +
                            "\" with a value that is not in quotes");
        }
        // A quote of the other kind is held like any other byte.
        const char quote = text_[at_++];
        while (at_ < text_.size() && text_[at_] != quote) {
            if (text_[at_] == '<') {
                Fail(at_, "holds a \"<\" inside the value of the attribute \"" +
                              MarkupExcerpt(name) + "\" (write \"&lt;\")");
            }
            if (text_[at_] == '&') {
                Reference();
            } else {
                ++at_;
            }
        }
        if (at_ >= text_.size()) {
            Fail(start, "begins the value of the attribute \"" + MarkupExcerpt(name) +
                            "\", which never ends");
        }
        ++at_;
        return {name, start, at_};
    }

    void EndTag() {
        const std::size_t start = at_;
        at_ += 2;
        const std::string_view name = Name("an end tag");
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != '>') {
            Fail(start,
                 "holds an end tag (\"</" + MarkupExcerpt(name) + "\") that is not well-formed");
        }
        ++at_;
        if (open_.empty()) {
            Fail(start, "holds \"</" + MarkupExcerpt(name) + ">\", which closes no element");
        }
        if (open_.back().first != name) {
            MarkupFault fault;
            fault.kind = MarkupFault::Kind::Mismatch;
            fault.offset = start;
            fault.closing = MarkupExcerpt(name);
            fault.open = MarkupExcerpt(open_.back().first);
            fault.openedAt = open_.back().second;
            throw FaultFound{std::move(fault)};
        }
        open_.pop_back();
        if (open_.empty()) {
            rootEnded_ = true;
        }
    }

    std::string_view text_;
    MarkupObserver* observer_;
    std::size_t at_ = 0;
    std::vector<std::pair<std::string_view, std::size_t>> open_;  // name, start of its tag
    std::vector<MarkupAttribute> attributes_;                     // of the tag being read
    bool rootEnded_ = false;
    bool seenDocumentType_ = false;
    int lists_ = 0;
};

}  // namespace

std::string MarkupExcerpt(std::string_view bytes) {
    constexpr std::size_t kLongest = 40;
    std::string text;
    for (char c : bytes.substr(0, kLongest)) {
        AppendUtf8(text, static_cast<unsigned char>(c));
    }
    return bytes.size() > kLongest ? text + "..." : text;
}

std::optional<MarkupFault> FindMarkupFault(std::string_view document, MarkupObserver* observer) {
    std::optional<MarkupFault> found;
    try {
        MarkupChecker(document, observer).Check();
    } catch (FaultFound& fault) {
        found = std::move(fault.fault);
    }
    // A control character is a fault wherever it stands, in a comment too; the earlier fault is
    // the one the pilot is told about.
    for (std::size_t i = 0; i < document.size() && (!found || i < found->offset); ++i) {
        if (IsControlByte(document[i])) {
            MarkupFault fault;
            fault.offset = i;
            fault.what = "holds the control character " +
                         CodePointName(static_cast<unsigned char>(document[i])) +
                         ", which XML cannot hold";
            found = std::move(fault);
            break;
        }
    }
    return found;
}

}  // namespace wingcall
