// Conversion between wide text and the ANSI code page (Windows-1252 off Windows).
#include "text/ansi_code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "support/data_table.h"

namespace {

using wingcall::AnsiToWide;
using wingcall::WideToAnsi;
using wingcall::WideToAnsiWithCharacterReferences;

TEST(AnsiCodePage, EveryByteSurvivesTheRoundTrip) {
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        everyByte.push_back(static_cast<char>(byte));
    }
    const std::wstring wide = AnsiToWide(everyByte);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(WideToAnsi(wide), everyByte);
    EXPECT_EQ(WideToAnsiWithCharacterReferences(wide), everyByte);
}

#ifndef _WIN32
// Text is widened in blocks with a tail: a byte of the range where Windows-1252 departs from
// Latin-1 is found at every place of texts of every length around the block's, and every other
// byte is widened as it is.
TEST(AnsiCodePage, WidensEveryPlaceOfTextOfAnyLength) {
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t place = 0; place < length; ++place) {
            std::string bytes;
            std::wstring expected;
            for (std::size_t i = 0; i < length; ++i) {
                const char byte = i == place   ? '\x80'
                                  : i % 2 == 0 ? '\xE9'
                                               : static_cast<char>('a' + i % 26);
                bytes.push_back(byte);
                expected.push_back(i == place ? L'\x20AC' : static_cast<unsigned char>(byte));
            }
            EXPECT_EQ(AnsiToWide(bytes), expected) << "length " << length << ", place " << place;
        }
    }
}

// The rows of tests/data/ansi_code_page.txt: the bytes of Windows-1252, and the characters it
// lacks, which become question marks or character references.
TEST(AnsiCodePage, IsWindows1252AndReplacesTheCharactersItLacks) {
    const auto rows = wingcall::testing::ReadDataTable("ansi_code_page.txt");
    ASSERT_GT(rows.size(), 10u);
    for (const std::vector<std::string>& row : rows) {
        ASSERT_EQ(row.size(), 4u) << row[0];
        SCOPED_TRACE(row[0] + ": " + row[1]);
        const std::u32string codePoints = wingcall::testing::CodePointsOf(row[1]);
        const std::wstring text(codePoints.begin(), codePoints.end());
        EXPECT_EQ(WideToAnsi(text), row[2]);
        EXPECT_EQ(WideToAnsiWithCharacterReferences(text), row[3]);
        if (row[0] == "byte") {
            EXPECT_EQ(AnsiToWide(row[2]), text);
        }
    }
}
#endif

}  // namespace
