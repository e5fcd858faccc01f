// A settings file shared with others: threads writing different keys at once, and another program
// saving the file right after our own write. Every acknowledged write stays, and every save by
// someone else is seen. (Processes writing at once are tests/robustness/concurrent_settings_test's;
// temporary files left behind, the ReplaceFileContents tests'.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "files/wide_path.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::SettingsWithTemplate;
using testing::TempFolder;
using testing::WriteBytes;

TEST(SettingsSharing, ThreadsWritingDifferentKeysLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 15;
    TempFolder folder;
    const std::wstring path = WideFromPath(folder / "Wingcall.ini");
    WriteBytes(folder / "Wingcall.ini", SettingsWithTemplate(10));
    const auto keyOf = [](int thread, int key) {
        return L"T" + std::to_wstring(thread) + L"K" + std::to_wstring(key);
    };

    std::vector<int> failures(kThreads, 0);
    {
        std::vector<std::jthread> threads;
        for (int thread = 0; thread < kThreads; ++thread) {
            threads.emplace_back([&, thread] {
                for (int key = 0; key < kKeys; ++key) {
                    failures[thread] +=
                        WriteSetting(path, L"General", keyOf(thread, key), L"v") ? 0 : 1;
                }
            });
        }
    }
    int lost = 0;
    for (int thread = 0; thread < kThreads; ++thread) {
        EXPECT_EQ(failures[thread], 0) << "thread " << thread;
        for (int key = 0; key < kKeys; ++key) {
            lost += ReadSetting(path, L"General", keyOf(thread, key), L"vuoto") == L"v" ? 0 : 1;
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(ReadSetting(path, L"Commands", L"Command(10)", L"vuoto"), L"Command 10");
}

// Another program rewrites the file in place right after our write, keeping its size: a text
// editor saving within the same tick of a coarse file-system clock leaves size and times as our
// write left them. The next read must still give its value, and our next write must keep it.
TEST(SettingsSharing, ASaveByAnotherProgramRightAfterOurWriteIsSeen) {
    TempFolder folder;
    const fs::path settings = folder / "Wingcall.ini";
    const std::wstring path = WideFromPath(settings);
    WriteBytes(settings, SettingsWithTemplate(10));
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const std::string number = std::to_string(1000 + round);
        const std::wstring wideNumber = std::to_wstring(1000 + round);
        ASSERT_TRUE(WriteSetting(path, L"General", L"LastPTT1", L"ours" + wideNumber));
        const auto ourTime = fs::last_write_time(settings);
        {
            const std::string bytes = ReadBytes(settings);
            const std::size_t at = bytes.find("ours" + number);
            ASSERT_NE(at, std::string::npos);
            std::fstream editor(settings, std::ios::in | std::ios::out | std::ios::binary);
            editor.seekp(static_cast<std::streamoff>(at));
            editor.write("edit", 4);
        }
        // As a coarse clock would leave it: a fine one would give the edit a time of its own.
        fs::last_write_time(settings, ourTime);
        EXPECT_EQ(ReadSetting(path, L"General", L"LastPTT1", L""), L"edit" + wideNumber);
        ASSERT_TRUE(WriteSetting(path, L"General", L"LastPTT2", wideNumber));
        EXPECT_NE(ReadBytes(settings).find("LastPTT1=edit" + number), std::string::npos);
    }
}

}  // namespace
}  // namespace wingcall
