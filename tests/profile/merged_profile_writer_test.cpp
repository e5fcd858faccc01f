// The merge writer: documents compared byte for byte with hand-written golden files, the line
// ends and header lines of the source, a source that is the output, and failures that leave
// the output as it was.
#include "profile/merged_profile_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "profile/profile_document.h"
#include "support/data_table.h"
#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

using namespace testing;  // wingcall::testing, the helpers the tests share

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

// What the golden sources lack: they split at CR LF, LF, CR and CR CR, and hold the header texts
// in other cases and companies and lines that merely look like headers.
TEST(MergedProfileSource, LfCrIsTwoLineEndsANulIsPartOfItsLineAndABlankInATagIsNoHeader) {
    EXPECT_EQ(Lines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Lines(std::string_view("a\0b\r", 4)),
              std::vector<std::string>{std::string("a\0b", 3)});
    EXPECT_FALSE(IsSourceHeaderLine("<voxtrel-config >"));
}

// A line is dropped exactly when it is a header line or a header opening written another way,
// however its "<"s and cases fall: the quick look at each "<" passes over no such line.
TEST(MergedProfileSource, ADroppedLineIsAHeaderLineOrOpeningWhereverItsMarkupStands) {
    const char* const lines[] = {
        "<?XML version=\"1.0\" encoding=\"ISO-8859-1\" ?>",
        "x <?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>",
        "<?xml version=\"1.0\"?>",
        "  <Voxtrel-Config>",
        "<voxtrel-config\tversion=\"2\" >",
        "\t<COMMAND-LIST sorted='no' >",
        "<!-- --><command-list>",
        "text <command name=\"a\"> <Command-List>",
        "<command name=\"<command-list>\">",
        "<command name=\"a\" phrase=\"b\">",
        "\t\t\t<sequence keys=\"{F1}\" />",
        "</voxtrel-config>",
        "<voxtrel-configuration>",
        "<command-lists>",
        "<",
        "",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        EXPECT_EQ(IsDroppedSourceLine(line),
                  IsSourceHeaderLine(line) || IsSourceHeaderOpening(line));
    }
    EXPECT_TRUE(IsDroppedSourceLine("text <command name=\"a\"> <Command-List>"));
    EXPECT_TRUE(IsDroppedSourceLine("<voxtrel-config\tversion=\"2\" >"));
    EXPECT_FALSE(IsDroppedSourceLine("<command-lists>"));
}

TEST(MergedProfileDocument, MatchesTheGoldenFiles) {
    EXPECT_EQ(MergedProfileDocument(EngageCommand(), ""), DataFile("merged_empty_source.xml"))
        << "an empty source gives no closing lines";
    EXPECT_EQ(MergedProfileDocument(EngageCommand(), DataFile("merged_source_mixed_line_ends.txt")),
              DataFile("merged_mixed_line_ends.xml"))
        << "every line end splits, and only header lines are dropped";
    CommandTables noCommands = EngageCommand();
    noCommands.CommandCount = 0;
    EXPECT_EQ(MergedProfileDocument(noCommands, "<a>\n</a>"),
              "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<voxtrel-config>\r\n"
              "        <command-list>\r\n\r\n<a>\r\n</a>\r\n")
        << "no commands give the header and the body";
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
    EXPECT_EQ(ReadBytes(folder_ / "new.xml.bak"), "to be replaced");

    // Merged into itself, the profile's earlier bytes are kept beside it.
    WriteMergedProfile(source, source, EngageCommand());
    EXPECT_EQ(ReadBytes(source), DataFile("merged_from_own.xml"));
    EXPECT_EQ(ReadBytes(folder_ / "old.xml.bak"), sourceBytes);
    EXPECT_EQ(CountEntries(folder_.path()), 4u);
}

TEST_F(WriteMergedProfileTest, ATemplatePastItsTablesIsRefusedAndNoOutputIsMade) {
    WriteBytes(folder_ / "own.xml", DataFile("new_profile_ptt_all.xml"));
    CommandTables pastThePhrases = EngageCommand();
    pastThePhrases.CommandPhrases.resize(1);
    ExpectWingcallError(
        [&] { WriteMergedProfile(folder_ / "new.xml", folder_ / "own.xml", pastThePhrases); },
        ErrorNumber::SubscriptOutOfRange, {"Phrase(1)"});
    EXPECT_EQ(CountEntries(folder_.path()), 1u);
}

