// Conversion between wide text and the ANSI code page (Windows-1252 off Windows).
#include "settings/ansi_code_page.h"

#include <gtest/gtest.h>

#include <string>

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
TEST(AnsiCodePage, IsWindows1252) {
    struct Mapping {
        unsigned char byte;
        wchar_t character;
    };
    const Mapping mappings[] = {
        {0x41, L'A'},      {0x80, L'\u20AC'}, {0x81, L'\u0081'}, {0x8A, L'\u0160'},
        {0x8D, L'\u008D'}, {0x8F, L'\u008F'}, {0x90, L'\u0090'}, {0x92, L'\u2019'},
        {0x9D, L'\u009D'}, {0x9F, L'\u0178'}, {0xA0, L'\u00A0'}, {0xE9, L'\u00E9'},
        {0xFF, L'\u00FF'},
    };
    for (const Mapping& mapping : mappings) {
        SCOPED_TRACE(static_cast<int>(mapping.byte));
        const std::string byte(1, static_cast<char>(mapping.byte));
        EXPECT_EQ(AnsiToWide(byte), std::wstring(1, mapping.character));
        EXPECT_EQ(WideToAnsi(std::wstring(1, mapping.character)), byte);
    }
}

TEST(AnsiCodePage, LackingCharactersBecomeQuestionMarksOrReferences) {
    struct Case {
        std::wstring text;
        std::string plain;
        std::string withReferences;
    };
    const Case cases[] = {
        {L"\u0141ukasz", "?ukasz", "&#321;ukasz"},
        {L"a\U0001F600b", "a?b", "a&#128512;b"},       // beyond the 16-bit range: one character
        {L"\u0080\u009F", "??", "&#128;&#159;"},       // C1 controls Windows-1252 gives other bytes
        {L"\u20AC \u00E9", "\x80 \xE9", "\x80 \xE9"},  // representable: written as bytes
        {L"<a href=\"&amp;\">'x'</a>", "<a href=\"&amp;\">'x'</a>",
         "<a href=\"&amp;\">'x'</a>"},                              // no other escaping
        {std::wstring(1, static_cast<wchar_t>(0xD800)), "?", "?"},  // a lone surrogate
        {std::wstring(1, static_cast<wchar_t>(0x110000)), "?", "?"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.plain);
        EXPECT_EQ(WideToAnsi(row.text), row.plain);
        EXPECT_EQ(WideToAnsiWithCharacterReferences(row.text), row.withReferences);
    }
}
#endif

}  // namespace
