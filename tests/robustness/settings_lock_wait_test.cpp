// A settings write whose lock another process keeps: it gives up after the wait, stores nothing
// and names the busy file, whichever of the two files a writer may lock is the one held.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "child_process.h"
#include "files/settings_lock.h"
#include "files/wide_path.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // wingcall::testing, the helpers the tests share

// A child that holds an exclusive lock on `path` until it is killed.
std::unique_ptr<ChildProcess> HoldLock(const fs::path& path) {
    auto holder = std::make_unique<ChildProcess>([path](int report) {
        const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
        if (descriptor < 0 || ::flock(descriptor, LOCK_EX) != 0) {
            return 1;
        }
        Report(report, "held");
        for (;;) {
            ::pause();
        }
    });
    holder->WaitForFirstReport(std::chrono::seconds(10));
    return holder;
}

class SettingsLockWaits : public ::testing::Test {
  protected:
    SettingsLockWaits() { SetSettingsLockWaitLimitForTesting(std::chrono::milliseconds(200)); }
    ~SettingsLockWaits() override { SetSettingsLockWaitLimitForTesting(kSettingsLockWaitLimit); }
};

// The lock file, and the settings file itself, which a writer locks when it cannot open the lock
// file and which every writer therefore locks too.
TEST_F(SettingsLockWaits, ALockKeptByAnotherProcessFailsTheWriteWithItsMessage) {
    TempFolder folder;
    const fs::path settings = folder / "Wingcall.ini";
    const std::wstring path = WideFromPath(settings);
    const std::string before = "[General]\r\nLastPTT1=old\r\n";
    for (const fs::path& held : {SettingsLockPath(settings), fs::weakly_canonical(settings)}) {
        SCOPED_TRACE(held.string());
        WriteBytes(settings, before);
        const std::unique_ptr<ChildProcess> holder = HoldLock(held);
        const SettingsWriteOutcome refused = WriteSetting(path, L"General", L"LastPTT1", L"new");
        EXPECT_FALSE(refused);
        const SettingsWriteFailure& failure = refused.failure;
        EXPECT_TRUE(failure.lockStayedBusy);
        EXPECT_EQ(failure.text, "Wingcall.ini is being written by another program (\"" +
                                    Utf8FromPath(held) +
                                    "\") and did not become free in 10 seconds; nothing was "
                                    "stored.");
        EXPECT_EQ(ReadBytes(settings), before);
        {
            // The later writes of a step that already waited once try the lock once: with a wait
            // that would outlast the test's time limit, the write still comes back, refused.
            SetSettingsLockWaitLimitForTesting(std::chrono::hours(1));
            const SettingsWriteOutcome once =
                WriteSetting(path, L"General", L"LastPTT2", L"new", SettingsLockWait::TryOnce);
            EXPECT_FALSE(once);
            EXPECT_TRUE(once.failure.lockStayedBusy);
            SetSettingsLockWaitLimitForTesting(std::chrono::milliseconds(200));
        }

        holder->Kill();
        holder->Wait(std::chrono::seconds(10));
        EXPECT_TRUE(WriteSetting(path, L"General", L"LastPTT1", L"new")) << "free again";
    }
    // Refusals of other kinds are not taken for a busy lock, and say why in the system's words.
    const auto reason = [](int error) { return std::error_code(error, std::system_category()); };
    const SettingsWriteOutcome badKey = WriteSetting(path, L"General", L"Key=", L"v");
    EXPECT_FALSE(badKey);
    EXPECT_FALSE(badKey.failure.lockStayedBusy);
    EXPECT_EQ(badKey.failure.text, reason(EINVAL).message());
    const SettingsWriteOutcome folderWrite =
        WriteSetting(WideFromPath(folder.path()), L"General", L"LastPTT1", L"v");
    EXPECT_FALSE(folderWrite);
    EXPECT_EQ(folderWrite.failure.text, reason(EISDIR).message());
}

}  // namespace
}  // namespace wingcall
