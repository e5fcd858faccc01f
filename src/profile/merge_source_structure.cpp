// What a merge needs to know of the structure of its source, learnt in the one reading of the
// source by the markup check.
#include "profile/merge_source_structure.h"

#include <map>
#include <set>

namespace wingcall {
namespace {

// The source's lines from the first on, one after another, each with whether the line rules
// leave it out: the places asked about only grow, so every line is looked at once.
class LineCursor {
  public:
    explicit LineCursor(std::string_view text) : text_(text) { Load(0); }

    // Whether the line rules leave out a line that holds any byte of [start, end).
    bool AnyLineDropped(std::size_t start, std::size_t end) {
        while (next_ <= start && next_ < text_.size()) {
            Load(next_);
        }
        bool dropped = dropped_;
        while (next_ < end && next_ < text_.size()) {
            Load(next_);
            dropped = dropped || dropped_;
        }
        return dropped;
    }

  private:
    void Load(std::size_t start) {
        std::size_t end = text_.find_first_of("\r\n", start);
        end = end == std::string_view::npos ? text_.size() : end;
        dropped_ = IsDroppedSourceLine(text_.substr(start, end - start));
        const bool crLf = end + 1 < text_.size() && text_[end] == '\r' && text_[end + 1] == '\n';
        next_ = end == text_.size() ? end : end + (crLf ? 2 : 1);
    }

    std::string_view text_;
    std::size_t next_ = 0;
    bool dropped_ = false;
};

std::string_view PrefixOf(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

class StructureObserver : public MarkupObserver {
  public:
    explicit StructureObserver(std::string_view source) : source_(source), lines_(source) {}

    void StartTag(std::string_view name, std::size_t start, std::size_t end, std::size_t depth,
                  bool emptyElement, const std::vector<MarkupAttribute>& attributes) override {
        const bool isRoot = depth == 0;
        const bool isList = name == "command-list" && !structure.listOpening;
        NoteBeforeList(start, "<" + std::string(name) + ">", !isRoot && !isList);
        if (isRoot) {
            structure.rootOpening = SourceSpan{start, end};
        } else if (isList) {
            structure.listOpening = SourceSpan{start, end};
            structure.listIsEmptyElement = emptyElement;
        }
        NoteUse(name, start);
        for (const MarkupAttribute& attribute : attributes) {
            const bool declaresNamespace =
                attribute.name == "xmlns" || attribute.name.starts_with("xmlns:");
            if (!declaresNamespace) {
                NoteUse(attribute.name, attribute.start);
                continue;
            }
            declared_.insert(
                attribute.name.substr(std::min<std::size_t>(6, attribute.name.size())));
            const std::string_view written =
                source_.substr(attribute.start, attribute.end - attribute.start);
            if (isRoot) {
                structure.rootNamespaces.push_back(written);
            } else if (isList) {
                structure.listNamespaces.push_back(written);
            }
        }
    }

    void Text(std::size_t start, std::size_t, bool blank) override {
        NoteBeforeList(start, "text", !blank);
    }

    void CDataSection(std::size_t start, std::size_t end) override {
        NoteBeforeList(start, "a CDATA section", true);
        if (!structure.sectionOnDroppedLine && lines_.AnyLineDropped(start, end)) {
            structure.sectionOnDroppedLine = SourcePart{start, "a CDATA section"};
        }
    }

    void ProcessingInstruction(std::string_view target, std::size_t start,
                               std::size_t end) override {
        if (target.find(':') != std::string_view::npos && !structure.colonMisplaced) {
            structure.colonMisplaced = SourcePart{start, std::string(target)};
        }
        if (start == 0 && target == "xml") {
            structure.declaration = SourceSpan{start, end};
        }
    }

    void DocumentType(std::size_t start, std::size_t end) override {
        structure.documentType = SourceSpan{start, end};
    }

    // Called once the whole source is read.
    void Finish() {
        for (const auto& [offset, name] : used_) {
            if (!declared_.contains(PrefixOf(name))) {
                structure.undeclaredPrefix = SourcePart{offset, std::string(name)};
                return;
            }
        }
    }

    MergeSourceStructure structure;

  private:
    void NoteBeforeList(std::size_t start, std::string named, bool content) {
        if (content && structure.rootOpening && !structure.listOpening && !structure.beforeList) {
            structure.beforeList = SourcePart{start, std::move(named)};
        }
    }

    // A name with a prefix other than "xml", which is declared in every document.
    void NoteUse(std::string_view name, std::size_t start) {
        const std::size_t colon = name.find(':');
        if (colon != std::string_view::npos && !structure.colonMisplaced &&
            (colon == 0 || colon + 1 == name.size() ||
             name.find(':', colon + 1) != std::string_view::npos)) {
            structure.colonMisplaced = SourcePart{start, std::string(name)};
        }
        const std::string_view prefix = PrefixOf(name);
        if (!prefix.empty() && prefix != "xml" && !usedPrefixes_.contains(prefix)) {
            usedPrefixes_.insert(prefix);
            used_.emplace(start, name);
        }
    }

    std::string_view source_;
    LineCursor lines_;
    std::set<std::string_view> declared_;      // prefixes; "" for a default namespace
    std::set<std::string_view> usedPrefixes_;  // each prefix once, at its first use
    std::map<std::size_t, std::string_view> used_;
};

}  // namespace

SourceReading ReadMergeSource(std::string_view source) {
    StructureObserver observer(source);
    SourceReading reading;
    reading.fault = FindMarkupFault(source, &observer);
    observer.Finish();
    reading.structure = std::move(observer.structure);
    return reading;
}

}  // namespace wingcall
