// Starts the real built program from a prepared folder and checks it comes up and ends cleanly.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>

#include "support/temp_folder.h"

namespace {

TEST(SmokeTest, TheProgramComesUpAndEndsCleanlyWhenAskedToTerminate) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows a request to end reaches a program as WM_CLOSE to its windows, and "
                    "the offscreen platform has none; tests/windows/smoke_test.sh starts and ends "
                    "the real program on a display instead";
#endif
    wingcall::testing::TempFolder folder;
    const auto program = folder / "Wingcall";
    std::filesystem::copy_file(WINGCALL_EXECUTABLE, program);
    wingcall::testing::WriteBytes(
        folder / "Wingcall.ini",
        "[General]\r\nOpenedOnce=1\r\n\r\n[Commands]\r\n"
        "Command(1)=Rejoin\r\nPhrase(1)=callsign$ rejoin\r\nKeys(1)=F1\r\n");

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProgram(QString::fromStdString(program.string()));
    process.start();
    ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();

    // Up and waiting for the user: still running after start-up had ample time.
    EXPECT_FALSE(process.waitForFinished(2000))
        << "ended early with status " << process.exitCode() << ": "
        << process.readAllStandardError().toStdString();
    ASSERT_EQ(process.state(), QProcess::Running);

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

}  // namespace
