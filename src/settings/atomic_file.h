// Replacing a file the user cares about without ever leaving it half-written.
#pragma once

#include <filesystem>
#include <string_view>

namespace wingcall {

// Writes `contents` to a temporary file in the target's folder, flushes it to disk and then
// renames it over `target`, so the target holds either its old content or all of the new.
// A symbolic link at `target` is followed, so the file it points to is the one replaced.
// An existing target keeps its permission bits.
// On failure the temporary file is removed, the target is untouched, and a WingcallError
// (FileAccess) naming the target and the reason is thrown.
void ReplaceFileContents(const std::filesystem::path& target, std::string_view contents);

}  // namespace wingcall
