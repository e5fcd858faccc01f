// Crash-safe file replacement: new content or old, never half, and nothing left behind.
#include "files/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "robustness/child_process.h"
#endif

namespace {

namespace fs = std::filesystem;
using wingcall::ErrorNumber;
using wingcall::ReplaceFileContents;
using wingcall::testing::CountEntries;
using wingcall::testing::ReadBytes;
using wingcall::testing::TempFolder;
using wingcall::testing::WriteBytes;

// A link to a file, a dangling link (the file it names is created, the link stays) and a chain of
// relative links ending in a dangling one.
TEST(ReplaceFileContents, FollowsSymbolicLinksEvenDanglingOnes) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links on Windows need a privilege that ordinary users lack (and Wine "
                    "does not implement them)";
#endif
    TempFolder folder;
    fs::create_directory(folder / "elsewhere");
    WriteBytes(folder / "real.ini", "old");
    fs::create_symlink(folder / "real.ini", folder / "link.ini");
    fs::create_symlink(folder / "elsewhere" / "absent.ini", folder / "dangling.ini");
    fs::create_symlink("chain2.ini", folder / "chain1.ini");
    fs::create_symlink("elsewhere/end.ini", folder / "chain2.ini");
    const std::pair<const char*, fs::path> linksAndFiles[] = {
        {"link.ini", folder / "real.ini"},
        {"dangling.ini", folder / "elsewhere" / "absent.ini"},
        {"chain1.ini", folder / "elsewhere" / "end.ini"}};
    for (const auto& [link, file] : linksAndFiles) {
        SCOPED_TRACE(link);
        ReplaceFileContents(folder / link, "new");
        EXPECT_TRUE(fs::is_symlink(folder / link));
        EXPECT_EQ(ReadBytes(file), "new");
    }
    EXPECT_EQ(CountEntries(folder.path()), 6u);
    EXPECT_EQ(CountEntries(folder / "elsewhere"), 2u);

    fs::create_symlink("loop2.ini", folder / "loop1.ini");
    fs::create_symlink("loop1.ini", folder / "loop2.ini");
    wingcall::testing::ExpectWingcallError([&] { ReplaceFileContents(folder / "loop1.ini", "x"); },
                                           ErrorNumber::FileAccess, {"loop1.ini", "loop"});
    EXPECT_EQ(CountEntries(folder.path()), 8u);
}

// Any bytes (a NUL, none at all) replace the whole file, whose name may be as long as the file
// system takes: two long names that differ only at their end must not share a temporary file.
TEST(ReplaceFileContents, WritesTargetsWithNamesAsLongAsTheFileSystemTakes) {
    TempFolder folder;
    for (const std::size_t length : {200u, 230u, 255u}) {
        for (const char last : {'a', 'b'}) {
            const fs::path target = folder / (std::string(length - 1, 'n') + last);
            for (const std::string& content :
                 {std::string("fi\0rst\r\n", 7), std::string(), std::string(1, last)}) {
                ReplaceFileContents(target, content);
                EXPECT_EQ(ReadBytes(target), content) << length;
            }
        }
    }
    EXPECT_EQ(CountEntries(folder.path()), 6u);
}

// A temporary file whose writer has ended is removed by the next write; one of a live writer
// (here this process) stays.
TEST(ReplaceFileContents, SweepsTheTemporaryFilesOfEndedWritersOnly) {
    TempFolder folder;
#ifdef _WIN32
    const std::string ended = "4294967291";  // Windows process ids are multiples of 4
    const std::string live = std::to_string(::GetCurrentProcessId());
#else
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    const std::string ended = std::to_string(child);
    const std::string live = std::to_string(::getpid());
#endif
    const fs::path leftOver = folder / (".Wingcall.ini.tmp-" + ended + "-0-1");
    const fs::path inProgress = folder / (".Wingcall.ini.tmp-" + live + "-99999-1");
    const fs::path otherFile = folder / (".Other.ini.tmp-" + ended + "-0-1");
    for (const fs::path& file : {leftOver, inProgress, otherFile}) {
        WriteBytes(file, "part");
    }
    ReplaceFileContents(folder / "Wingcall.ini", "new");
    EXPECT_FALSE(fs::exists(leftOver));
    EXPECT_TRUE(fs::exists(inProgress));
    EXPECT_TRUE(fs::exists(otherFile));
}

#ifndef _WIN32

mode_t ModeOf(const fs::path& file) {
    struct stat status {};
    EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
    return status.st_mode & 07777;
}

// While it is written the temporary file is private whatever the target's mode: a writer killed
// part-way (SIGXFSZ past a file-size limit) leaves it behind as it was. A new target gets the mode
// the file-creation mask gives.
TEST(ReplaceFileContents, TheTemporaryFileIsPrivateAndANewFileFollowsTheMask) {
    TempFolder folder;
    const fs::path target = folder / "Wingcall.ini";
    const mode_t previousMask = ::umask(027);
    ReplaceFileContents(target, "old");
    ::umask(previousMask);
    EXPECT_EQ(ModeOf(target), 0640u);
    fs::permissions(target, static_cast<fs::perms>(0666));
    wingcall::testing::ChildProcess child([&](int) {
        const rlimit small{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ReplaceFileContents(target, std::string(4096, 'x'));
        return 0;
    });
    const auto outcome = child.Wait(std::chrono::seconds(20));
    ASSERT_EQ(outcome.signal, SIGXFSZ);
    ASSERT_EQ(CountEntries(folder.path()), 2u);
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.path() != target) {
            EXPECT_EQ(ModeOf(entry.path()), 0600u) << entry.path();
        }
    }
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_EQ(ModeOf(target), 0666u);
}

#endif

// A write keeps the mode, and run as the superuser (as an installer or a sudo would) the owner and
// group too.
TEST(ReplaceFileContents, KeepsModeOwnerAndGroup) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permission bits: Windows has only the read-only attribute";
#else
    TempFolder folder;
    const fs::path file = folder / "Wingcall.ini";
    WriteBytes(file, "old");
    fs::permissions(file, static_cast<fs::perms>(0641));
    ReplaceFileContents(file, "new");
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(ModeOf(file), 0641u);
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only the superuser can give a file to another owner";
    }
    ASSERT_EQ(::chown(file.c_str(), 4321, 8765), 0);
    fs::permissions(file, static_cast<fs::perms>(02750));
    ReplaceFileContents(file, "newer");
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(status.st_gid, 8765u);
    EXPECT_EQ(status.st_mode & 07777, 02750u);
#endif
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
