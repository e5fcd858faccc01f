// The private-profile routines: reading rules, byte-exact writes, encodings and the file cache.
#include "settings/private_profile.h"

#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_read_snapshot.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using wingcall::testing::CountEntries;
using wingcall::testing::ReadBytes;
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

// Text as UTF-16 bytes, little-endian unless asked otherwise.
std::string Utf16(std::u16string_view text, bool bigEndian = false) {
    std::string bytes;
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

struct ReadCase {
    const char* rule;
    std::string file;
    const char* section;
    const char* key;
    const char* fallback;
    std::string expected;
    DWORD size = 255;
};

// The rest of the rules are held by the parity cases (line ends, headers, quotes, comments,
// duplicates, defaults, long values) and the hostile-settings tests (NUL bytes, long lines).
TEST(PrivateProfileRead, FollowsTheFormatRules) {
    const std::string bigEndian = Utf16(u"\uFEFF[a]\nk=\u00E9t\u00E9\0x\nj=2"s, true);
    const std::vector<ReadCase> cases = {
        {"CR LF is one line end, LF CR two", "[a]\n\rk=v", "a", "k", "d", "v"},
        {"blanks before [ allowed", " \t[a]\nk=v", "a", "k", "d", "v"},
        {"[x without ] may be a key", "[a]\n[x=1\n", "a", "[x", "d", "1"},
        {"split at the first =", "[a]\nk=x=y", "a", "k", "d", "x=y"},
        {"name and value trimmed", "[a]\n\t k \v= \f v  w \t\n", "a", "k", "d", "v  w"},
        {"arguments trimmed", "[a]\nk=v", " \ta ", "\vk\f ", "d", "v"},
        {"the key must be in its section", "[a]\n[b]\nk=1", "a", "k", "d", "d"},
        {"every high byte comes back as stored", "[a]\nk=\x80\x81\x9D\xA0\xFF", "a", "k", "d",
         "\x80\x81\x9D\xA0\xFF"},
        {"UTF-8 without a mark is ANSI bytes", "[a]\nk=caf\xC3\xA9", "a", "k", "d", "caf\xC3\xA9"},
        {"big-endian UTF-16, a NUL ends the value", bigEndian, "a", "k", "d", "\xE9t\xE9"},
        {"big-endian UTF-16, a NUL ends only its line", bigEndian, "a", "j", "d", "2"},
        // Size of the result.
        {"cut to size - 1", "[a]\nk=abcdef", "a", "k", "d", "abc", 4},
        {"size 1 gives the empty text", "[a]\nk=abcdef", "a", "k", "d", "", 1},
        {"quotes are removed before the cut", "[a]\nk=\"abcdef\"", "a", "k", "d", "abc", 4},
        {"default is cut to size - 1", "[a]\n", "a", "k", "vuoto", "vu", 3},
        {"null default reads as empty", "[a]\n", "a", "k", nullptr, ""},
    };

    TempFolder folder;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ReadCase& row = cases[i];
        SCOPED_TRACE(row.rule);
        const fs::path file = folder / ("read" + std::to_string(i) + ".ini");
        WriteBytes(file, row.file);
        EXPECT_EQ(Read(file, row.section, row.key, row.fallback, row.size), row.expected);
    }
}

TEST(PrivateProfileRead, MissingFileOrFolderGivesTheDefaultAndCreatesNothing) {
    TempFolder folder;
    EXPECT_EQ(Read(folder / "missing.ini", "a", "k", "vuoto"), "vuoto");
    EXPECT_EQ(Read(folder / "no" / "such.ini", "a", "k", "vuoto"), "vuoto");
    EXPECT_EQ(Read(folder.path(), "a", "k", "vuoto"), "vuoto");
    EXPECT_EQ(CountEntries(folder.path()), 0u);
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
}

struct WriteCase {
    const char* rule;
    std::optional<std::string> before;  // nullopt: no file
    const char* section;
    const char* key;
    const char* value;
    BOOL result;
    std::optional<std::string> after;
};

