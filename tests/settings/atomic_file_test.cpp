// Crash-safe file replacement: new content or old, never half, and nothing left behind.
#include "settings/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using wingcall::ErrorNumber;
using wingcall::ReplaceFileContents;
using wingcall::testing::CountEntries;
using wingcall::testing::ReadBytes;
using wingcall::testing::TempFolder;
using wingcall::testing::WriteBytes;

TEST(ReplaceFileContents, CreatesOrReplacesTheWholeFile) {
    TempFolder folder;
    const fs::path file = folder / "profile.xml";
    ReplaceFileContents(file, "first\r\n");
    EXPECT_EQ(ReadBytes(file), "first\r\n");
    ReplaceFileContents(file, std::string("se\0cond", 7));
    EXPECT_EQ(ReadBytes(file), std::string("se\0cond", 7));
    ReplaceFileContents(file, "");
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_EQ(CountEntries(folder.path()), 1u);
}

TEST(ReplaceFileContents, KeepsThePermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permission bits: Windows has only the read-only attribute";
#endif
    TempFolder folder;
    const fs::path file = folder / "Wingcall.ini";
    WriteBytes(file, "old");
    const fs::perms chosen = fs::perms::owner_read | fs::perms::owner_write |
                             fs::perms::group_read | fs::perms::others_exec;
    fs::permissions(file, chosen);
    ReplaceFileContents(file, "new");
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions(), chosen);
}

TEST(ReplaceFileContents, FollowsASymbolicLink) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links on Windows need a privilege that ordinary users lack (and Wine "
                    "does not implement them)";
#endif
    TempFolder folder;
    const fs::path real = folder / "real.ini";
    const fs::path link = folder / "link.ini";
    WriteBytes(real, "old");
    fs::create_symlink(real, link);
    ReplaceFileContents(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "new");
    EXPECT_EQ(CountEntries(folder.path()), 2u);
}

// A missing folder, a folder as the target, and a read-only target (kept even for the superuser).
TEST(ReplaceFileContents, AFailureNamesTheTargetAndLeavesEverythingAsItWas) {
    TempFolder folder;
    const fs::path inMissingFolder = folder / "absent" / "profile.xml";
    const fs::path aFolder = folder / "profiles";
    const fs::path readOnly = folder / "profile.xml";
    fs::create_directory(aFolder);
    WriteBytes(aFolder / "inside.xml", "kept");
    WriteBytes(readOnly, "protected");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    for (const fs::path& target : {inMissingFolder, aFolder, readOnly}) {
        wingcall::testing::ExpectWingcallError([&] { ReplaceFileContents(target, "data"); },
                                               ErrorNumber::FileAccess, {target.string()});
    }
    EXPECT_EQ(ReadBytes(aFolder / "inside.xml"), "kept");
    EXPECT_EQ(CountEntries(aFolder), 1u);
    EXPECT_EQ(ReadBytes(readOnly), "protected");
    EXPECT_EQ(CountEntries(folder.path()), 2u);
}

}  // namespace
