// Crash safety: a process killed with SIGKILL at any moment of a settings write or a profile
// write leaves each file either as it was or as the complete new version, and the next
// successful write clears away the temporary files such kills leave behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "child_process.h"
#include "files/wide_path.h"
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // wingcall::testing, the helpers the tests share

// Enough commands that one write takes a few milliseconds, so that kills land inside writes.
constexpr std::size_t kCommands = 3000;
// At least kMinimumRounds run however slow the machine is; beyond them, the rounds stop at
// whichever limit comes first, to keep the test run short.
constexpr int kMinimumRounds = 5;
constexpr int kMaximumRounds = 60;
constexpr auto kTimeBudget = std::chrono::milliseconds(4000);

// Kills a child that writes `target` again and again, alternating writeOne(true) and
// writeOne(false), after a random delay, round after round. After each kill the target must be
// `old` or one of the complete `versions`, and so must the target's backup "<target>.bak" where a
// writer keeps one; then the next write that changes the file must clear away what the killed
// writers left (the folder holds the target, one other file and `backups` backups).
template <typename WriteOne>
void ExpectKilledWritesLeaveWholeFiles(const TempFolder& folder, const fs::path& target,
                                       const std::string& old,
                                       const std::set<std::string>& versions, std::size_t backups,
                                       WriteOne writeOne) {
    const fs::path backup = fs::path(target) += ".bak";
    const std::size_t files = 2 + backups;
    using std::chrono::steady_clock;
    // How long one write takes here, so that the kill delays span several writes.
    WriteBytes(target, old);
    const auto timed = steady_clock::now();
    writeOne(true);
    const auto oneWrite =
        std::chrono::duration_cast<std::chrono::microseconds>(steady_clock::now() - timed);
    WriteBytes(target, old);

    std::mt19937 random(20240611);
    std::uniform_int_distribution<long> delay(0, 3 * oneWrite.count());
    int rounds = 0;
    int leftTemporaryFiles = 0;
    const auto start = steady_clock::now();
    while (rounds < kMinimumRounds ||
           (rounds < kMaximumRounds && steady_clock::now() - start < kTimeBudget)) {
        // The child says when its first write is done, so that the kill lands among writes
        // rather than in the start of the process, however slow the machine is.
        ChildProcess child([&](int report) {
            for (bool first = true;; first = !first) {
                writeOne(first);
                if (first) {
                    Report(report, "-");
                }
            }
            return 0;
        });
        child.WaitForFirstReport(std::chrono::seconds(30));
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        child.Kill();
        child.Wait(std::chrono::seconds(10));
        ++rounds;
        leftTemporaryFiles += CountEntries(folder.path()) > files ? 1 : 0;
        const std::string now = ReadBytes(target);
        ASSERT_TRUE(now == old || versions.contains(now))
            << "a killed write left a file of " << now.size() << " bytes";
        if (backups != 0) {
            const std::string kept = ReadBytes(backup);
            ASSERT_TRUE(kept == old || versions.contains(kept))
                << "a killed write left a backup of " << kept.size() << " bytes";
        }
    }
    // How many kills landed between the creation of a temporary file and its rename. Not
    // asserted: on a slow (sanitizer) build most of a write is spent building the content.
    // The ReplaceFileContents tests leave one for certain and check that it is cleared.
    ::testing::Test::RecordProperty("KillsInsideTheFileWrite", leftTemporaryFiles);

    // Both versions, because a settings write of the value the file already holds leaves the
    // file alone and so clears nothing; one of the two always changes the file.
    writeOne(true);
    writeOne(false);
    EXPECT_EQ(CountEntries(folder.path()), files) << "temporary files were left behind";
}

// Each writer in turn rewrites its target with one of two versions. The folder holds one other
// file, which no write may touch: the source a merge reads, large so that a merge spends time
// reading before it writes.
TEST(CrashSafety, AKilledWriteLeavesTheOldOrACompleteFileAndNothingElse) {
    for (const std::string writer : {"Settings", "NewProfile", "MergedProfile"}) {
        SCOPED_TRACE(writer);
        TempFolder folder;
        const bool settingsWrite = writer == "Settings";
        const fs::path target = folder / (settingsWrite ? "Wingcall.ini" : "Wingcall.xml");
        const fs::path source = folder / "Earlier.xml";
        WriteBytes(source, NewProfileDocument(TablesFor(kCommands, L"Earlier"), {}));
        const std::string sourceBytes = ReadBytes(source);
        const std::size_t commands = writer == "MergedProfile" ? 10 : kCommands;
        const CommandTables tables[] = {TablesFor(commands, L"Alpha"),
                                        TablesFor(commands, L"Bravo")};
        const PushToTalkValues pushToTalk{true, L"hold", L"on", L"LControl", L"3", L""};
        const auto write = [&](bool first) {
            if (settingsWrite) {
                WriteSetting(WideFromPath(target), L"General", L"LastPTT1",
                             first ? L"alpha" : L"bravo");
            } else if (writer == "NewProfile") {
                WriteNewProfile(target, tables[first ? 0 : 1], pushToTalk);
            } else {
                WriteMergedProfile(target, source, tables[first ? 0 : 1]);
            }
        };
        const std::string old = settingsWrite ? SettingsWithTemplate(kCommands) : "old profile\r\n";
        // The only other files a write may leave, made by the writers themselves: their own tests
        // check every byte of them (a settings write keeps every other byte of the file).
        std::set<std::string> versions;
        for (const bool first : {true, false}) {
            WriteBytes(target, old);
            write(first);
            versions.insert(ReadBytes(target));
        }
        ASSERT_EQ(versions.size(), 2u) << "a write left the file as it was";
        // A profile writer keeps the file it replaces as "Wingcall.xml.bak".
        ExpectKilledWritesLeaveWholeFiles(folder, target, old, versions, settingsWrite ? 0 : 1,
                                          write);
        EXPECT_EQ(ReadBytes(source), sourceBytes);
    }
}

}  // namespace
}  // namespace wingcall
