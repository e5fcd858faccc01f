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
#include "support/temp_folder.h"

namespace {

// The lines of case `caseName` whose observation starts with `what` ("bytes", "write", or ""
// for every line) may differ from the record, for `reason`.
struct KnownDifference {
    const char* caseName;
    const char* what;
    const char* reason;
};

// Wine's routines rewrite the whole file on every write. Windows and ours change only the line
// written and keep every other byte, so the bytes are compared only where that makes no
// difference.
constexpr const char* kWineRewritesTheFile =
    "Wine rewrites the whole file on every write (blank lines and spacing vanish); Windows and "
    "ours change only the line written";

// Wine, where Windows and ours keep the line and add the key after the section's last line.
constexpr const char* kWineTakesALineWithoutEqualsAsTheKey =
    "Wine writes a key over a line that holds only the key's name and no \"=\" (the line is "
    "lost); Windows and ours read no key there and add a new line";

// Ours refuse writes that would damage the file; the platform's carry them out.
constexpr const char* kOursRefuseDamagingWrites =
    "ours refuse a value with CR or LF (it would add lines and keys the caller never wrote) and "
    "a key holding \"=\" or starting with \"[\" (it could never be read back as that key)";

const std::vector<KnownDifference>& KnownDifferences() {
    static const std::vector<KnownDifference> differences = {
        {"LF lines", "bytes", kWineRewritesTheFile},
        {"lone CR lines", "bytes", kWineRewritesTheFile},
        {"mixed line ends", "bytes", kWineRewritesTheFile},
        {"no final line end", "bytes", kWineRewritesTheFile},
        {"blanks and tabs around names and values", "bytes", kWineRewritesTheFile},
        {"quotes", "bytes", kWineRewritesTheFile},
        {"empty value", "bytes", kWineRewritesTheFile},
        {"blank lines and a comment end a section", "bytes", kWineRewritesTheFile},
        {"section headers", "bytes", kWineRewritesTheFile},
        {"a line without =", "bytes", kWineTakesALineWithoutEqualsAsTheKey},
        {"value with a line end", "", kOursRefuseDamagingWrites},
        {"key holding = or starting with [", "write", kOursRefuseDamagingWrites},
        {"key holding = or starting with [", "bytes", kOursRefuseDamagingWrites},
    };
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
            << "no longer differs: " << difference.caseName << " (" << difference.what << ")";
    }
}

}  // namespace
