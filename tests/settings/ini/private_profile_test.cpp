// The private-profile routines: the table of reading and writing rules (encodings and refusals
// among them), and the read snapshot.
#include "settings/ini/private_profile.h"

#ifndef _WIN32

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "settings/ini/settings_read_snapshot.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using wingcall::testing::CountEntries;
using wingcall::testing::ReadBytes;
using wingcall::testing::ReadDataTable;
using wingcall::testing::TempFolder;
using wingcall::testing::WriteBytes;

// Reads through a buffer larger than the size handed over, to check that nothing past the
// value and its NUL is touched (and with a size of 0, nothing at all).
std::string Read(const fs::path& file, const char* section, const char* key, const char* fallback,
                 DWORD size = 255) {
    std::vector<char> buffer(size + 16, '#');
    const DWORD count = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size,
                                                 file.string().c_str());
    EXPECT_LE(count + (size > 0 ? 1 : 0), size);
    for (std::size_t i = size > 0 ? count + 1 : 0; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '#') << "byte " << i << " past the value was written";
    }
    EXPECT_TRUE(size == 0 || buffer[count] == '\0');
    return std::string(buffer.data(), count);
}

// The errno values a refused write of the rules table may name.
int ErrnoNamed(const std::string& name) {
    static const std::map<std::string, int> codes{
        {"EINVAL", EINVAL}, {"EISDIR", EISDIR}, {"EACCES", EACCES}};
    return codes.at(name);
}

// Each row of tests/data/private_profile_rules.txt is one call on a file of its own; a refused
// write must say why through errno and the last error.
TEST(PrivateProfile, FollowsEveryRuleOfTheRulesFile) {
    TempFolder folder;
    std::size_t rows = 0;
    std::size_t filesLeft = 0;
    for (const std::vector<std::string>& row : ReadDataTable("private_profile_rules.txt")) {
        ASSERT_TRUE(row.size() == 8 && (row[0] == "read" || row[0] == "write")) << row[0];
        SCOPED_TRACE(row[0] + ": " + row[1]);
        const auto argument = [&](int i) { return row[i] == "(null)" ? nullptr : row[i].c_str(); };
        const bool readOnly = row[2].starts_with("(read-only)");
        const std::string before = readOnly ? row[2].substr(11) : row[2];
        const fs::path file = folder / ("rule" + std::to_string(++rows) + ".ini");
        if (before == "(folder)") {
            fs::create_directory(file);
        } else if (before != "(none)") {
            WriteBytes(file, before);
            fs::permissions(file, readOnly ? fs::perms::owner_read : fs::perms::owner_all);
        }
        if (row[0] == "read") {
            EXPECT_EQ(Read(file, argument(3), argument(4), argument(5),
                           static_cast<DWORD>(std::stoul(row[6]))),
                      row[7]);
        } else {
            errno = 0;
            const BOOL written =
                WritePrivateProfileStringA(argument(3), argument(4), argument(5), file.c_str());
            const int reason = errno;
            EXPECT_EQ(written, row[6] == "TRUE" ? TRUE : FALSE);
            if (row[6].starts_with("FALSE ")) {
                EXPECT_EQ(reason, ErrnoNamed(row[6].substr(6)));
                EXPECT_NE(GetLastError(), ERROR_SUCCESS);
            }
        }
        // A read never creates or changes the file.
        const std::string& after = row[0] == "read" ? before : row[7];
        if (after == "(none)" || after == "(folder)") {
            EXPECT_EQ(fs::exists(file), after == "(folder)");
            EXPECT_EQ(fs::is_directory(file), after == "(folder)");
        } else {
            EXPECT_EQ(ReadBytes(file), after);
        }
        filesLeft += fs::exists(file) ? 1 : 0;
    }
    EXPECT_GT(rows, 50u) << "the rules file was not read";
    // No temporary file was left behind by any write.
    EXPECT_EQ(CountEntries(folder.path()), filesLeft);
}

