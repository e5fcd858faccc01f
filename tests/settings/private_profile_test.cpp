// The private-profile routines: the table of reading and writing rules, encodings and the file
// cache.
#include "settings/private_profile.h"

#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "settings/settings_read_snapshot.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using wingcall::testing::CountEntries;
using wingcall::testing::ReadBytes;
using wingcall::testing::ReadDataTable;
using wingcall::testing::TempFolder;
using wingcall::testing::WriteBytes;

// Reads through a buffer larger than the size handed over, to check that nothing past the
// value and its NUL is touched.
std::string Read(const fs::path& file, const char* section, const char* key, const char* fallback,
                 DWORD size = 255) {
    std::vector<char> buffer(size + 16, '#');
    const DWORD count = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size,
                                                 file.string().c_str());
    EXPECT_LT(count, size);
    EXPECT_EQ(buffer[count], '\0');
    for (std::size_t i = count + 1; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '#') << "byte " << i << " past the value was written";
    }
    return std::string(buffer.data(), count);
}

// Text as UTF-16 bytes, little-endian.
std::string Utf16(std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    return bytes;
}

// One row of tests/data/private_profile_rules.txt: its kind ("read" or "write"), its rule, and
// the call's fields.
struct Row {
    std::string kind, rule;
    std::vector<std::optional<std::string>> fields;  // nullopt: "(null)"
};

std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (std::vector<std::string>& fields : ReadDataTable("private_profile_rules.txt")) {
        EXPECT_EQ(fields.size(), 8u) << fields[0] << ": " << fields[1];
        fields.resize(8);
        Row row{fields[0], fields[1], {}};
        for (std::size_t i = 2; i < fields.size(); ++i) {
            row.fields.push_back(fields[i] == "(null)" ? std::nullopt : std::optional(fields[i]));
        }
        rows.push_back(std::move(row));
    }
    EXPECT_GT(rows.size(), 50u) << "the rules file was not read";
    return rows;
}

const char* Pointer(const std::optional<std::string>& field) {
    return field ? field->c_str() : nullptr;
}

// Puts the file of a row at `path`: "(none)" leaves nothing there, "(folder)" makes a folder.
void Prepare(const fs::path& path, const std::string& file) {
    if (file == "(folder)") {
        fs::create_directory(path);
    } else if (file != "(none)") {
        WriteBytes(path, file);
    }
}

TEST(PrivateProfile, FollowsEveryRuleOfTheRulesFile) {
    TempFolder folder;
    std::size_t filesLeft = 0;
    int number = 0;
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.kind + ": " + row.rule);
        const fs::path file = folder / ("rule" + std::to_string(++number) + ".ini");
        const auto& [before, section, key, argument, fourth, expected] =
            std::tie(row.fields[0], row.fields[1], row.fields[2], row.fields[3], row.fields[4],
                     row.fields[5]);
        Prepare(file, *before);
        if (row.kind == "read") {
            EXPECT_EQ(Read(file, Pointer(section), Pointer(key), Pointer(argument),
                           static_cast<DWORD>(std::stoul(*fourth))),
                      *expected);
            // A read never creates or changes the file.
            EXPECT_EQ(fs::exists(file), *before != "(none)");
            if (*before != "(none)" && *before != "(folder)") {
                EXPECT_EQ(ReadBytes(file), *before);
            }
        } else {
            EXPECT_EQ(WritePrivateProfileStringA(Pointer(section), Pointer(key), Pointer(argument),
                                                 file.c_str()),
                      *fourth == "TRUE" ? TRUE : FALSE);
            if (*expected == "(none)") {
                EXPECT_FALSE(fs::exists(file));
            } else if (*expected != "(folder)") {
                EXPECT_EQ(ReadBytes(file), *expected);
            }
        }
        filesLeft += fs::exists(file) ? 1 : 0;
    }
    // No temporary file was left behind by any write.
    EXPECT_EQ(CountEntries(folder.path()), filesLeft);
}

