// Writers killed part-way on Windows, and two writers at once: the replaced file and the settings
// file stay whole, no acknowledged key is lost, and a later write sweeps the killed writers'
// temporary files away.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "settings/settings_file.h"
#include "support/temp_folder.h"
#include "windows/kill_round_contents.h"

namespace wingcall::testing {
namespace {

constexpr int kRounds = 40;

class WriterProcess {
  public:
    // A suspended writer starts only on Resume(), so that two can be let go at the same moment.
    explicit WriterProcess(const std::wstring& arguments, bool suspended = false) {
        const std::wstring program = std::filesystem::path(WINGCALL_KILL_ROUND_WRITER).wstring();
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              suspended ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup,
                              &process_)) {
            throw std::runtime_error("cannot start the kill-round writer");
        }
    }
    void Resume() { ::ResumeThread(process_.hThread); }
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;
    ~WriterProcess() {
        Kill();
        ::CloseHandle(process_.hThread);
        ::CloseHandle(process_.hProcess);
    }
    void Kill() {
        ::TerminateProcess(process_.hProcess, 9);
        ::WaitForSingleObject(process_.hProcess, INFINITE);
    }
    DWORD Wait() {
        ::WaitForSingleObject(process_.hProcess, INFINITE);
        DWORD status = 0;
        ::GetExitCodeProcess(process_.hProcess, &status);
        return status;
    }

  private:
    PROCESS_INFORMATION process_{};
};

std::wstring Quoted(const std::filesystem::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

// Kills a writer after a random pause, while most of its time goes into writes.
void KillAfterRandomPause(const std::wstring& arguments, std::mt19937& random) {
    WriterProcess writer(arguments);
    ::Sleep(static_cast<DWORD>(50 + random() % 400));
    writer.Kill();
}

// The version a file holds, or 0 when it is not one whole version.
unsigned long WholeVersion(const std::string& contents) {
    if (!contents.starts_with("version ")) {
        return 0;
    }
    unsigned long version = 0;
    std::istringstream(contents.substr(8, 12)) >> version;
    return version != 0 && contents == VersionContents(version) ? version : 0;
}

TEST(KillRounds, AReplacedFileIsAlwaysOneWholeVersion) {
    TempFolder folder;
    const std::filesystem::path target = folder / "profile.xml";
    WriteBytes(target, VersionContents(1));
    std::mt19937 random{std::random_device{}()};
    std::set<unsigned long> seen;
    for (int round = 0; round < kRounds; ++round) {
        KillAfterRandomPause(L"replace " + Quoted(target) + L" 0", random);
        const unsigned long version = WholeVersion(ReadBytes(target));
        ASSERT_NE(version, 0u) << "round " << round << " left a damaged file";
        seen.insert(version);
    }
    EXPECT_GT(seen.size(), 1u) << "the writer was never caught part-way through its writes";

    // A writer that ends normally sweeps away the temporary files of the killed ones.
    // Each writer's writes have already swept what the writers before it left: at most the last
    // two killed ones' files are still there, not one for each of the rounds.
    EXPECT_LE(CountEntries(folder.path()), 3u) << "the killed writers' temporary files pile up";
    EXPECT_EQ(WriterProcess(L"replace " + Quoted(target) + L" 1").Wait(), 0u);
    EXPECT_EQ(WholeVersion(ReadBytes(target)), 1u);
    EXPECT_EQ(CountEntries(folder.path()), 1u);
}

// The key written beside the writers' keys stays, and the writer's keys present are the first ones
// it wrote, each with its whole value: a line cut short would give a value of its own.
void ExpectWholeSettings(const std::filesystem::path& ini, const std::wstring& prefix,
                         unsigned long& keysPresent) {
    EXPECT_EQ(ReadSetting(ini.wstring(), L"Kept", L"Stays", L"gone"), L"here");
    keysPresent = 0;
    while (ReadSetting(ini.wstring(), L"Keys", prefix + std::to_wstring(keysPresent), L"") ==
           KeyValue(prefix + std::to_wstring(keysPresent))) {
        ++keysPresent;
    }
    // No later key of the writer's is in the file either: a lost key in the middle would show.
    std::istringstream lines(ReadBytes(ini));
    const std::string narrowPrefix(prefix.begin(), prefix.end());
    unsigned long keyLines = 0;
    for (std::string line; std::getline(lines, line);) {
        keyLines += line.size() > narrowPrefix.size() && line.starts_with(narrowPrefix) &&
                            std::isdigit(static_cast<unsigned char>(line[narrowPrefix.size()]))
                        ? 1
                        : 0;
    }
    EXPECT_EQ(keyLines, keysPresent)
        << "a key of " << narrowPrefix << " is missing before " << narrowPrefix << keysPresent;
}

TEST(KillRounds, TheSettingsFileStaysWholeAndKeepsEveryEarlierKey) {
    TempFolder folder;
    const std::filesystem::path ini = folder / "Wingcall.ini";
    WriteBytes(ini, "[Kept]\r\nStays=here\r\n");
    std::mt19937 random{std::random_device{}()};
    unsigned long mostKeys = 0;
    for (int round = 0; round < kRounds; ++round) {
        KillAfterRandomPause(L"settings " + Quoted(ini) + L" K 100000", random);
        unsigned long keysPresent = 0;
        ExpectWholeSettings(ini, L"K", keysPresent);
        ASSERT_GE(keysPresent, mostKeys) << "round " << round << " lost a key written before";
        mostKeys = keysPresent;
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    EXPECT_GT(mostKeys, 0u) << "the writer never got a key written";

    // A write that changes the file sweeps away the copies of the killed writers: the settings
    // file and its lock file are all that stay.
    EXPECT_EQ(WriterProcess(L"settings " + Quoted(ini) + L" Last 1").Wait(), 0u);
    std::string left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        left += entry.path().filename().string() + " ";
    }
    EXPECT_EQ(CountEntries(folder.path()), 2u) << left;
}

TEST(KillRounds, TwoWritersOfDifferentKeysLoseNothing) {
    TempFolder folder;
    const std::filesystem::path ini = folder / "Wingcall.ini";
    WriteBytes(ini, "[Kept]\r\nStays=here\r\n");
    constexpr unsigned long kKeys = 200;
    WriterProcess first(L"settings " + Quoted(ini) + L" A " + std::to_wstring(kKeys), true);
    WriterProcess second(L"settings " + Quoted(ini) + L" B " + std::to_wstring(kKeys), true);
    first.Resume();
    second.Resume();
    ASSERT_EQ(first.Wait(), 0u);
    ASSERT_EQ(second.Wait(), 0u);
    for (const wchar_t* prefix : {L"A", L"B"}) {
        unsigned long keysPresent = 0;
        ExpectWholeSettings(ini, prefix, keysPresent);
        EXPECT_EQ(keysPresent, kKeys) << "writer " << static_cast<char>(prefix[0]);
    }
}

}  // namespace
}  // namespace wingcall::testing
