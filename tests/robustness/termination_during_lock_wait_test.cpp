// A termination signal while a settings write waits for another writer's lock ends the program
// at once, through the program's own signal handling, with the status of "&Exit".
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "app/termination_signals.h"
#include "child_process.h"
#include "files/settings_lock.h"
#include "files/wide_path.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // wingcall::testing, the helpers the tests share

TEST(TerminationDuringLockWait, EndsTheProgramAtOnceWithExitsStatus) {
    TempFolder folder;
    const fs::path settings = folder / "Wingcall.ini";
    const std::string before = "[General]\r\nLastPTT1=old\r\n";
    WriteBytes(settings, before);
    // Held by this process for the whole test: the child's own open of it conflicts.
    const int lockFile = ::open(SettingsLockPath(settings).c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(lockFile, 0);
    ASSERT_EQ(::flock(lockFile, LOCK_EX), 0);

    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        // The program's whole wait, as the program would wait.
        ChildProcess program([&](int report) {
            int argc = 1;
            char name[] = "Wingcall";
            char* argv[] = {name, nullptr};
            QCoreApplication application(argc, argv);
            const app::TerminationSignals termination([] { QCoreApplication::exit(0); });
            Report(report, "waiting\n");
            const SettingsWriteOutcome written =
                WriteSetting(WideFromPath(settings), L"General", L"LastPTT1", L"new");
            Report(report, written ? "stored\n" : written.failure.text + "\n");
            return QCoreApplication::exec() == 0 ? 3 : 4;
        });
        program.WaitForFirstReport(std::chrono::seconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // into the wait
        program.Signal(signal);
        const ChildOutcome outcome = program.Wait(std::chrono::seconds(60));
        EXPECT_TRUE(outcome.exited) << "killed by signal " << outcome.signal;
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.report, "waiting\n") << "the wait went on after the signal";
        EXPECT_EQ(ReadBytes(settings), before);
    }
    ::close(lockFile);
}

}  // namespace
}  // namespace wingcall