// The parity cases hold more: duplicates, keys before any section, a missing or empty file.
TEST(PrivateProfileWrite, ChangesOnlyTheLineItSets) {
    const std::string commented = "; settings\r\n[General]\r\n  OpenedOnce = 0 \r\nx=1\r\n\r\n";
    const std::vector<WriteCase> cases = {
        // Replacing.
        {"replace keeps every other byte", commented, "General", "OpenedOnce", "1", TRUE,
         "; settings\r\n[General]\r\nOpenedOnce=1\r\nx=1\r\n\r\n"},
        {"replace keeps a lone CR", "[g]\rk=0\rz=2", "g", "k", "1", TRUE, "[g]\rk=1\rz=2"},
        {"replace on a last line without line end", "[g]\r\nk=0", "g", "k", "12", TRUE,
         "[g]\r\nk=12"},
        {"replace drops the text behind a NUL", "[g]\nk=0\0x\ny=1\n"s, "g", "k", "1", TRUE,
         "[g]\nk=1\ny=1\n"},
        {"an empty value", "[g]\nk=0\n", "g", "k", "", TRUE, "[g]\nk=\n"},
        {"blanks of the value are written as given", "[g]\nk=0\n", "g", "k", " 1 ", TRUE,
         "[g]\nk= 1 \n"},
        // The stored value is compared as stored.
        {"stored quotes are compared as stored", "[g]\nk=\"v\"\n", "g", "k", "\"v\"", TRUE,
         "[g]\nk=\"v\"\n"},
        {"the unquoted value differs from the quoted", "[g]\nk=\"v\"\n", "g", "k", "v", TRUE,
         "[g]\nk=v\n"},
        {"the comparison is case-sensitive", "[g]\nk=On\n", "g", "k", "on", TRUE, "[g]\nk=on\n"},
        // New keys.
        {"new key after the last non-blank line", "[a]\r\nx=1\r\n\r\n\r\n[b]\r\ny=2\r\n", "a", "k",
         "v", TRUE, "[a]\r\nx=1\r\nk=v\r\n\r\n\r\n[b]\r\ny=2\r\n"},
        {"new key takes its neighbour's line end", "[a]\nx=1\n\n[b]\r\n", "a", "k", "v", TRUE,
         "[a]\nx=1\nk=v\n\n[b]\r\n"},
        {"new key in an empty section", "[a]\r\n[b]\r\n", "a", "k", "v", TRUE,
         "[a]\r\nk=v\r\n[b]\r\n"},
        {"a comment line is not blank", "[a]\r\nx=1\r\n; end of a\r\n\r\n", "a", "k", "v", TRUE,
         "[a]\r\nx=1\r\n; end of a\r\nk=v\r\n\r\n"},
        {"blank lines with blanks in them", "[a]\nx=1\n \t\n[b]\n", "a", "k", "v", TRUE,
         "[a]\nx=1\nk=v\n \t\n[b]\n"},
        {"new key after a last line without line end", "[a]\nx=1", "a", "k", "v", TRUE,
         "[a]\nx=1\nk=v\n"},
        {"new key in a file with no line end at all", "[a]", "a", "k", "v", TRUE, "[a]\r\nk=v\r\n"},
        {"names are written trimmed", "[a]\n", " a ", "\tk ", "v", TRUE, "[a]\nk=v\n"},
        // New sections.
        {"new section in the last line's style", "[a]\r\nx=1\n", "b", "k", "v", TRUE,
         "[a]\r\nx=1\n[b]\nk=v\n"},
        {"new section after a line end when missing", "[a]\nx=1", "b", "k", "v", TRUE,
         "[a]\nx=1\n[b]\nk=v\n"},
        {"new section after trailing blank lines", "[a]\nx=1\n\n", "b", "k", "v", TRUE,
         "[a]\nx=1\n\n[b]\nk=v\n"},
        {"new section in a file of one line without end", "; only a note", "b", "k", "v", TRUE,
         "; only a note\r\n[b]\r\nk=v\r\n"},
        {"an empty file", "", " g ", " k ", "v", TRUE, "[g]\r\nk=v\r\n"},
        {"big-endian UTF-16: a new key, a NUL kept", Utf16(u"\uFEFF[a]\nk=\u00E9\0x\nj=2"s, true),
         "a", "i", "4", TRUE, Utf16(u"\uFEFF[a]\nk=\u00E9\0x\nj=2\ni=4\n"s, true)},
        {"an empty UTF-16 file keeps its mark", "\xFF\xFE", "g", "k", "v", TRUE,
         Utf16(u"\uFEFF[g]\r\nk=v\r\n")},
        // Refusals.
        {"a value with LF", "[g]\nk=0\n", "g", "k", "1\nx=2", FALSE, "[g]\nk=0\n"},
        {"a value with CR", "[g]\nk=0\n", "g", "k", "1\r[h]", FALSE, "[g]\nk=0\n"},
        {"a key with a line end", "[g]\nk=0\n", "g", "k\n", "1", FALSE, "[g]\nk=0\n"},
        {"a section with a line end", "[g]\nk=0\n", "g\r\n[h]", "k", "1", FALSE, "[g]\nk=0\n"},
        {"a key holding =", "[g]\nk=0\n", "g", "k=x", "1", FALSE, "[g]\nk=0\n"},
        {"a key read back as a header", "[g]\nk=0\n", "g", "[h]", "1", FALSE, "[g]\nk=0\n"},
        {"a null value", "[g]\nk=0\n", "g", "k", nullptr, FALSE, "[g]\nk=0\n"},
        {"a null key", "[g]\nk=0\n", "g", nullptr, "1", FALSE, "[g]\nk=0\n"},
        {"a null section", "[g]\nk=0\n", nullptr, "k", "1", FALSE, "[g]\nk=0\n"},
        {"refusal creates no file", std::nullopt, "g", "k", "a\nb", FALSE, std::nullopt},
    };

    TempFolder folder;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const WriteCase& row = cases[i];
        SCOPED_TRACE(row.rule);
        const fs::path file = folder / ("write" + std::to_string(i) + ".ini");
        if (row.before) {
            WriteBytes(file, *row.before);
        }
        EXPECT_EQ(WritePrivateProfileStringA(row.section, row.key, row.value, file.c_str()),
                  row.result);
        if (row.after) {
            EXPECT_EQ(ReadBytes(file), *row.after);
        } else {
            EXPECT_FALSE(fs::exists(file));
        }
    }
    // No temporary file was left behind by any of them.
    EXPECT_EQ(CountEntries(folder.path()),
              static_cast<std::size_t>(std::count_if(
                  cases.begin(), cases.end(), [](const WriteCase& row) { return row.after; })));
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
    EXPECT_EQ(Read(file, "a", "k", "d"), "caf\xE9 ? \x80");
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
    EXPECT_EQ(Read(file, "commands", "phrase(1)", "d"), "?uk \x80?");
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