// Another program's save: a new file renamed over `file`, given `file`'s modification time.
void SaveBehindItsBack(const fs::path& file, const std::string& content) {
    const fs::path saved = file.parent_path() / "saved.tmp";
    WriteBytes(saved, content);
    fs::last_write_time(saved, fs::last_write_time(file));
    fs::rename(saved, file);
}

// Outside a snapshot every read sees the file as it is now, whatever changed it behind the
// routines' back.
TEST(PrivateProfileReads, SeeEveryChangeMadeBehindTheirBack) {
    TempFolder folder;
    const fs::path file = folder / "s.ini";
    WriteBytes(file, "[a]\r\nk=1\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(Read(file, "a", "k", "d"), "1");

    // An edit in place: the same inode and size, only the time differs.
    const auto written = fs::last_write_time(file);
    WriteBytes(file, "[a]\r\nk=2\r\n");
    fs::last_write_time(file, written + std::chrono::seconds(1));
    EXPECT_EQ(Read(file, "a", "k", "d"), "2");

    // A replaced file of the same size and time: the inode and change time tell them apart.
    SaveBehindItsBack(file, "[a]\r\nk=3\r\n");
    EXPECT_EQ(Read(file, "a", "k", "d"), "3");

    // (An edit right after its own write: SettingsSharing, on every system.)
    fs::remove(file);
    EXPECT_EQ(Read(file, "a", "k", "d"), "d");
}

// A read snapshot keeps the one parse of each file it read: its reads give one version of the
// file, while a write still works on what is on disk and keeps others' edits.
TEST(PrivateProfileReads, AReadSnapshotGivesOneVersionAndWritesKeepWhatIsOnDisk) {
    TempFolder folder;
    const fs::path file = folder / "s.ini";
    WriteBytes(file, "[a]\r\nk=1\r\n");
    {
        const wingcall::SettingsReadSnapshot outer;
        ASSERT_EQ(Read(file, "a", "k", "d"), "1");
        WriteBytes(folder / "other.ini", "[a]\r\nk=other\r\n");
        EXPECT_EQ(Read(folder / "other.ini", "a", "k", "d"), "other") << "each file is its own";
        SaveBehindItsBack(file, "[a]\r\nk=2\r\n");
        {
            const wingcall::SettingsReadSnapshot inner;
            EXPECT_EQ(Read(file, "a", "k", "d"), "1");
        }
        EXPECT_EQ(Read(file, "a", "k", "d"), "1") << "the outer snapshot still holds";

        ASSERT_EQ(WritePrivateProfileStringA("a", "j", "3", file.c_str()), TRUE);
        EXPECT_EQ(ReadBytes(file), "[a]\r\nk=2\r\nj=3\r\n");
        EXPECT_EQ(Read(file, "a", "k", "d"), "2") << "reads follow the snapshot's own write";
        EXPECT_EQ(Read(file, "a", "j", "d"), "3");
    }
    SaveBehindItsBack(file, "[a]\r\nk=4\r\n");
    EXPECT_EQ(Read(file, "a", "k", "d"), "4");
    {
        const wingcall::SettingsReadSnapshot later;
        SaveBehindItsBack(file, "[a]\r\nk=5\r\n");
        EXPECT_EQ(Read(file, "a", "k", "d"), "5") << "a new snapshot checks the file again";
    }
}

}  // namespace

#else

#include <gtest/gtest.h>

// On Windows the routines are the platform's own: their rules are checked against ours by the
// parity test (private_profile_parity_test.cpp), and the rules below are ours alone (the refusals,
// the Unicode marks, the read snapshot, the byte-for-byte write preservation that Wine lacks).
TEST(PrivateProfileRules, AreTheProjectsOwnRoutines) {
    GTEST_SKIP() << "the project's own private-profile routines are not built on Windows; the "
                    "platform's are compared with them by PrivateProfileParity";
}

#endif
