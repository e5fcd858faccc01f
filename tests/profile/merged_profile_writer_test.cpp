// The merge writer: documents compared byte for byte with hand-written golden files, the line
// ends and header lines of the source, a source that is the output, and failures that leave
// the output as it was.
#include "profile/merged_profile_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/expect_wingcall_error.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

using testing::CountEntries;
using testing::ExpectWingcallError;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::filesystem::path DataFile(const char* name) {
    return std::filesystem::path(WINGCALL_TEST_DATA_DIR) / name;
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

TEST(ForEachSourceLine, EveryKindOfLineEndEndsALine) {
    using Expected = std::vector<std::string>;
    EXPECT_EQ(Lines(""), Expected{});
    EXPECT_EQ(Lines("a"), Expected{"a"});
    EXPECT_EQ(Lines("a\r\n"), Expected{"a"});
    EXPECT_EQ(Lines("a\r\nb\nc\rd"), (Expected{"a", "b", "c", "d"}));
    EXPECT_EQ(Lines("\n\r\r\n\n\r"), (Expected{"", "", "", "", ""}));
    EXPECT_EQ(Lines("a\n\rb"), (Expected{"a", "", "b"}));
    EXPECT_EQ(Lines(std::string_view("a\0b\r", 4)), Expected{std::string("a\0b", 3)});
}

TEST(IsSourceHeaderLine, DropsTheThreeHeaderTextsInAnyCaseAndAnyCompany) {
    const struct {
        const char* line;
        bool header;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>", true},
        {"<?XML Version=\"1.0\" Encoding=\"ISO-8859-1\" ?>", true},
        {"<voxtrel-config>", true},
        {"<VOXTREL-CONFIG>", true},
        {"        <command-list>", true},
        {"\t<Command-List>", true},
        {"<a/><voxtrel-config><command name=\"x\" phrase=\"y\">", true},
        {"<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>", false},
        {"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", false},
        {"</voxtrel-config>", false},
        {"       </command-list>", false},
        {"<voxtrel-config >", false},
        {"", false},
    };
    for (const auto& example : cases) {
        EXPECT_EQ(IsSourceHeaderLine(example.line), example.header) << example.line;
    }
}

TEST(MergedProfileDocument, ASourceWrittenByThisSystemFollowsTheNewBlocks) {
    EXPECT_EQ(
        MergedProfileDocument(EngageCommand(), ReadBytes(DataFile("new_profile_ptt_all.xml"))),
        ReadBytes(DataFile("merged_from_own.xml")));
}

TEST(MergedProfileDocument, AnEmptySourceGivesNoClosingLines) {
    EXPECT_EQ(MergedProfileDocument(EngageCommand(), ""),
              ReadBytes(DataFile("merged_empty_source.xml")));
}

TEST(MergedProfileDocument, SplitsEveryLineEndAndDropsOnlyHeaderLines) {
    EXPECT_EQ(MergedProfileDocument(EngageCommand(),
                                    ReadBytes(DataFile("merged_source_mixed_line_ends.txt"))),
              ReadBytes(DataFile("merged_mixed_line_ends.xml")));
}

TEST(MergedProfileDocument, NoCommandsGiveTheHeaderAndTheBody) {
    CommandTables tables = EngageCommand();
    tables.CommandCount = 0;
    EXPECT_EQ(MergedProfileDocument(tables, "<a>\n</a>"),
              "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<voxtrel-config>\r\n"
              "        <command-list>\r\n\r\n<a>\r\n</a>\r\n");
}

TEST(MergedProfileDocument, RefusesACountPastATable) {
    CommandTables tables = EngageCommand();
    tables.CommandPhrases.resize(1);
    ExpectWingcallError([&] { MergedProfileDocument(tables, ""); },
                        ErrorNumber::SubscriptOutOfRange, {"Phrase(1)"});
}

class WriteMergedProfileTest : public ::testing::Test {
  protected:
    TempFolder folder_;
};

TEST_F(WriteMergedProfileTest, WritesTheMergeAndLeavesTheSourceAlone) {
    const auto source = folder_ / "old.xml";
    const auto output = folder_ / "new.xml";
    const std::string sourceBytes = ReadBytes(DataFile("new_profile_ptt_all.xml"));
    WriteBytes(source, sourceBytes);
    WriteBytes(output, "to be replaced");
    WriteMergedProfile(output, source, EngageCommand());
    EXPECT_EQ(ReadBytes(output), ReadBytes(DataFile("merged_from_own.xml")));
    EXPECT_EQ(ReadBytes(source), sourceBytes);
    EXPECT_EQ(CountEntries(folder_.path()), 2u);
}

TEST_F(WriteMergedProfileTest, ASourceThatIsTheOutputKeepsItsBody) {
    const auto profile = folder_ / "Wingcall.xml";
    WriteBytes(profile, ReadBytes(DataFile("new_profile_ptt_all.xml")));
    WriteMergedProfile(profile, profile, EngageCommand());
    EXPECT_EQ(ReadBytes(profile), ReadBytes(DataFile("merged_from_own.xml")));
}

TEST_F(WriteMergedProfileTest, AnUnreadableSourceNamesItAndLeavesTheOutputAsItWas) {
    const auto output = folder_ / "new.xml";
    WriteBytes(output, "previous profile");
    for (const auto& source : {folder_ / "missing.xml", folder_.path()}) {
        ExpectWingcallError([&] { WriteMergedProfile(output, source, EngageCommand()); },
                            ErrorNumber::FileAccess, {source.string()});
        EXPECT_EQ(ReadBytes(output), "previous profile");
    }
    EXPECT_FALSE(std::filesystem::exists(folder_ / "absent.xml"));
    EXPECT_THROW(
        WriteMergedProfile(folder_ / "absent.xml", folder_ / "missing.xml", EngageCommand()),
        WingcallError);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "absent.xml"));
    EXPECT_EQ(CountEntries(folder_.path()), 1u);
}

}  // namespace
}  // namespace wingcall