TEST(PrivateProfileRead, NullArgumentsAreRefused) {
    TempFolder folder;
    const fs::path file = folder / "s.ini";
    WriteBytes(file, "[a]\nk=v\n");
    char buffer[8] = "zzzzzzz";
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, "k", "d", buffer, 8, file.c_str()), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetPrivateProfileStringA("a", nullptr, "d", buffer, 8, file.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileStringA("a", "k", "d", buffer, 0, file.c_str()), 0u);
    EXPECT_EQ(Read(folder / "no" / "such.ini", "a", "k", "vuoto"), "vuoto");
}

TEST(PrivateProfileWrite, SameValueDoesNotTouchTheFile) {
    TempFolder folder;
    const fs::path file = folder / "s.ini";
    WriteBytes(file, "[g]\r\n k = 1 \r\n");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(file, old);
    EXPECT_EQ(WritePrivateProfileStringA("g", "k", "1", file.c_str()), TRUE);
    EXPECT_EQ(fs::last_write_time(file), old);
    EXPECT_EQ(ReadBytes(file), "[g]\r\n k = 1 \r\n");
}

TEST(PrivateProfileWrite, ReadOnlyFileIsRefused) {
    TempFolder folder;
    const fs::path file = folder / "s.ini";
    WriteBytes(file, "[g]\nk=0\n");
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(WritePrivateProfileStringA("g", "k", "1", file.c_str()), FALSE);
    EXPECT_EQ(ReadBytes(file), "[g]\nk=0\n");
}

TEST(PrivateProfileEncoding, Utf8WithMarkIsReadAndWrittenAsUtf8) {
    TempFolder folder;
    const fs::path file = folder / "u8.ini";
    // café Ł €, and a key named été.
    WriteBytes(file,
               "\xEF\xBB\xBF[a]\r\nk=caf\xC3\xA9 \xC5\x81 \xE2\x82\xAC\r\n\xC3\xA9t\xC3\xA9=1\r\n"
               "bad=\xC3(\r\n");
    EXPECT_EQ(Read(file, "a", "k", "d"), "caf\xE9 L \x80");
    EXPECT_EQ(Read(file, "a", "\xE9t\xE9", "d"), "1");
    EXPECT_EQ(Read(file, "a", "bad", "d"), "?(");

    ASSERT_EQ(WritePrivateProfileStringA("a", "\xE9t\xE9", "\xE9", file.c_str()), TRUE);
    ASSERT_EQ(WritePrivateProfileStringA("b", "n", "\x80", file.c_str()), TRUE);
    EXPECT_EQ(ReadBytes(file),
              "\xEF\xBB\xBF[a]\r\nk=caf\xC3\xA9 \xC5\x81 \xE2\x82\xAC\r\n\xC3\xA9t\xC3\xA9=\xC3\xA9"
              "\r\nbad=\xC3(\r\n[b]\r\nn=\xE2\x82\xAC\r\n");
    EXPECT_EQ(Read(file, "a", "\xE9t\xE9", "d"), "\xE9");
}

TEST(PrivateProfileEncoding, Utf16LittleEndianRoundTrips) {
    TempFolder folder;
    const fs::path file = folder / "u16le.ini";
    WriteBytes(file, Utf16(u"\uFEFF[Commands]\r\nPhrase(1)=\u0141uk \u20AC\U0001F600\r\n"
                           u"Keys(1)=\u00E9\r\n\r\n"));
    EXPECT_EQ(Read(file, "commands", "phrase(1)", "d"), "Luk \x80?");
    EXPECT_EQ(Read(file, "Commands", "Keys(1)", "d"), "\xE9");

    // The value already stored: untouched. A new one, a new key and a new section: UTF-16 lines.
    ASSERT_EQ(WritePrivateProfileStringA("Commands", "Keys(1)", "\xE9", file.c_str()), TRUE);
    ASSERT_EQ(WritePrivateProfileStringA("Commands", "Phrase(1)", "x\x80", file.c_str()), TRUE);
    ASSERT_EQ(WritePrivateProfileStringA("Commands", "Command(1)", "c", file.c_str()), TRUE);
    ASSERT_EQ(WritePrivateProfileStringA("General", "OpenedOnce", "1", file.c_str()), TRUE);
    EXPECT_EQ(ReadBytes(file), Utf16(u"\uFEFF[Commands]\r\nPhrase(1)=x\u20AC\r\n"
                                     u"Keys(1)=\u00E9\r\nCommand(1)=c\r\n\r\n"
                                     u"[General]\r\nOpenedOnce=1\r\n"));
    EXPECT_EQ(Read(file, "Commands", "Phrase(1)", "d"), "x\x80");
    EXPECT_EQ(Read(file, "General", "OpenedOnce", "d"), "1");
}

