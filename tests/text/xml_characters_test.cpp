// The quick test of wide text for characters XML holds, against the rule it stands in for.
#include "text/xml_characters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using wingcall::HoldsOnlyPlainUnits;
using wingcall::IsXmlCharacter;

// Text goes sixteen units at a time with a tail: one unit at each place of texts of every length
// around the block's says yes only when it lies from U+0020 to U+D7FF, and whenever it says yes,
// every unit is a character XML holds.
TEST(XmlCharacters, TheQuickTestFindsAUnitOutsideThePlainRangeAtEveryPlace) {
    const wchar_t units[] = {L'\t',
                             L'\n',
                             0x1F,
                             L' ',
                             L'~',
                             0x7F,
                             0x80,
                             0xFF,
                             0xD7FF,
                             static_cast<wchar_t>(0xD800),
                             static_cast<wchar_t>(0xDFFF),
                             static_cast<wchar_t>(0xFFFE),
                             static_cast<wchar_t>(0xFFFF)};
    EXPECT_TRUE(HoldsOnlyPlainUnits(L""));
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t place = 0; place < length; ++place) {
            for (const wchar_t unit : units) {
                std::wstring text(length, L'x');
                text[place] = unit;
                const auto value = static_cast<std::uint32_t>(unit);
                const bool plain = value >= 0x20 && value < 0xD800;
                SCOPED_TRACE("length " + std::to_string(length) + ", place " +
                             std::to_string(place) + ", unit " + wingcall::CodePointName(value));
                EXPECT_EQ(HoldsOnlyPlainUnits(text), plain);
                if (plain) {
                    EXPECT_TRUE(IsXmlCharacter(value));
                }
            }
        }
    }
}

}  // namespace
