// Keeps a file's earlier bytes as "<name>.bak" before it is replaced.
#include "files/backed_up_replace.h"

#include <string>
#include <system_error>

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
    if (std::filesystem::is_regular_file(target, error)) {
        const WholeFileRead earlier = ReadWholeFile(target, kMaximumBackedUpBytes);
        if (earlier.failure != WholeFileFailure::None) {
            ThrowBackupNotMade(target, ReasonOf(target, earlier));
        }
        try {
            ReplaceFileContents(BackupPathFor(target), earlier.bytes);
        } catch (const WingcallError& backupFailure) {
            ThrowBackupNotMade(target, backupFailure.what());
        }
    }
    ReplaceFileContents(target, contents);
}

}  // namespace wingcall