// The cache must notice every change made behind its back.
TEST(PrivateProfileCache, SeesEveryChangeMadeBehindItsBack) {
    TempFolder folder;
    const fs::path file = folder / "s.ini";
    const fs::path replacement = folder / "new.ini";
    WriteBytes(file, "[a]\r\nk=1\r\n");
    ASSERT_EQ(Read(file, "a", "k", "d"), "1");

    // An edit in place: the same inode and size, only the time differs.
    const auto written = fs::last_write_time(file);
    WriteBytes(file, "[a]\r\nk=2\r\n");
    fs::last_write_time(file, written + std::chrono::seconds(1));
    EXPECT_EQ(Read(file, "a", "k", "d"), "2");

    // A replaced file of the same size and time: only the inode tells them apart.
    WriteBytes(replacement, "[a]\r\nk=3\r\n");
    fs::last_write_time(replacement, fs::last_write_time(file));
    fs::rename(replacement, file);
    EXPECT_EQ(Read(file, "a", "k", "d"), "3");

    // An edit after its own write, which the next write keeps.
    ASSERT_EQ(WritePrivateProfileStringA("a", "k", "4", file.c_str()), TRUE);
    EXPECT_EQ(Read(file, "a", "k", "d"), "4");
    WriteBytes(file, "[a]\r\nk=5\r\n");
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
    EXPECT_EQ(Read(file, "a", "k", "d"), "5");
    ASSERT_EQ(WritePrivateProfileStringA("a", "j", "6", file.c_str()), TRUE);
    EXPECT_EQ(ReadBytes(file), "[a]\r\nk=5\r\nj=6\r\n");

    fs::remove(file);
    EXPECT_EQ(Read(file, "a", "k", "d"), "d");
}

// A read snapshot trades the check at every read for one check per file: its reads give one
// version of the file, while a write still works on what is on disk and keeps others' edits.
TEST(PrivateProfileCache, AReadSnapshotGivesOneVersionAndWritesKeepWhatIsOnDisk) {
    TempFolder folder;
    const fs::path file = folder / "s.ini";
    const auto replaceBehindItsBack = [&](const std::string& content) {
        WriteBytes(folder / "new.ini", content);
        fs::rename(folder / "new.ini", file);
    };
    WriteBytes(file, "[a]\r\nk=1\r\n");
    {
        const wingcall::SettingsReadSnapshot outer;
        ASSERT_EQ(Read(file, "a", "k", "d"), "1");
        WriteBytes(folder / "other.ini", "[a]\r\nk=other\r\n");
        EXPECT_EQ(Read(folder / "other.ini", "a", "k", "d"), "other") << "each file is its own";
        replaceBehindItsBack("[a]\r\nk=2\r\n");
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
    replaceBehindItsBack("[a]\r\nk=4\r\n");
    EXPECT_EQ(Read(file, "a", "k", "d"), "4");
    {
        const wingcall::SettingsReadSnapshot later;
        replaceBehindItsBack("[a]\r\nk=5\r\n");
        EXPECT_EQ(Read(file, "a", "k", "d"), "5") << "a new snapshot checks the file again";
    }
}

}  // namespace

#else

#include <gtest/gtest.h>

// On Windows the routines are the platform's own: their rules are checked against ours by the
// parity test (private_profile_parity_test.cpp), and the rules below are ours alone (the refusals,
// the Unicode marks, the file cache, the byte-for-byte write preservation that Wine lacks).
TEST(PrivateProfileRules, AreTheProjectsOwnRoutines) {
    GTEST_SKIP() << "the project's own private-profile routines are not built on Windows; the "
                    "platform's are compared with them by PrivateProfileParity";
}

#endif
