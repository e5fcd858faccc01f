// The template check over tests/data/command_template_findings.txt: each [Commands] section with
// exactly the findings the pilot is told, and nothing for the shipped template.
#include "settings/command_template_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/wide_path.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

const std::unordered_set<std::wstring> kSomeKeyNames = {L"Backslash", L"F1", L"F3", L"LShift",
                                                        L"J"};

std::string Joined(const std::vector<std::string>& findings) {
    std::string joined;
    for (const std::string& finding : findings) {
        joined += (joined.empty() ? "" : " / ") + finding;
    }
    return joined;
}

TEST(CommandTemplateCheck, SaysWhatEachEditLeavesOutOrGetsWrong) {
    for (const std::vector<std::string>& row :
         testing::ReadDataTable("command_template_findings.txt")) {
        ASSERT_EQ(row.size(), 3u) << row[0];
        SCOPED_TRACE(row[0]);
        testing::TempFolder folder;
        const std::string section = row[1] == "(none)" ? "" : "[Commands]\r\n" + row[1];
        testing::WriteBytes(folder / "Wingcall.ini",
                            row[1].starts_with("(bom)")
                                ? "\xEF\xBB\xBF[Commands]\r" + row[1].substr(5)
                                : "[General]\r\nOpenedOnce=1\r\n\r\n" + section);
        const std::wstring settingsPath = WideFromPath(folder / "Wingcall.ini");
        CommandTables tables;
        LoadCommandTemplate(settingsPath, tables);

        EXPECT_EQ(Joined(CheckCommandTemplate(settingsPath, tables, kSomeKeyNames)), row[2]);
    }
}

TEST(CommandTemplateCheck, TheShippedTemplateHasNothingToSay) {
    const std::wstring settingsPath = WideFromPath(WINGCALL_SHIPPED_SETTINGS);
    CommandTables tables;
    LoadCommandTemplate(settingsPath, tables);
    ASSERT_GT(tables.CommandCount, 50u);
    // The shipped calls use only names of the shipped list.
    std::unordered_set<std::wstring> keyNames;
    const std::string list = testing::ReadBytes(WINGCALL_SHIPPED_KEY_NAMES);
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find('\n', start);
        end = end == std::string::npos ? list.size() : end;
        std::string line = list.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#') {
            keyNames.insert(std::wstring(line.begin(), line.end()));
        }
    }
    EXPECT_EQ(Joined(CheckCommandTemplate(settingsPath, tables, keyNames)), "");
}

}  // namespace
}  // namespace wingcall
