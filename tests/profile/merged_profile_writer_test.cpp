// The merge writer: documents compared byte for byte with hand-written golden files, the line
// ends and header lines of the source, a source that is the output, and failures that leave
// the output as it was.
#include "profile/merged_profile_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

using testing::CountEntries;
using testing::ExpectWingcallError;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::string DataFile(const char* name) {
    return ReadBytes(std::filesystem::path(WINGCALL_TEST_DATA_DIR) / name);
}

// One new command whose name keeps its blanks in a merge.
CommandTables EngageCommand() {
    CommandTables tables;
    tables.CommandNames = {L"", L" Engage ", L"vuoto"};
    tables.CommandPhrases = {L"", L"Avenger two, engaging bandit", L"vuoto"};
    tables.CommandKeys = {L"", L"{LCONTROL}e", L"vuoto"};
    tables.CommandCount = 1;
    return tables;
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachSourceLine(text, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

// The golden sources below split at CR LF, LF, CR and CR CR; these they lack.
TEST(ForEachSourceLine, LfCrIsTwoLineEndsAndANulIsPartOfItsLine) {
    EXPECT_EQ(Lines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Lines(std::string_view("a\0b\r", 4)),
              std::vector<std::string>{std::string("a\0b", 3)});
}

// The golden sources hold the header texts in other cases and companies, and lines that merely
// look like headers; this one they lack.
TEST(IsSourceHeaderLine, ABlankInsideTheTagIsNoHeader) {
    EXPECT_FALSE(IsSourceHeaderLine("<voxtrel-config >"));
}

TEST(MergedProfileDocument, MatchesTheGoldenFiles) {
    EXPECT_EQ(MergedProfileDocument(EngageCommand(), ""), DataFile("merged_empty_source.xml"))
        << "an empty source gives no closing lines";
    EXPECT_EQ(MergedProfileDocument(EngageCommand(), DataFile("merged_source_mixed_line_ends.txt")),
              DataFile("merged_mixed_line_ends.xml"))
        << "every line end splits, and only header lines are dropped";
}

TEST(MergedProfileDocument, NoCommandsGiveTheHeaderAndTheBody) {
    CommandTables tables = EngageCommand();
    tables.CommandCount = 0;
    EXPECT_EQ(MergedProfileDocument(tables, "<a>\n</a>"),
              "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<voxtrel-config>\r\n"
              "        <command-list>\r\n\r\n<a>\r\n</a>\r\n");
}

class WriteMergedProfileTest : public ::testing::Test {
  protected:
    TempFolder folder_;
};

TEST_F(WriteMergedProfileTest, WritesTheMergeAndKeepsTheSourceEvenWhenItIsTheOutput) {
    const auto source = folder_ / "old.xml";
    const auto output = folder_ / "new.xml";
    const std::string sourceBytes = DataFile("new_profile_ptt_all.xml");
    WriteBytes(source, sourceBytes);
    WriteBytes(output, "to be replaced");
    WriteMergedProfile(output, source, EngageCommand());
    EXPECT_EQ(ReadBytes(output), DataFile("merged_from_own.xml"));
    EXPECT_EQ(ReadBytes(source), sourceBytes);

    WriteMergedProfile(source, source, EngageCommand());
    EXPECT_EQ(ReadBytes(source), DataFile("merged_from_own.xml"));
    EXPECT_EQ(CountEntries(folder_.path()), 2u);
}

TEST_F(WriteMergedProfileTest, AFailureNamesItsCauseAndLeavesTheOutputAsItWas) {
    const auto output = folder_ / "new.xml";
    WriteBytes(output, "previous profile");
    for (const auto& source : {folder_ / "missing.xml", folder_.path()}) {
        ExpectWingcallError([&] { WriteMergedProfile(output, source, EngageCommand()); },
                            ErrorNumber::FileAccess, {source.string()});
        EXPECT_EQ(ReadBytes(output), "previous profile");
    }
    CommandTables pastThePhrases = EngageCommand();
    pastThePhrases.CommandPhrases.resize(1);
    WriteBytes(folder_ / "own.xml", DataFile("new_profile_ptt_all.xml"));
    ExpectWingcallError([&] { WriteMergedProfile(output, folder_ / "own.xml", pastThePhrases); },
                        ErrorNumber::SubscriptOutOfRange, {"Phrase(1)"});
    EXPECT_EQ(ReadBytes(output), "previous profile");

    EXPECT_THROW(
        WriteMergedProfile(folder_ / "absent.xml", folder_ / "missing.xml", EngageCommand()),
        WingcallError);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "absent.xml"));
    EXPECT_EQ(CountEntries(folder_.path()), 2u);
}

// Sources whose merge could not be a profile Voxtrel loads, each refused before anything is
// written: as a separate source and as the output itself, both stay as they were.
TEST_F(WriteMergedProfileTest, ASourceThatWouldNotGiveAProfileIsRefused) {
    const std::string own = DataFile("new_profile_ptt_all.xml");
    std::string oneLine = own;
    std::erase(oneLine, '\r');
    std::erase(oneLine, '\n');
    std::string otherEncoding = own;
    otherEncoding.replace(0, own.find("\r\n"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    const struct {
        const char* what;
        std::string bytes;
        const char* named;
    } cases[] = {
        {"empty", "", "</voxtrel-config>"},
        {"one line", oneLine, "</voxtrel-config>"},
        {"not a profile", "[General]\r\nOpenedOnce=1\r\n", "</voxtrel-config>"},
        {"other encoding", otherEncoding, "line 1 holds an XML declaration"},
        {"declaration inside", own.substr(0, 200) + "<?XML version=\"1.0\"?>\r\n" + own.substr(200),
         "XML declaration"},
    };
    const auto output = folder_ / "new.xml";
    const auto source = folder_ / "old.xml";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(output, "previous profile");
        WriteBytes(source, c.bytes);
        for (const auto& target : {output, source}) {
            ExpectWingcallError([&] { WriteMergedProfile(target, source, EngageCommand()); },
                                ErrorNumber::InvalidArgument, {source.string(), c.named});
            EXPECT_EQ(ReadBytes(output), "previous profile");
            EXPECT_EQ(ReadBytes(source), c.bytes);
        }
    }
    EXPECT_EQ(CountEntries(folder_.path()), 2u);
}

// Files that are no profile and that a whole read would wait on for ever or never finish.
TEST_F(WriteMergedProfileTest, ASpecialOrHugeFileIsRefusedWithoutBeingRead) {
    const auto output = folder_ / "new.xml";
    WriteBytes(output, "previous profile");
    const auto huge = folder_ / "huge.xml";
    WriteBytes(huge, DataFile("new_profile_ptt_all.xml"));
    std::filesystem::resize_file(huge, kMaximumMergeSourceBytes + 1);  // sparse: no disk used
    std::vector<std::pair<std::filesystem::path, const char*>> sources = {{huge, "64 MB"}};
#ifdef _WIN32
    sources.push_back({"NUL", "not an ordinary file"});
#else
    const auto fifo = folder_ / "fifo.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    sources.push_back({fifo, "not an ordinary file"});
    sources.push_back({"/dev/zero", "not an ordinary file"});
#endif
    for (const auto& [source, named] : sources) {
        ExpectWingcallError([&] { WriteMergedProfile(output, source, EngageCommand()); },
                            ErrorNumber::InvalidArgument, {source.string(), named});
        EXPECT_EQ(ReadBytes(output), "previous profile");
    }
}

}  // namespace
}  // namespace wingcall
