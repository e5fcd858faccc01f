// Replacing a file the pilot already has while keeping its previous bytes one step back, as
// "<name>.bak" beside it, so that a profile replaced by mistake can be had back by a rename.
#pragma once

#include <filesystem>
#include <string_view>

#include "errors/wingcall_error.h"

namespace wingcall {

// The copy of an earlier `target` kept by ReplaceFileKeepingBackup: its full name followed by
// ".bak" ("MyJet.xml" -> "MyJet.xml.bak"), in the same folder.
std::filesystem::path BackupPathFor(const std::filesystem::path& target);

// The earlier content could not be kept, so nothing was replaced: the message names the file, the
// backup and the system's reason.
class BackupNotMade : public WingcallError {
  public:
    using WingcallError::WingcallError;
};

// The largest file whose earlier content is kept; a larger one is no profile, and is refused
// rather than read whole into memory.
inline constexpr std::size_t kMaximumBackedUpBytes = 256 * 1024 * 1024;

// Replaces `target` with `contents` as ReplaceFileContents does. When an ordinary file is already
// there (a symbolic link is followed), its bytes are first written, crash-safe, to
// BackupPathFor(target), replacing an older backup of that name, and are complete on disk before
// the target is replaced: at any moment the target holds its old or its new bytes and the backup
// is whole. Throws BackupNotMade (FileAccess) when the earlier content cannot be read or kept,
// leaving the target untouched, and WingcallError FileAccess when the target cannot be written;
// the backup is then as it was before the call (where putting it back can fail too, it still
// holds the target's unchanged bytes).
void ReplaceFileKeepingBackup(const std::filesystem::path& target, std::string_view contents);

}  // namespace wingcall
