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
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "settings/command_template.h"
#include "settings/settings_file.h"
#include "settings/wide_path.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::CountEntries;
using testing::ReadBytes;
using testing::SettingsWithTemplate;
using testing::TablesFor;
using testing::TempFolder;
using testing::WriteBytes;

// Enough commands that one write takes a few milliseconds, so that kills land inside writes.
constexpr std::size_t kCommands = 3000;
// At least kMinimumRounds run however slow the machine is; beyond them, the rounds stop at
// whichever limit comes first, to keep the test run short.
constexpr int kMinimumRounds = 5;
constexpr int kMaximumRounds = 60;
constexpr auto kTimeBudget = std::chrono::milliseconds(4000);

// Starts `writeForever` in a child and kills it after a random delay of up to `longestDelay`,
// round after round, calling `check` after each kill. Returns how many rounds ran and how many
// of them left a temporary file beside the target (a kill inside the write itself).
struct KillRounds {
    int rounds = 0;
    int leftTemporaryFiles = 0;
};

template <typename WriteForever, typename Check>
KillRounds KillRepeatedly(const fs::path& folder, std::chrono::microseconds longestDelay,
                          WriteForever writeForever, Check check) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<long> delay(0, longestDelay.count());
    KillRounds result;
    const auto start = std::chrono::steady_clock::now();
    while (result.rounds < kMinimumRounds ||
           (result.rounds < kMaximumRounds &&
            std::chrono::steady_clock::now() - start < kTimeBudget)) {
        // The child says when its first write is done, so that the kill lands among writes
        // rather than in the start of the process, however slow the machine is.
        ChildProcess child([&](int report) {
            bool reported = false;
            writeForever([&] {
                if (!reported) {
                    testing::Report(report, "started");
                    reported = true;
                }
            });
            return 0;
        });
        child.WaitForFirstReport(std::chrono::seconds(30));
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        child.Kill();
        child.Wait(std::chrono::seconds(10));
        ++result.rounds;
        if (CountEntries(folder) > 2) {  // the target, the other file, and a leftover
            ++result.leftTemporaryFiles;
        }
        check();
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    return result;
}

