// Fault injection: a full disk, a missing or mistaken target, memory running out. Each gives the
// caller a clear error, and the target keeps its content.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "child_process.h"
#include "errors/wingcall_error.h"
#include "files/wide_path.h"
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "settings/command_template.h"
#include "settings/settings_file.h"
#include "support/expect_wingcall_error.h"
#include "support/hostile_file_builders.h"
#include "support/temp_folder.h"
#include "support/template_text.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // wingcall::testing, the helpers the tests share

const PushToTalkValues kPushToTalk{true, L"hold", L"on", L"LControl", L"None", L""};

// What `action` gave, as a child reports it: "" for success, else the error's number and text.
std::string OutcomeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const WingcallError& error) {
        return std::to_string(static_cast<int>(error.number())) + " " + error.what();
    }
    return "";
}

// One of the three writers, filling Wingcall.xml or Wingcall.ini in `folder`; gives OutcomeOf
// the write, or "FALSE" for a settings write that was refused (it reports through its result
// only, as the platform's does).
std::string Write(const std::string& writer, const fs::path& folder) {
    if (writer == "NewProfile") {
        return OutcomeOf(
            [&] { WriteNewProfile(folder / "Wingcall.xml", TablesFor(2000), kPushToTalk); });
    }
    if (writer == "MergedProfile") {
        return OutcomeOf([&] {
            WriteMergedProfile(folder / "Wingcall.xml", folder / "Earlier.xml", TablesFor(10));
        });
    }
    // Each write grows the file; enough of them pass the limit.
    for (int i = 0; i < 40; ++i) {
        if (!WriteSetting(WideFromPath(folder / "Wingcall.ini"), L"General",
                          L"Extra" + std::to_wstring(i), std::wstring(200, L'x'))) {
            return "FALSE";
        }
    }
    return "";
}

class DiskFull : public ::testing::TestWithParam<std::string> {};

// The disk fills up part-way through the new file, with SIGXFSZ ignored so that the write fails
// with EFBIG. (A writer killed by the signal at its default, and the temporary file it leaves, are
// the crash-safety and ReplaceFileContents tests' own.)
TEST_P(DiskFull, GivesAClearErrorAndKeepsTheTarget) {
    const bool settingsWrite = GetParam() == "Settings";
    TempFolder folder;
    const std::string settings = SettingsWithTemplate(40);
    WriteBytes(folder / "Wingcall.ini", settings);
    WriteBytes(folder / "Earlier.xml", NewProfileDocument(TablesFor(2000), kPushToTalk));
    const fs::path target = folder / (settingsWrite ? "Wingcall.ini" : "Wingcall.xml");
    // A profile writer keeps the file it replaces as its backup; one from an earlier Generate is
    // there already.
    const fs::path backup = fs::path(target) += ".bak";
    if (!settingsWrite) {
        WriteBytes(target, "old content\r\n");
        WriteBytes(backup, "older backup");
    }
    const std::string before = ReadBytes(target);
    const std::size_t entries = CountEntries(folder.path());
    const std::string earlier = ReadBytes(folder / "Earlier.xml");

    // A child whose files may not grow past the settings file as it is: room for no 2,000-command
    // profile, a full disk as far as the writer can tell.
    ChildProcess child([&](int report) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{settings.size() + 64, settings.size() + 64};
        if (::setrlimit(RLIMIT_FSIZE, &small) != 0) {
            return 3;
        }
        Report(report, Write(GetParam(), folder.path()));
        return 0;
    });
    const ChildOutcome outcome = child.Wait(std::chrono::seconds(20));
    ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
    EXPECT_EQ(outcome.exitCode, 0);
    if (settingsWrite) {
        EXPECT_EQ(outcome.report, "FALSE");
    } else {
        EXPECT_TRUE(outcome.report.starts_with("75 ")) << outcome.report;  // FileAccess
        EXPECT_NE(outcome.report.find(target.string()), std::string::npos);
        EXPECT_NE(outcome.report.find("File too large"), std::string::npos);
    }
    EXPECT_EQ(CountEntries(folder.path()), entries) << "a temporary file was left";
    if (!settingsWrite) {
        EXPECT_EQ(ReadBytes(backup), "older backup") << "the earlier backup is kept";
    }
    EXPECT_EQ(ReadBytes(target), before);
    EXPECT_EQ(ReadBytes(folder / "Wingcall.ini"), settings);
    EXPECT_EQ(ReadBytes(folder / "Earlier.xml"), earlier);

    // Once there is room again, a write succeeds and leaves no temporary file behind.
    EXPECT_EQ(Write(GetParam(), folder.path()), "");
    EXPECT_EQ(CountEntries(folder.path()), entries);
    if (!settingsWrite) {
        EXPECT_EQ(ReadBytes(backup), before) << "the replaced profile is kept";
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, DiskFull,
                         ::testing::Values("NewProfile", "MergedProfile", "Settings"),
                         [](const auto& info) { return info.param; });

