// What a merge needs to know of the structure of its source, learnt in the one reading of the
// source by the markup check: where its declaration, root opening and list opening stand,
// whatever its lines, and what else it holds that the merge must carry faithfully or refuse.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/merge_source_lines.h"
#include "profile/profile_markup_check.h"

namespace wingcall {

// Something of the source, for a message: where it starts and how it is named ("<push-to-talk>").
struct SourcePart {
    std::size_t offset = 0;
    std::string named;
};

struct MergeSourceStructure {
    std::optional<SourceSpan> declaration;
    std::optional<SourceSpan> documentType;
    std::optional<SourceSpan> rootOpening;
    std::optional<SourceSpan> listOpening;
    bool listIsEmptyElement = false;  // "<command-list/>": nothing the new commands could join
    // The namespace declarations of the two openings (`xmlns:v="urn:x"`), as written.
    std::vector<std::string_view> rootNamespaces;
    std::vector<std::string_view> listNamespaces;
    // The first element, text or CDATA section between the root opening and the list opening.
    std::optional<SourcePart> beforeList;
    // The first name whose namespace prefix no part of the source declares.
    std::optional<SourcePart> undeclaredPrefix;
    // The first name a reader that knows namespaces cannot read: a colon at its start or end, two
    // colons, or one in the target of a processing instruction.
    std::optional<SourcePart> colonMisplaced;
    // The first CDATA section with a line in it that the line rules leave out.
    std::optional<SourcePart> sectionOnDroppedLine;
};

// The source read once: its first markup fault, or else its structure.
struct SourceReading {
    std::optional<MarkupFault> fault;
    MergeSourceStructure structure;
};

SourceReading ReadMergeSource(std::string_view source);

}  // namespace wingcall
