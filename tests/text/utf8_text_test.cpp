// UTF-8 decoding and encoding shared by the Unicode settings files, file names and messages:
// every malformed sequence costs one byte and one U+FFFD, and nothing else is lost. The cases
// are the rows of tests/data/utf8_text.txt.
#include "text/utf8_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/data_table.h"

namespace wingcall {
namespace {

TEST(Utf8Text, DecodesAndEncodesEveryRowOfTheTable) {
    const auto rows = testing::ReadDataTable("utf8_text.txt");
    ASSERT_GT(rows.size(), 10u);
    for (const std::vector<std::string>& row : rows) {
        ASSERT_TRUE(row.size() == 4 && (row[0] == "decode" || row[0] == "encode")) << row[0];
        SCOPED_TRACE(row[0] + ": " + row[1]);
        if (row[0] == "decode") {
            std::u32string decoded;
            for (std::size_t i = 0; i < row[2].size();) {
                decoded.push_back(NextUtf8CodePoint(row[2], i));
            }
            EXPECT_EQ(decoded, testing::CodePointsOf(row[3]));
        } else {
            std::string bytes;
            AppendUtf8(bytes, testing::CodePointsOf(row[2]).at(0));
            EXPECT_EQ(bytes, row[3]);
        }
    }
}

TEST(Utf8Text, ReadsOneCodePointOfWideText) {
    const std::wstring text = L"a\u00E9\U0001F600";
    std::vector<char32_t> codePoints;
    for (std::size_t i = 0; i < text.size();) {
        codePoints.push_back(NextWideCodePoint(text, i));
    }
    EXPECT_EQ(codePoints, (std::vector<char32_t>{U'a', U'\u00E9', U'\U0001F600'}));
}

}  // namespace
}  // namespace wingcall
