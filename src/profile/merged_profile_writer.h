// Writes a profile whose new command blocks come before the body of an existing profile.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "errors/wingcall_error.h"
#include "profile/merge_source_lines.h"
#include "settings/command_template.h"

namespace wingcall {

// Every failure that lies with the merge source rather than with the output: the source could
// not be read, or Wingcall will not add to it. The window tells the pilot that append mode still
// points at that source, so it must be told apart from a failure to write the output.
class MergeSourceRefused : public WingcallError {
  public:
    using WingcallError::WingcallError;
};

// The largest source a merge reads. Profiles of tens of thousands of commands stay far below it;
// a larger file is no profile, and reading it whole could exhaust memory.
inline constexpr std::size_t kMaximumMergeSourceBytes = 64 * 1024 * 1024;

// The bytes of a merged document: the header, the new blocks (names untrimmed), then every source
// line that IsDroppedSourceLine does not leave out, as read and followed by CR LF. Nothing else:
// the closing lines come from the source. The source is not checked here (WriteMergedProfile checks
// it). Throws WingcallError SubscriptOutOfRange naming the first entry a table lacks, and
// InvalidArgument naming a new value that holds a character no profile can hold.
std::string MergedProfileDocument(const CommandTables& tables, std::string_view sourceBytes);

// Reads the whole source first (so the source may be the output itself), judges it once by its
// structure, then writes the merged document to `outputPath` through a temporary file. The merged
// document holds every element, attribute and character of the source where the source had it,
// and the new commands at the head of its list: content between the source's root opening and
// its list opening goes before the new list opening, namespace declarations on the openings the
// new header replaces go onto the new ones, and a source in UTF-8 or Windows-1252 is carried
// into ISO-8859-1 (CarryIntoLatinOne). A source that is no profile Wingcall can add to (not an
// ordinary file of at most kMaximumMergeSourceBytes, UTF-16, not well-formed XML with one
// `voxtrel-config` root holding one `command-list`, a namespace prefix declared nowhere), or one
// that the merge would change (a left-out line that holds more than the header, a character
// ISO-8859-1 cannot hold where no reference can stand), is refused with MergeSourceRefused
// InvalidArgument naming the source, its line and what is there. Throws MergeSourceRefused
// FileAccess naming the source and the reason when it cannot be read, and WingcallError FileAccess
// naming the output when that cannot be written (BackupNotMade when the output already exists and
// its bytes could not first be kept as BackupPathFor(outputPath)). On any failure the output and
// the source are untouched. Memory: the source and the merged document, about twice the source.
void WriteMergedProfile(const std::filesystem::path& outputPath,
                        const std::filesystem::path& AppendSourcePath, const CommandTables& tables);

}  // namespace wingcall