// A folder as the target, and the refusals of the low-level replacement, are its own test's;
// here no writer makes a missing folder to write into, and each passes the refusal on.
TEST(MistakenTarget, AMissingFolderIsNamedAndNotMade) {
    TempFolder folder;
    const fs::path target = folder / "no such folder" / "Wingcall.xml";
    WriteBytes(folder / "Earlier.xml",
               "<voxtrel-config>\r\n<command-list>\r\n</command-list>\r\n</voxtrel-config>\r\n");
    ExpectWingcallError([&] { WriteNewProfile(target, TablesFor(3), kPushToTalk); },
                        ErrorNumber::FileAccess, {target.string()});
    ExpectWingcallError([&] { WriteMergedProfile(target, folder / "Earlier.xml", TablesFor(3)); },
                        ErrorNumber::FileAccess, {target.string()});
    EXPECT_FALSE(WriteSetting(WideFromPath(target), L"General", L"LastPTT1", L"x"));
    EXPECT_EQ(CountEntries(folder.path()), 1u);
}

// The address space this process holds now, in bytes.
rlim_t AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// A settings file larger than the memory left: each read says so, naming the file, instead of
// giving the default of a missing key (a template of no commands, an empty profile written as a
// success); a write is refused, and the file stays as it was.
TEST(OutOfMemory, ReadingTheSettingsIsAnErrorAndNothingIsWritten) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer ends the process when an allocation fails";
#endif
    TempFolder folder;
    const fs::path settings = folder / "Wingcall.ini";
    const std::string bytes = SettingsPaddedTo(64'000'000);
    WriteBytes(settings, bytes);
    const std::wstring path = WideFromPath(settings);

    ChildProcess child([&](int report) {
        // Room for what the process holds now and 16 MB more: far less than the file.
        const rlim_t limit = AddressSpaceInUse() + (16u << 20);
        const rlimit small{limit, limit};
        if (::setrlimit(RLIMIT_AS, &small) != 0) {
            return 3;
        }
        CommandTables tables;
        Report(report,
               OutcomeOf([&] { ReadSetting(path, L"General", L"OpenedOnce", L""); }) + "\n");
        Report(report, OutcomeOf([&] { LoadCommandTemplate(path, tables); }) + "\n");
        Report(report, WriteSetting(path, L"General", L"LastPTT1", L"x") ? "TRUE" : "FALSE");
        return 0;
    });
    const ChildOutcome outcome = child.Wait(std::chrono::seconds(60));
    ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
    ASSERT_EQ(outcome.exitCode, 0);
    const std::string error = "7 Not enough memory to read the settings file \"" +
                              settings.string() + "\"; nothing was written.\n";
    EXPECT_EQ(outcome.report, error + error + "FALSE");
    EXPECT_EQ(ReadBytes(settings), bytes);
}

}  // namespace
}  // namespace wingcall
