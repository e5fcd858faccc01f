// Keeps a file's earlier bytes as "<name>.bak" before it is replaced.
#include "files/backed_up_replace.h"

#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "files/atomic_file.h"
#include "files/whole_file_read.h"
#include "files/wide_path.h"

namespace wingcall {
namespace {

// `why` is a whole sentence: the system's reason, with the file it concerns.
[[noreturn]] void ThrowBackupNotMade(const std::filesystem::path& target, const std::string& why) {
    throw BackupNotMade(ErrorNumber::FileAccess,
                        "Wingcall did not replace \"" + Utf8FromPath(target) +
                            "\", because it could not first keep a copy of it as \"" +
                            Utf8FromPath(BackupPathFor(target).filename()) + "\". " + why);
}

std::string ReasonOf(const std::filesystem::path& target, const WholeFileRead& read) {
    const std::string name = "\"" + Utf8FromPath(target) + "\"";
    switch (read.failure) {
        case WholeFileFailure::TooLarge:
            return name + " is too large to be a Voxtrel profile.";
        case WholeFileFailure::Unreadable:
            return "Could not read " + name + ": " + read.systemReason + ".";
        default:
            return name + " is not an ordinary file.";
    }
}

}  // namespace

std::filesystem::path BackupPathFor(const std::filesystem::path& target) {
    std::filesystem::path backup = target;
    backup += ".bak";
    return backup;
}

void ReplaceFileKeepingBackup(const std::filesystem::path& target, std::string_view contents) {
    std::error_code error;
    // A folder or a device of that name is left to the replace, which refuses it with its reason;
    // only a file with content can be lost.
    if (!std::filesystem::is_regular_file(target, error)) {
        ReplaceFileContents(target, contents);
        return;
    }
    const WholeFileRead earlier = ReadWholeFile(target, kMaximumBackedUpBytes);
    if (earlier.failure != WholeFileFailure::None) {
        ThrowBackupNotMade(target, ReasonOf(target, earlier));
    }
    // The backup this one replaces is kept in memory until the target is replaced, so that a
    // replace that fails (a read-only or busy target, a full disk) leaves the backups as they were.
    const std::filesystem::path backup = BackupPathFor(target);
    std::optional<std::string> olderBackup;
    if (std::filesystem::is_regular_file(backup, error)) {
        WholeFileRead older = ReadWholeFile(backup, kMaximumBackedUpBytes);
        if (older.failure != WholeFileFailure::None) {
            ThrowBackupNotMade(target, ReasonOf(backup, older));
        }
        olderBackup = std::move(older.bytes);
    }
    try {
        ReplaceFileContents(backup, earlier.bytes);
    } catch (const WingcallError& backupFailure) {
        ThrowBackupNotMade(target, backupFailure.what());
    }
    try {
        ReplaceFileContents(target, contents);
    } catch (const WingcallError&) {
        // The target is as it was, and so is what was kept of it before: the older backup is
        // put back, or the copy made just now removed. Either way it is whole.
        try {
            if (olderBackup) {
                ReplaceFileContents(backup, *olderBackup);
            } else {
                std::filesystem::remove(backup, error);
            }
        } catch (const WingcallError&) {
        }
        throw;
    }
}

}  // namespace wingcall