// How long one call of `write` takes here, so that the kill delays span several writes.
template <typename Write>
std::chrono::microseconds DurationOf(Write write) {
    const auto start = std::chrono::steady_clock::now();
    write();
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

TEST(CrashSafety, AKilledSettingsWriteLeavesTheOldOrTheNewFileAndNothingElse) {
    TempFolder folder;
    const fs::path settings = folder / "Wingcall.ini";
    const std::string original = SettingsWithTemplate(kCommands);

    // The only two files a write may leave: the original with LastPTT1 set to either value.
    // Both are made by the routines themselves, which keep every other byte (their own tests).
    std::set<std::string> acceptable = {original};
    for (const wchar_t* value : {L"alpha", L"bravo"}) {
        WriteBytes(settings, original);
        ASSERT_TRUE(WriteSetting(WideFromPath(settings), L"General", L"LastPTT1", value));
        acceptable.insert(ReadBytes(settings));
    }
    ASSERT_EQ(acceptable.size(), 3u);
    WriteBytes(settings, original);
    CommandTables expectedTemplate;
    LoadCommandTemplate(WideFromPath(settings), expectedTemplate);
    ASSERT_EQ(expectedTemplate.CommandCount, kCommands);

    // A stand-in for the other file the folder holds, which no write may touch.
    const fs::path neighbour = folder / "neighbour.xml";
    WriteBytes(neighbour, "<voxtrel-config>\r\n</voxtrel-config>\r\n");

    const auto oneWrite = DurationOf([&] {
        WriteSetting(WideFromPath(settings), L"General", L"LastPTT1", L"alpha");
        WriteBytes(settings, original);
    });
    const KillRounds rounds = KillRepeatedly(
        folder.path(), 3 * oneWrite,
        [&](const auto& started) {
            for (bool alpha = true;; alpha = !alpha) {
                WriteSetting(WideFromPath(settings), L"General", L"LastPTT1",
                             alpha ? L"alpha" : L"bravo");
                if (alpha) {
                    started();
                }
            }
        },
        [&] {
            const std::string now = ReadBytes(settings);
            ASSERT_TRUE(acceptable.contains(now))
                << "a killed write left a file of " << now.size() << " bytes";
            const std::wstring value =
                ReadSetting(WideFromPath(settings), L"General", L"LastPTT1", L"");
            EXPECT_TRUE(value == L"original" || value == L"alpha" || value == L"bravo");
            CommandTables loaded;
            LoadCommandTemplate(WideFromPath(settings), loaded);
            ASSERT_EQ(loaded.CommandCount, expectedTemplate.CommandCount);
            EXPECT_EQ(loaded.CommandPhrases, expectedTemplate.CommandPhrases);
            EXPECT_EQ(loaded.CommandKeys, expectedTemplate.CommandKeys);
            EXPECT_EQ(loaded.CommandNames, expectedTemplate.CommandNames);
        });
    // How many kills landed between the creation of a temporary file and its rename. Not
    // asserted: on a slow (sanitizer) build most of a write is spent building the content.
    // The full-disk test leaves a temporary file for certain and checks that it is cleared.
    ::testing::Test::RecordProperty("KillsInsideTheFileWrite", rounds.leftTemporaryFiles);

    // The next successful write clears away what the killed writers left.
    ASSERT_TRUE(WriteSetting(WideFromPath(settings), L"General", L"LastPTT2", L"charlie"));
    EXPECT_EQ(CountEntries(folder.path()), 2u);
    EXPECT_EQ(ReadSetting(WideFromPath(settings), L"General", L"LastPTT2", L"vuoto"), L"charlie");
}

// Kills a child that writes the profile `target` again and again with one of two documents;
// the target must always be its old content or one of the two complete documents.
template <typename WriteOne>
void ExpectKilledProfileWritesLeaveWholeDocuments(const TempFolder& folder, const fs::path& target,
                                                  const std::string& old,
                                                  const std::set<std::string>& documents,
                                                  WriteOne writeOne) {
    WriteBytes(target, old);
    const auto oneWrite = DurationOf([&] {
        writeOne(true);
        WriteBytes(target, old);
    });
    const KillRounds rounds = KillRepeatedly(
        folder.path(), 3 * oneWrite,
        [&](const auto& started) {
            for (bool first = true;; first = !first) {
                writeOne(first);
                if (first) {
                    started();
                }
            }
        },
        [&] {
            const std::string now = ReadBytes(target);
            ASSERT_TRUE(now == old || documents.contains(now))
                << "a killed write left a profile of " << now.size() << " bytes";
        });
    // How many kills landed between the creation of a temporary file and its rename. Not
    // asserted: on a slow (sanitizer) build most of a write is spent building the content.
    // The full-disk test leaves a temporary file for certain and checks that it is cleared.
    ::testing::Test::RecordProperty("KillsInsideTheFileWrite", rounds.leftTemporaryFiles);

    writeOne(false);
    EXPECT_EQ(CountEntries(folder.path()), 2u) << "temporary files were left behind";
}

TEST(CrashSafety, AKilledNewProfileWriteLeavesTheOldOrACompleteDocument) {
    TempFolder folder;
    const fs::path target = folder / "Wingcall.xml";
    WriteBytes(folder / "Wingcall.ini", "[General]\r\n");
    const CommandTables alpha = TablesFor(kCommands, L"Alpha");
    const CommandTables bravo = TablesFor(kCommands, L"Bravo");
    PushToTalkValues pushToTalk{true, L"hold", L"on", L"LControl", L"3", L""};
    const std::set<std::string> documents = {NewProfileDocument(alpha, pushToTalk),
                                             NewProfileDocument(bravo, pushToTalk)};
    ExpectKilledProfileWritesLeaveWholeDocuments(
        folder, target, "old profile\r\n", documents,
        [&](bool first) { WriteNewProfile(target, first ? alpha : bravo, pushToTalk); });
}

TEST(CrashSafety, AKilledMergeLeavesTheOldOrACompleteDocument) {
    TempFolder folder;
    const fs::path target = folder / "Merged.xml";
    const fs::path source = folder / "Earlier.xml";
    const CommandTables earlier = TablesFor(kCommands, L"Earlier");
    WriteBytes(source, NewProfileDocument(earlier, PushToTalkValues{}));
    const CommandTables alpha = TablesFor(10, L"Alpha");
    const CommandTables bravo = TablesFor(10, L"Bravo");
    const std::string sourceBytes = ReadBytes(source);
    const std::set<std::string> documents = {MergedProfileDocument(alpha, sourceBytes),
                                             MergedProfileDocument(bravo, sourceBytes)};
    ExpectKilledProfileWritesLeaveWholeDocuments(
        folder, target, "old merged profile\r\n", documents,
        [&](bool first) { WriteMergedProfile(target, source, first ? alpha : bravo); });
    EXPECT_EQ(ReadBytes(source), sourceBytes);
}

}  // namespace
}  // namespace wingcall
