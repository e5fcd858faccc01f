// UTF-8 decoding and encoding shared by the Unicode settings files, file names and messages:
// every malformed sequence costs one byte and one U+FFFD, and nothing else is lost.
#include "settings/utf8_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wingcall {
namespace {

std::u32string Decode(std::string_view bytes) {
    std::u32string codePoints;
    for (std::size_t i = 0; i < bytes.size();) {
        codePoints.push_back(NextUtf8CodePoint(bytes, i));
    }
    return codePoints;
}

TEST(Utf8Text, DecodesWellFormedTextAndReplacesEachBadByte) {
    const struct {
        const char* what;
        std::string bytes;
        std::u32string expected;
    } cases[] = {
        {"ASCII and NUL", std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
        {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         U"\u00E9\u20AC\U0001F600"},
        {"overlong two bytes", "\xC0\xAF", U"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\xAFx", U"\uFFFD\uFFFD\uFFFDx"},
        {"a surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"cut off at the end", "a\xE2\x82", U"a\uFFFD\uFFFD"},
        {"a lone continuation byte", "\x80z", U"\uFFFDz"},
        {"a lead byte without continuation", "\xC3(", U"\uFFFD("},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Decode(row.bytes), row.expected);
    }
}

TEST(Utf8Text, EncodesEveryScalarValueAndReplacesTheRest) {
    for (char32_t codePoint :
         {U'\0', U'\x7F', U'\x80', U'\x7FF', U'\x800', U'\xFFFF', U'\x10000', U'\x10FFFF'}) {
        std::string bytes;
        AppendUtf8(bytes, codePoint);
        std::size_t index = 0;
        EXPECT_EQ(NextUtf8CodePoint(bytes, index), codePoint);
        EXPECT_EQ(index, bytes.size());
    }
    for (char32_t noCharacter : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}}) {
        std::string bytes;
        AppendUtf8(bytes, noCharacter);
        EXPECT_EQ(bytes, "\xEF\xBF\xBD");
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