// Sources that cannot be read, or whose merge could not be a profile Voxtrel loads, are refused
// before anything is written, naming the source and what is wrong with it. The output stays as
// it was, and so does the source, also when it is the output itself.
TEST_F(WriteMergedProfileTest, ASourceThatWouldNotGiveAProfileIsRefusedAndNothingChanges) {
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
    } contents[] = {
        {"empty", "", "it is empty"},
        {"one line", oneLine, "line 1 holds \"<voxtrel-config>\" together with other text"},
        {"not a profile", "[General]\r\nOpenedOnce=1\r\n", "line 1 holds text before"},
        {"declared UTF-8, written in the code page", otherEncoding,
         "it is written in UTF-8, as its declaration says, but its line 10 holds the byte 0xE9"},
        {"declaration inside", own.substr(0, 200) + "<?XML version=\"1.0\"?>\r\n" + own.substr(200),
         "XML declaration"},
    };
    const auto output = folder_ / "new.xml";
    const auto source = folder_ / "old.xml";
    WriteBytes(output, "previous profile");
    for (const auto& c : contents) {
        SCOPED_TRACE(c.what);
        WriteBytes(source, c.bytes);
        for (const auto& target : {output, source}) {
            ExpectWingcallError([&] { WriteMergedProfile(target, source, EngageCommand()); },
                                ErrorNumber::InvalidArgument, {source.string(), c.named});
            EXPECT_EQ(ReadBytes(output), "previous profile");
            EXPECT_EQ(ReadBytes(source), c.bytes);
        }
    }
    // Files that cannot be read, and files a whole read would wait on for ever or never finish.
    const auto huge = folder_ / "huge.xml";
    WriteBytes(huge, own);
    std::filesystem::resize_file(huge, kMaximumMergeSourceBytes + 1);  // sparse: no disk used
    std::vector<std::tuple<std::filesystem::path, ErrorNumber, const char*>> files = {
        {folder_ / "missing.xml", ErrorNumber::FileAccess, ""},
        {folder_.path(), ErrorNumber::FileAccess, ""},
        {huge, ErrorNumber::InvalidArgument, "64 MB"}};
#ifdef _WIN32
    files.push_back({"NUL", ErrorNumber::InvalidArgument, "not an ordinary file"});
#else
    const auto fifo = folder_ / "fifo.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    files.push_back({fifo, ErrorNumber::InvalidArgument, "not an ordinary file"});
    files.push_back({"/dev/zero", ErrorNumber::InvalidArgument, "not an ordinary file"});
#endif
    for (const auto& [file, number, named] : files) {
        ExpectWingcallError([&] { WriteMergedProfile(output, file, EngageCommand()); }, number,
                            {file.string(), named});
        EXPECT_EQ(ReadBytes(output), "previous profile");
    }
    // A failed merge into a new output makes none.
    EXPECT_THROW(WriteMergedProfile(folder_ / "absent.xml", source, EngageCommand()),
                 WingcallError);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "absent.xml"));
}

// For each row of tests/data/merge_layouts.txt: the merged bytes, or the refusal with the real
// reason and nothing written.
TEST_F(WriteMergedProfileTest, SourcesInOtherLayoutsMergeFaithfullyOrAreRefusedWithTheirReason) {
    const std::string newBlocks =
        MergedProfileDocument(EngageCommand(), "").substr(ProfileHeaderText().size() + 2);
    const auto source = folder_ / "old.xml";
    const auto output = folder_ / "new.xml";
    for (const std::vector<std::string>& row : ReadDataTable("merge_layouts.txt")) {
        SCOPED_TRACE(row[0]);
        WriteBytes(source, row[1]);
        std::filesystem::remove(output);
        if (row[2] == "refused") {
            ExpectWingcallError([&] { WriteMergedProfile(output, source, EngageCommand()); },
                                ErrorNumber::InvalidArgument, {source.string(), row[3]});
            EXPECT_FALSE(std::filesystem::exists(output));
            EXPECT_EQ(ReadBytes(source), row[1]);
            continue;
        }
        std::string expected = row[2];
        expected.replace(expected.find("{new}"), 5, newBlocks);
        WriteMergedProfile(output, source, EngageCommand());
        EXPECT_EQ(ReadBytes(output), expected);
    }
}

// A refusal says whether the source is no profile Wingcall can add to, or one the merge would
// change, before what is wrong and where.
TEST_F(WriteMergedProfileTest, ARefusalLeadsWithWhetherTheSourceIsAProfileAtAll) {
    const auto source = folder_ / "old.xml";
    const struct {
        const char* bytes;
        const char* lead;
    } sources[] = {
        {"<a/>", "The file you chose is not a Voxtrel profile Wingcall can add to: \""},
        {"<voxtrel-config><command-list><command name=\"A\" phrase=\"a\"/></command-list>"
         "</voxtrel-config>",
         "Wingcall cannot add to this profile without changing it: \""},
    };
    for (const auto& s : sources) {
        WriteBytes(source, s.bytes);
        try {
            WriteMergedProfile(folder_ / "new.xml", source, EngageCommand());
            ADD_FAILURE() << s.bytes;
        } catch (const MergeSourceRefused& refused) {
            EXPECT_TRUE(std::string(refused.what()).starts_with(s.lead)) << refused.what();
        }
    }
}

}  // namespace
}  // namespace wingcall
