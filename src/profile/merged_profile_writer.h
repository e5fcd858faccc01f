// Writes a profile whose new command blocks come before the body of an existing profile.
#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "errors/wingcall_error.h"
#include "settings/command_template.h"

namespace wingcall {

// Every failure that lies with the merge source rather than with the output: the source could
// not be read, or Wingcall will not add to it. The window tells the pilot that append mode still
// points at that source, so it must be told apart from a failure to write the output.
class MergeSourceRefused : public WingcallError {
  public:
    using WingcallError::WingcallError;
};

// Calls visit(line) for each line of `text`. CR LF, a lone CR and a lone LF each end a line; the
// line end is not part of the line; a last line without a line end is still a line; empty text
// has no lines.
template <typename Visit>
void ForEachSourceLine(std::string_view text, Visit&& visit) {
    // The next CR and the next LF are each found with memchr, many bytes at a time, and kept
    // until the scan passes them: a file without one of them is searched for it only once.
    const char* const data = text.data();
    const std::size_t size = text.size();
    const auto next = [&](char wanted, std::size_t from) {
        const void* found = from < size ? std::memchr(data + from, wanted, size - from) : nullptr;
        return found == nullptr ? size
                                : static_cast<std::size_t>(static_cast<const char*>(found) - data);
    };
    std::size_t nextCr = next('\r', 0);
    std::size_t nextLf = next('\n', 0);
    std::size_t start = 0;
    while (start < size) {
        if (nextCr < start) {
            nextCr = next('\r', start);
        }
        if (nextLf < start) {
            nextLf = next('\n', start);
        }
        const std::size_t end = std::min(nextCr, nextLf);
        if (end == size) {
            visit(text.substr(start));
            return;
        }
        visit(text.substr(start, end - start));
        start = end + ((data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ? 2 : 1);
    }
}

// The largest source a merge reads. Profiles of tens of thousands of commands stay far below it;
// a larger file is no profile, and reading it whole could exhaust memory.
inline constexpr std::size_t kMaximumMergeSourceBytes = 64 * 1024 * 1024;

// Whether a source line repeats the new header (declaration, root or list opening, any case).
bool IsSourceHeaderLine(std::string_view line);

// Whether a source line is nothing but the root or the list opening written another way: with
// attributes (`<voxtrel-config version="2">`) or blanks inside the tag, and blanks around it. The
// new header's opening takes its place, as it takes the place of the plain one.
bool IsSourceHeaderOpening(std::string_view line);

// The lines a merge leaves out: IsSourceHeaderLine or IsSourceHeaderOpening.
bool IsDroppedSourceLine(std::string_view line);

// The bytes of a merged document: the header, the new blocks (names untrimmed), then every source
// line that IsDroppedSourceLine does not leave out, as read and followed by CR LF. Nothing else:
// the closing lines come from the source. The source is not checked here (WriteMergedProfile checks
// it). Throws WingcallError SubscriptOutOfRange naming the first entry a table lacks, and
// InvalidArgument naming a new value that holds a character no profile can hold.
std::string MergedProfileDocument(const CommandTables& tables, std::string_view sourceBytes);

// Reads the whole source first (so the source may be the output itself), then writes the merged
// document to `outputPath` through a temporary file. The source must be an ordinary file of at
// most kMaximumMergeSourceBytes (a pipe is never waited on), in the code page rather than UTF-16;
// the lines carried over from it must hold the closing root line "</voxtrel-config>" and no XML
// declaration; a header line left out must hold nothing else (no command is lost with it); and
// the merged document must be well-formed XML with one `voxtrel-config` root holding at most one
// `command-list` (FindMarkupFault). Otherwise the merge is refused with MergeSourceRefused
// InvalidArgument naming the source's line and what is wrong there. Throws MergeSourceRefused
// FileAccess naming the source and the reason when it cannot be read, and WingcallError FileAccess
// naming the output when that cannot be written (BackupNotMade when the output already exists and
// its bytes could not first be kept as BackupPathFor(outputPath)). On any failure the output and
// the source are untouched. Memory: the source and the merged document, about twice the source.
void WriteMergedProfile(const std::filesystem::path& outputPath,
                        const std::filesystem::path& AppendSourcePath, const CommandTables& tables);

}  // namespace wingcall
