// The project's private-profile routines against the platform's own: every read of the parity
// cases, and every read after each write, must give what the platform's routines gave when they
// were recorded under Wine (tests/data/private_profile_parity.txt), but for the differences listed
// with their reasons in tests/data/private_profile_parity_differences.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "settings/ini/private_profile_parity_cases.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace {

using wingcall::testing::ReadDataTable;

const char* const kCasesChanged = "the cases changed since they were recorded";

// "<case>|<stage>|<what>": a line without its result.
std::string KeyOf(const std::string& line) {
    return line.substr(0, line.rfind('|'));
}

TEST(PrivateProfileParity, OursGiveWhatThePlatformGave) {
#ifdef _WIN32
    GTEST_SKIP() << "the record comes from the platform's routines: this build has no others";
#endif
    std::ifstream in(std::string(WINGCALL_TEST_DATA_DIR) + "/private_profile_parity.txt",
                     std::ios::binary);
    std::vector<std::string> recorded;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            recorded.push_back(line);
        }
    }
    ASSERT_FALSE(recorded.empty()) << "no recorded results";
    // The lines of case <0> whose observation starts with <1> ("bytes", "write", or "" for every
    // line) may differ from the record, for reason <2>.
    const auto differences = ReadDataTable("private_profile_parity_differences.txt");
    std::vector<int> differencesSeen(differences.size(), 0);

    wingcall::testing::TempFolder folder;
    const std::vector<std::string> ours = wingcall::parity::RecordAll(folder.path());
    // Both sides ran the same calls in the same order, so the lines pair up one to one.
    ASSERT_EQ(ours.size(), recorded.size()) << kCasesChanged;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const std::string key = KeyOf(ours[i]);
        ASSERT_EQ(key, KeyOf(recorded[i])) << kCasesChanged;
        const std::string caseName = key.substr(0, key.find('|'));
        const std::string what = key.substr(key.rfind('|') + 1);
        const auto known = std::find_if(differences.begin(), differences.end(), [&](auto& row) {
            return row.size() == 3 && row[0] == caseName && what.starts_with(row[1]);
        });
        if (known == differences.end()) {
            EXPECT_EQ(ours[i], recorded[i]);
        } else {
            differencesSeen[known - differences.begin()] += ours[i] != recorded[i] ? 1 : 0;
        }
    }
    // Each listed difference must still be one, so the list stays true.
    for (std::size_t d = 0; d < differences.size(); ++d) {
        EXPECT_GT(differencesSeen[d], 0)
            << "no longer differs: " << ::testing::PrintToString(differences[d]);
    }
}

}  // namespace
