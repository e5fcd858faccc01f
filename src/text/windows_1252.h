// The characters of Windows-1252 at bytes 0x80 to 0x9F, where ISO-8859-1 has control characters:
// the code page of a Western Windows, and an encoding a profile may be declared in.
#pragma once

#include <array>

namespace wingcall {

// Bytes 0x80..0x9F of Windows-1252. The five bytes the code page leaves undefined map to the C1
// control characters of the same value, as Windows reads them, so every byte survives a round
// trip.
inline constexpr std::array<char16_t, 32> kWindows1252HighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The character Windows-1252 has at `byte`.
constexpr char32_t Windows1252CodePoint(unsigned char byte) {
    return (byte >= 0x80 && byte <= 0x9F) ? kWindows1252HighControlRange[byte - 0x80] : byte;
}

}  // namespace wingcall
