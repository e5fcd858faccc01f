// Several processes writing one settings file at once, as two Wingcall windows do: every write
// that reported success is still in the file once they are all done, also where the lock file
// cannot be opened, and a save by another program in the middle of our write is what a read gives
// afterwards.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "files/settings_lock.h"
#include "files/wide_path.h"
#include "settings/command_template.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // wingcall::testing, the helpers the tests share

constexpr int kWriters = 3;
constexpr int kKeysPerWriter = 15;
constexpr int kRuns = 10;
constexpr int kSaveRounds = 40;

// In a child: waits until every copy of the gate pipe's write end is closed, which happens once
// the parent has started the last child and closed its own, so that the children start together.
void PassGate(const int gate[2]) {
    ::close(gate[1]);
    char ignored;
    [[maybe_unused]] const ssize_t opened = ::read(gate[0], &ignored, 1);
}

// What stands where the lock file goes: nothing (the usual case), or something no writer can open
// as its lock file, so that the writers must lock something else rather than go ahead unlocked.
struct LockFileCase {
    const char* name;
    void (*prepare)(const fs::path& lockFile);
    int runs;
};
const LockFileCase kLockFileCases[] = {
    {"no lock file", [](const fs::path&) {}, kRuns},
    {"a folder", [](const fs::path& lockFile) { fs::create_directory(lockFile); }, kRuns / 2},
    {"a symbolic link",
     [](const fs::path& lockFile) {
         WriteBytes(lockFile.parent_path() / "elsewhere", "");
         fs::create_symlink("elsewhere", lockFile);
     },
     kRuns / 2},
};

TEST(ConcurrentSettingsWrites, WritersOfDifferentKeysLoseNothing) {
    // Each writer's keys hold their own names as values.
    const auto key = [](int writer, int n) {
        return L"Writer" + std::to_wstring(writer) + L"Key" + std::to_wstring(n);
    };
    for (const LockFileCase& lockFile : kLockFileCases) {
        SCOPED_TRACE(lockFile.name);
        int lostKeys = 0;
        int failedWrites = 0;
        for (int run = 0; run < lockFile.runs; ++run) {
            TempFolder folder;
            WriteBytes(folder / "Wingcall.ini", SettingsWithTemplate(40));
            lockFile.prepare(SettingsLockPath(folder / "Wingcall.ini"));
            const std::wstring path = WideFromPath(folder / "Wingcall.ini");
            int gate[2];
            ASSERT_EQ(::pipe(gate), 0);
            std::vector<std::unique_ptr<ChildProcess>> writers;
            for (int writer = 0; writer < kWriters; ++writer) {
                writers.push_back(std::make_unique<ChildProcess>([&, writer](int) {
                    PassGate(gate);
                    int failed = 0;
                    for (int n = 0; n < kKeysPerWriter; ++n) {
                        failed +=
                            WriteSetting(path, L"General", key(writer, n), key(writer, n)) ? 0 : 1;
                    }
                    return failed;
                }));
            }
            ::close(gate[0]);
            ::close(gate[1]);
            for (const auto& writer : writers) {
                const ChildOutcome outcome = writer->Wait(std::chrono::seconds(60));
                ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
                failedWrites += outcome.exitCode;
            }
            for (int writer = 0; writer < kWriters; ++writer) {
                for (int n = 0; n < kKeysPerWriter; ++n) {
                    lostKeys +=
                        ReadSetting(path, L"General", key(writer, n), L"") != key(writer, n);
                }
            }
            CommandTables tables;
            LoadCommandTemplate(path, tables);
            EXPECT_EQ(tables.CommandCount, 40u);
            EXPECT_EQ(ReadSetting(path, L"General", L"LastPTT1", L""), L"original");
        }
        EXPECT_EQ(failedWrites, 0);
        EXPECT_EQ(lostKeys, 0) << "of " << lockFile.runs * kWriters * kKeysPerWriter
                               << " keys written in " << lockFile.runs << " runs";
    }
}

// Another program saves the file (a new file renamed into place, as editors save) at a random
// moment of our write, often in the moment between our rename and the next read. Whichever
// save came last, a read afterwards gives what the file holds.
TEST(ConcurrentSettingsWrites, ASaveByAnotherProgramDuringOurWriteIsSeen) {
    TempFolder folder;
    const fs::path settings = folder / "Wingcall.ini";
    const fs::path prepared = folder / "editor-save.tmp";
    const std::wstring path = WideFromPath(settings);
    const std::string theirs =
        "[General]\r\nLastPTT1=theirs\r\nEditor=1\r\n\r\n" + CommandsSection(40, 40, 40);
    std::mt19937 random(20261207);
    int stale = 0;
    int theirsLast = 0;
    for (int round = 0; round < kSaveRounds; ++round) {
        WriteBytes(settings, SettingsWithTemplate(40));
        // How long a write takes here, so that the saves spread over the whole of one.
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(WriteSetting(path, L"General", L"LastPTT2", L"timed"));
        const auto oneWrite = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
        const auto delay = std::chrono::microseconds(
            std::uniform_int_distribution<long>(0, 2 * oneWrite.count())(random));
        WriteBytes(prepared, theirs);

        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        ChildProcess editor([&](int) {
            PassGate(gate);
            std::this_thread::sleep_for(delay);
            return ::rename(prepared.c_str(), settings.c_str()) == 0 ? 0 : 1;
        });
        ::close(gate[0]);
        ::close(gate[1]);
        EXPECT_TRUE(WriteSetting(path, L"General", L"LastPTT1", L"ours"));
        ASSERT_EQ(editor.Wait(std::chrono::seconds(10)).exitCode, 0);

        const bool oursLast = ReadBytes(settings).find("LastPTT1=ours") != std::string::npos;
        theirsLast += oursLast ? 0 : 1;
        stale +=
            ReadSetting(path, L"General", L"LastPTT1", L"") != (oursLast ? L"ours" : L"theirs");
    }
    // How often the other program's save came last; not asserted, as it depends on timing.
    ::testing::Test::RecordProperty("SavesThatCameLast", theirsLast);
    EXPECT_EQ(stale, 0) << "reads that did not give the file's value, of " << kSaveRounds;
}

}  // namespace
}  // namespace wingcall
