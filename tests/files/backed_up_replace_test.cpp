// Replacing a file while keeping its earlier bytes as "<name>.bak": when a backup is made, that
// it is whole and replaces an older one, and that a backup that cannot be made replaces nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/backed_up_replace.h"
#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using testing::CountEntries;
using testing::ReadBytes;
using testing::WriteBytes;

TEST(BackedUpReplace, TheEarlierBytesAreKeptOneStepBack) {
    testing::TempFolder folder;
    const fs::path target = folder / "MyJet.xml";
    EXPECT_EQ(BackupPathFor(target), folder / "MyJet.xml.bak");

    // A new file has nothing to keep.
    ReplaceFileKeepingBackup(target, "first");
    EXPECT_EQ(ReadBytes(target), "first");
    EXPECT_EQ(CountEntries(folder.path()), 1u);

    // Each replace keeps the bytes it replaces, over the older backup.
    ReplaceFileKeepingBackup(target, "second");
    EXPECT_EQ(ReadBytes(target), "second");
    EXPECT_EQ(ReadBytes(folder / "MyJet.xml.bak"), "first");
    ReplaceFileKeepingBackup(target, std::string(100000, 'x'));
    EXPECT_EQ(ReadBytes(folder / "MyJet.xml.bak"), "second");
    EXPECT_EQ(CountEntries(folder.path()), 2u);

#ifndef _WIN32
    // Through a link, the file it names is replaced; the backup lies beside the name used.
    fs::create_directory(folder / "real");
    WriteBytes(folder / "real/profile.xml", "linked");
    fs::create_symlink("real/profile.xml", folder / "link.xml");
    ReplaceFileKeepingBackup(folder / "link.xml", "through the link");
    EXPECT_TRUE(fs::is_symlink(folder / "link.xml"));
    EXPECT_EQ(ReadBytes(folder / "real/profile.xml"), "through the link");
    EXPECT_EQ(ReadBytes(folder / "link.xml.bak"), "linked");
#endif
}

TEST(BackedUpReplace, ABackupThatCannotBeMadeReplacesNothing) {
    testing::TempFolder folder;
    const fs::path target = folder / "MyJet.xml";
    WriteBytes(target, "the pilot's own calls");
    // A folder where the backup would go cannot be replaced by a file.
    fs::create_directory(folder / "MyJet.xml.bak");
    WriteBytes(folder / "MyJet.xml.bak/inside", "kept");

    const std::string message =
        testing::ExpectWingcallError([&] { ReplaceFileKeepingBackup(target, "new calls"); },
                                     ErrorNumber::FileAccess, {target.string(), "MyJet.xml.bak"});
    EXPECT_TRUE(message.starts_with("Wingcall did not replace")) << message;
    try {
        ReplaceFileKeepingBackup(target, "new calls");
        ADD_FAILURE() << "replaced without a backup";
    } catch (const BackupNotMade&) {
    }
    EXPECT_EQ(ReadBytes(target), "the pilot's own calls");
    EXPECT_EQ(ReadBytes(folder / "MyJet.xml.bak/inside"), "kept");
    EXPECT_EQ(CountEntries(folder.path()), 2u) << "no temporary file is left";
}

}  // namespace
}  // namespace wingcall
