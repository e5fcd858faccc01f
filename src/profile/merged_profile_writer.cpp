// Writes a profile whose new command blocks come before the body of an existing profile.
#include "profile/merged_profile_writer.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "files/backed_up_replace.h"
#include "files/whole_file_read.h"
#include "files/wide_path.h"
#include "profile/merge_source_structure.h"
#include "profile/profile_document.h"
#include "profile/source_encoding.h"

namespace wingcall {
namespace {

// How a refusal begins: the source is no profile Wingcall can add to, or it is one, but the merge
// would change what it says.
constexpr std::string_view kNotAddableLead =
    "The file you chose is not a Voxtrel profile Wingcall can add to: ";
constexpr std::string_view kWouldChangeLead =
    "Wingcall cannot add to this profile without changing it: ";

[[noreturn]] void Refuse(const std::filesystem::path& source, std::string_view lead,
                         const std::string& reason) {
    throw MergeSourceRefused(ErrorNumber::InvalidArgument,
                             std::string(lead) + "\"" + Utf8FromPath(source) + "\": " + reason);
}

[[noreturn]] void ThrowReadFailure(const std::filesystem::path& source, const std::string& reason) {
    throw MergeSourceRefused(ErrorNumber::FileAccess,
                             "Could not read \"" + Utf8FromPath(source) + "\": " + reason + ".");
}

// The whole content of the source profile, as bytes.
std::string ReadWholeSource(const std::filesystem::path& source) {
    WholeFileRead read = ReadWholeFile(source, kMaximumMergeSourceBytes);
    switch (read.failure) {
        case WholeFileFailure::None:
            break;
        case WholeFileFailure::Unreadable:
            ThrowReadFailure(source, read.systemReason);
        case WholeFileFailure::Folder:
            ThrowReadFailure(source, "it is a folder");
        case WholeFileFailure::NotOrdinaryFile:
#ifdef _WIN32
            Refuse(source, kNotAddableLead, "it is not an ordinary file but a device or a pipe.");
#else
            Refuse(source, kNotAddableLead,
                   "it is not an ordinary file but a device, a pipe or a socket.");
#endif
        case WholeFileFailure::TooLarge:
            Refuse(source, kNotAddableLead,
                   "it is larger than " + std::to_string(kMaximumMergeSourceBytes / (1024 * 1024)) +
                       " MB, far more than a Voxtrel profile holds, so it is not one.");
    }
    return std::move(read.bytes);
}

// Whether the source is UTF-16 text: a byte-order mark of either order, or (without one) a first
// character whose other byte is NUL, as an ASCII "<" or blank is in UTF-16. A profile in the
// code page never holds a NUL among its first two bytes.
bool IsUtf16(std::string_view bytes) {
    if (bytes.size() < 2) {
        return false;
    }
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    return (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF) ||
           ((first == 0) != (second == 0));
}

// Line `index` (0 to 2) of the header text: the declaration, the root opening, the list opening.
std::string_view HeaderLine(std::size_t index) {
    std::string_view header = ProfileHeaderText();
    for (; index > 0; --index) {
        header.remove_prefix(header.find(kLineEnd) + kLineEnd.size());
    }
    return header.substr(0, header.find(kLineEnd));
}

// How the source goes into the merged document.
struct MergePlan {
    // The declaration, root opening and list opening the new header replaces: every line that
    // holds a byte of one of them is left out, however the source breaks its lines.
    std::vector<SourceSpan> headerParts;
    std::string rootOpening{HeaderLine(1)};
    std::string listOpening{HeaderLine(2)};
    // The whole lines between the root opening and the list opening, when they hold content that
    // belongs before the list: they go between the new openings, where the source had them.
    std::optional<SourceSpan> beforeList;
};

bool Intersects(const SourceSpan& span, std::size_t start, std::size_t end) {
    return span.start < end && start < span.end;
}

// Whether `line` (a view into `source`) holds a byte of one of the header parts.
bool HoldsHeaderPart(std::string_view source, std::string_view line,
                     const std::vector<SourceSpan>& headerParts) {
    const auto start = static_cast<std::size_t>(line.data() - source.data());
    return std::any_of(headerParts.begin(), headerParts.end(), [&](const SourceSpan& part) {
        return Intersects(part, start, start + line.size());
    });
}

// Calls visit(line, beforeList) for each line of the source the merge carries over.
template <typename Visit>
void ForEachCarriedLine(std::string_view source, const MergePlan& plan, Visit&& visit) {
    ForEachSourceLine(source, [&](std::string_view line) {
        const auto start = static_cast<std::size_t>(line.data() - source.data());
        if (!IsDroppedSourceLine(line) && !HoldsHeaderPart(source, line, plan.headerParts)) {
            visit(line, plan.beforeList && start >= plan.beforeList->start &&
                            start < plan.beforeList->end);
        }
    });
}

std::string AssembleMergedDocument(const CommandTables& tables, std::string_view source,
                                   const MergePlan& plan) {
    const std::string_view declaration = HeaderLine(0);
    std::string newBlocks;
    AppendCommandBlocks(newBlocks, tables, CommandNameSpaces::AsStored);

    // Sized exactly before the body goes in, so that the source and the document are all the
    // memory a large merge holds: no table of lines, no spare capacity from growing.
    std::size_t size = declaration.size() + plan.rootOpening.size() + plan.listOpening.size() +
                       4 * kLineEnd.size() + newBlocks.size();
    ForEachCarriedLine(source, plan,
                       [&](std::string_view line, bool) { size += line.size() + kLineEnd.size(); });
    std::string document;
    document.reserve(size);
    AppendLine(document, declaration);
    AppendLine(document, plan.rootOpening);
    ForEachCarriedLine(source, plan, [&](std::string_view line, bool beforeList) {
        if (beforeList) {
            AppendLine(document, line);
        }
    });
    AppendLine(document, plan.listOpening);
    document += kLineEnd;
    document += newBlocks;
    newBlocks = std::string();
    ForEachCarriedLine(source, plan, [&](std::string_view line, bool beforeList) {
        if (!beforeList) {
            AppendLine(document, line);
        }
    });
    return document;
}

std::string LineOf(std::string_view source, std::size_t offset) {
    return "its line " + std::to_string(SourceLineNumberAt(source, offset));
}

// The first line that holds the text of the root's end tag, "</voxtrel-config>" with blanks
// allowed before its ">", or 0.
std::size_t FirstLineHoldingRootEnd(std::string_view source) {
    std::size_t number = 0;
    std::size_t found = 0;
    ForEachSourceLine(source, [&](std::string_view line) {
        ++number;
        for (std::size_t at = line.find("</voxtrel-config"); found == 0 && at != line.npos;
             at = line.find("</voxtrel-config", at + 1)) {
            const std::size_t after = line.find_first_not_of(" \t", at + 16);
            if (after != line.npos && line[after] == '>') {
                found = number;
            }
        }
    });
    return found;
}

// What is wrong with a source that is no well-formed profile, from "its line N" on.
std::string FaultReason(const MarkupFault& fault, std::string_view source) {
    switch (fault.kind) {
        case MarkupFault::Kind::Malformed:
            return LineOf(source, fault.offset) + " " + fault.what;
        case MarkupFault::Kind::Mismatch:
            return LineOf(source, fault.offset) + " holds \"</" + fault.closing + ">\" where \"<" +
                   fault.open + ">\" of " + LineOf(source, fault.openedAt) + " is still open";
        case MarkupFault::Kind::EndsOpen:
            break;
    }
    const std::size_t rootEndLine = FirstLineHoldingRootEnd(source);
    if (fault.open == "voxtrel-config" && rootEndLine != 0) {
        return "its line " + std::to_string(rootEndLine) +
               " holds \"</voxtrel-config>\" only inside a comment, a CDATA section or a "
               "processing instruction, where it ends nothing";
    }
    return LineOf(source, fault.openedAt) + " opens \"<" + fault.open +
           ">\", which no later line closes";
}

// The excerpt of the source from `offset` to the end of its line, cut short, for a message.
std::string LineExcerpt(std::string_view source, std::size_t offset) {
    const std::string_view rest = source.substr(offset);
    return MarkupExcerpt(rest.substr(0, std::min(rest.find_first_of("\r\n"), std::size_t{40})));
}

// The header text a left-out line stands for, as Wingcall writes it, for a message.
std::string_view HeaderPartNamed(std::string_view line, std::size_t lineStart,
                                 const MergeSourceStructure& structure) {
    const auto touches = [&](const std::optional<SourceSpan>& span) {
        return span && Intersects(*span, lineStart, lineStart + line.size());
    };
    if (touches(structure.rootOpening)) {
        return "<voxtrel-config>";
    }
    if (touches(structure.listOpening)) {
        return "<command-list>";
    }
    if (touches(structure.declaration)) {
        return HeaderLine(0);
    }
    return HeaderTextIn(line);
}

// Decides from the source's structure how it goes into the merged document, or refuses it.
MergePlan JudgeSource(const std::filesystem::path& path, std::string_view source) {
    if (source.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        Refuse(path, kNotAddableLead,
               "it is empty: it holds no profile at all. Choose a profile that Wingcall wrote.");
    }
    const SourceReading reading = ReadMergeSource(source);
    if (reading.fault) {
        Refuse(path, kNotAddableLead,
               FaultReason(*reading.fault, source) +
                   ", so Voxtrel could not load it either. Correct that line, or choose a profile "
                   "that Wingcall wrote.");
    }
    const MergeSourceStructure& structure = reading.structure;
    if (!structure.listOpening || structure.listIsEmptyElement) {
        Refuse(path, kNotAddableLead,
               (structure.listOpening ? LineOf(source, structure.listOpening->start) +
                                            " holds an empty command list (\"<command-list/>\")"
                                      : std::string("its root element \"<voxtrel-config>\" holds "
                                                    "no command list (\"<command-list>\", in small "
                                                    "letters)")) +
                   ", so there is no list the new commands could join. Choose a profile that "
                   "Wingcall wrote.");
    }
    if (structure.undeclaredPrefix) {
        const std::string& name = structure.undeclaredPrefix->named;
        const std::string prefix = name.substr(0, name.find(':'));
        Refuse(path, kNotAddableLead,
               LineOf(source, structure.undeclaredPrefix->offset) + " uses the name \"" + name +
                   "\", whose namespace prefix \"" + prefix +
                   "\" no part of it declares (\"xmlns:" + prefix +
                   "=...\"), so a reader that knows namespaces, as Voxtrel's does, cannot load "
                   "it. Declare the prefix on \"<voxtrel-config>\", or choose a profile that "
                   "Wingcall wrote.");
    }
    if (structure.colonMisplaced) {
        Refuse(path, kNotAddableLead,
               LineOf(source, structure.colonMisplaced->offset) + " holds the name \"" +
                   structure.colonMisplaced->named +
                   "\", whose colon a reader that knows namespaces, as Voxtrel's does, cannot "
                   "read. Correct that name, or choose a profile that Wingcall wrote.");
    }
    if (structure.sectionOnDroppedLine) {
        Refuse(path, kWouldChangeLead,
               LineOf(source, structure.sectionOnDroppedLine->offset) +
                   " begins a CDATA section that holds a line Wingcall leaves out as a header "
                   "line, so the text of the section would change. Choose a profile that "
                   "Wingcall wrote.");
    }

    MergePlan plan;
    for (const auto& part : {structure.declaration, structure.rootOpening, structure.listOpening}) {
        if (part) {
            plan.headerParts.push_back(*part);
        }
    }
    for (std::string_view declaration : structure.rootNamespaces) {
        plan.rootOpening.insert(plan.rootOpening.size() - 1, " " + std::string(declaration));
    }
    for (std::string_view declaration : structure.listNamespaces) {
        plan.listOpening.insert(plan.listOpening.size() - 1, " " + std::string(declaration));
    }

    // The loss markup cannot see: a left-out line that holds more than the header.
    std::optional<SourceSpan> rootLine;
    std::optional<SourceSpan> listLine;
    bool documentTypeCarried = false;
    ForEachSourceLine(source, [&](std::string_view line) {
        const auto start = static_cast<std::size_t>(line.data() - source.data());
        const SourceSpan span{start, start + line.size()};
        if (Intersects(*structure.rootOpening, span.start, span.end)) {
            rootLine = span;
        }
        if (!listLine && Intersects(*structure.listOpening, span.start, span.end)) {
            listLine = span;
        }
        const bool dropped =
            IsDroppedSourceLine(line) || HoldsHeaderPart(source, line, plan.headerParts);
        if (structure.documentType && !dropped &&
            Intersects(*structure.documentType, span.start, span.end)) {
            documentTypeCarried = true;
        }
        if (!dropped) {
            return;
        }
        const std::size_t lost = FirstLostByteOfDroppedLine(source, line, plan.headerParts);
        if (lost != std::string_view::npos) {
            const std::string header(HeaderPartNamed(line, start, structure));
            Refuse(path, kWouldChangeLead,
                   LineOf(source, start) + " holds \"" + header +
                       "\" together with other text or markup (\"" + LineExcerpt(source, lost) +
                       "\"). Wingcall leaves that line out whole, since the new header takes its "
                       "place, so the rest of it would be lost. Put \"" +
                       header +
                       "\" on a line of its own, or choose a profile that Wingcall wrote.");
        }
    });
    if (documentTypeCarried) {
        Refuse(path, kNotAddableLead,
               LineOf(source, structure.documentType->start) +
                   " holds a document type declaration (\"<!DOCTYPE\"), which a Voxtrel profile "
                   "does not have and which would stand after the new header, where none may. "
                   "Take it out, or choose a profile that Wingcall wrote.");
    }
    if (structure.beforeList) {
        plan.beforeList = SourceSpan{rootLine->end, listLine->start};
    }
    return plan;
}

}  // namespace

std::string MergedProfileDocument(const CommandTables& tables, std::string_view sourceBytes) {
    return AssembleMergedDocument(tables, sourceBytes, MergePlan{});
}

void WriteMergedProfile(const std::filesystem::path& outputPath,
                        const std::filesystem::path& AppendSourcePath,
                        const CommandTables& tables) {
    // The source is read and judged whole before the output is touched, so that a source which
    // is also the output keeps its body, and a source that cannot be read or would not give a
    // faithful profile leaves the output as it was.
    std::string source = ReadWholeSource(AppendSourcePath);
    if (IsUtf16(source)) {
        Refuse(AppendSourcePath, kNotAddableLead,
               "it is written in UTF-16; Voxtrel profiles that Wingcall writes are in the Windows "
               "code page. Choose a profile that Wingcall wrote.");
    }
    SourceInLatinOne carried = CarryIntoLatinOne(source);
    if (!carried.refusal.empty()) {
        Refuse(AppendSourcePath, carried.notAProfile ? kNotAddableLead : kWouldChangeLead,
               carried.refusal);
    }
    if (carried.bytes) {
        source = std::move(*carried.bytes);
    }
    const MergePlan plan = JudgeSource(AppendSourcePath, source);
    ReplaceFileKeepingBackup(outputPath, AssembleMergedDocument(tables, source, plan));
}

}  // namespace wingcall
