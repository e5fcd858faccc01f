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

// Runs `replace`, expecting a FileAccess error whose message names `target`.
template <typename Action>
void ExpectFailureNaming(const fs::path& target, Action replace) {
    wingcall::testing::ExpectWingcallError(replace, ErrorNumber::FileAccess, {target.string()});
}

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

TEST(ReplaceFileContents, MissingFolderFailsAndLeavesNothing) {
    TempFolder folder;
    const fs::path target = folder / "absent" / "profile.xml";
    ExpectFailureNaming(target, [&] { ReplaceFileContents(target, "data"); });
    EXPECT_EQ(CountEntries(folder.path()), 0u);
}

TEST(ReplaceFileContents, FolderAsTargetFailsAndLeavesItAsItWas) {
    TempFolder folder;
    const fs::path target = folder / "profiles";
    fs::create_directory(target);
    WriteBytes(target / "inside.xml", "kept");
    ExpectFailureNaming(target, [&] { ReplaceFileContents(target, "data"); });
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(ReadBytes(target / "inside.xml"), "kept");
    EXPECT_EQ(CountEntries(folder.path()), 1u);
    EXPECT_EQ(CountEntries(target), 1u);
}

TEST(ReplaceFileContents, ReadOnlyTargetIsKeptEvenForTheSuperuser) {
    TempFolder folder;
    const fs::path target = folder / "profile.xml";
    WriteBytes(target, "protected");
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
    ExpectFailureNaming(target, [&] { ReplaceFileContents(target, "data"); });
    EXPECT_EQ(ReadBytes(target), "protected");
    EXPECT_EQ(CountEntries(folder.path()), 1u);
}

}  // namespace
