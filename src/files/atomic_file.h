// Replacing a file the user cares about without ever leaving it half-written.
#pragma once

#include <filesystem>
#include <string_view>

namespace wingcall {

// Writes `contents` to a temporary file in the target's folder, flushes it to disk and then
// renames it over `target` (on Windows a rename written through), so the target holds either its
// old content or all of the new. A symbolic link at `target` is followed, so the file it points to
// is the one replaced, or created when the link dangles. An existing target keeps its permission
// bits, and its owner and group where the process may set them (on Windows its hidden and system
// attributes); a new one gets the mode the file-creation mask gives. The temporary file can be
// read by its owner only until it is complete. Temporary files left by writers that have ended
// are removed after a successful write. No descriptor or handle is inherited by a started
// program.
// On failure the temporary file is removed, the target is untouched, and a WingcallError
// (FileAccess) naming the target and the reason is thrown.
void ReplaceFileContents(const std::filesystem::path& target, std::string_view contents);

// A new name for a temporary file beside `target`, of the form whose files a successful replace
// sweeps away once their writer has ended: for a writer that prepares a file of its own there.
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target);

}  // namespace wingcall
