// The project's private-profile routines against the platform's own: every read of the parity
// cases, and every read after each write, must give what the platform's routines gave when they
// were recorded under Wine (tests/data/private_profile_parity.txt). The differences that remain
// are listed below, each with the reason it is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "settings/private_profile_parity_cases.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace {

// The lines of case `caseName` whose observation starts with `what` ("bytes", "write", or ""
// for every line) may differ from the record, for `reason`
// (tests/data/private_profile_parity_differences.txt).
struct KnownDifference {
    std::string caseName, what, reason;
};

const std::vector<KnownDifference>& KnownDifferences() {
    static const std::vector<KnownDifference> differences = [] {
        std::vector<KnownDifference> rows;
        for (std::vector<std::string>& fields :
             wingcall::testing::ReadDataTable("private_profile_parity_differences.txt")) {
            fields.resize(3);
            rows.push_back({fields[0], fields[1], fields[2]});
        }
        return rows;
    }();
    return differences;
}

// "<case>|<stage>|<what>": a line without its result.
std::string KeyOf(const std::string& line) {
    return line.substr(0, line.rfind('|'));
}

const KnownDifference* FindKnownDifference(const std::string& key) {
    const std::string caseName = key.substr(0, key.find('|'));
    const std::string what = key.substr(key.rfind('|') + 1);
    for (const KnownDifference& difference : KnownDifferences()) {
        if (caseName == difference.caseName && what.starts_with(difference.what)) {
            return &difference;
        }
    }
    return nullptr;
}

std::vector<std::string> RecordedLines() {
    std::ifstream in(std::string(WINGCALL_TEST_DATA_DIR) + "/private_profile_parity.txt",
                     std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST(PrivateProfileParity, OursGiveWhatThePlatformGave) {
#ifdef _WIN32
    GTEST_SKIP() << "the record comes from the platform's routines: this build has no others";
#endif
    const std::vector<std::string> recorded = RecordedLines();
    ASSERT_FALSE(recorded.empty()) << "no recorded results";

    wingcall::testing::TempFolder folder;
    const std::vector<std::string> ours = wingcall::parity::RecordAll(folder.path());
    // Both sides ran the same calls in the same order, so the lines pair up one to one.
    ASSERT_EQ(ours.size(), recorded.size()) << "the cases changed since they were recorded";

    std::map<const KnownDifference*, int> differencesSeen;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const std::string key = KeyOf(ours[i]);
        ASSERT_EQ(key, KeyOf(recorded[i])) << "the cases changed since they were recorded";
        if (const KnownDifference* difference = FindKnownDifference(key)) {
            if (ours[i] != recorded[i]) {
                ++differencesSeen[difference];
            }
            continue;
        }
        EXPECT_EQ(ours[i], recorded[i]);
    }
    // Each listed difference must still be one, so the list stays true.
    for (const KnownDifference& difference : KnownDifferences()) {
        EXPECT_GT(differencesSeen[&difference], 0)
            << "no longer differs: " << difference.caseName << " (" << difference.what
            << "): " << difference.reason;
    }
}

}  // namespace
