// Windows-1252 conversion off Windows; the system's ANSI code page on Windows.
#include "text/ansi_code_page.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "text/ansi_best_fit.h"
#include "text/utf8_text.h"
#include "text/windows_1252.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace wingcall {
namespace {

constexpr char kReplacement = '?';

bool IsScalarValue(char32_t codePoint) {
    return codePoint <= 0x10FFFF && !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
}

#ifndef _WIN32
// The byte for a code point, or -1 when Windows-1252 has none.
int AnsiByteFor(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<int>(codePoint);
    }
    for (std::size_t i = 0; i < kWindows1252HighControlRange.size(); ++i) {
        if (kWindows1252HighControlRange[i] == codePoint) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}
#else
int AnsiByteFor(char32_t codePoint) {
    // Only single-byte results count as representable here; the declaration of every profile is
    // ISO-8859-1, so multi-byte code pages fall back to character references.
    if (!IsScalarValue(codePoint)) {
        return -1;
    }
    char16_t utf16[2] = {};
    const int unitCount = static_cast<int>(Utf16UnitsOf(codePoint, utf16));
    const wchar_t units[2] = {static_cast<wchar_t>(utf16[0]), static_cast<wchar_t>(utf16[1])};
    char bytes[8];
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units, unitCount, bytes,
                                      sizeof bytes, nullptr, &usedDefault);
    if (written != 1 || usedDefault) {
        return -1;
    }
    return static_cast<unsigned char>(bytes[0]);
}
#endif

}  // namespace

std::string WideToAnsi(std::wstring_view text) {
    // Every character gives at most one byte. The settings routines convert every argument of
    // every call, mostly ASCII, so ASCII is copied without a look at the code page.
    std::string bytes(text.size(), '\0');
    std::uint32_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[i] = static_cast<char>(text[i]);
        seen |= static_cast<std::uint32_t>(text[i]);
    }
    if (seen < 0x80) {
        return bytes;  // all ASCII, as the names of every key and section are
    }
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<std::uint32_t>(text[i]) < 0x80) {
            bytes[length++] = static_cast<char>(text[i++]);
            continue;
        }
        const int byte = AnsiByteFor(NextWideCodePoint(text, i));
        bytes[length++] = byte < 0 ? kReplacement : static_cast<char>(byte);
    }
    bytes.resize(length);
    return bytes;
}

std::string WideToAnsiBestFit(std::wstring_view text) {
#ifdef _WIN32
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
#else
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t codePoint = NextWideCodePoint(text, i);
        int byte = AnsiByteFor(codePoint);
        if (byte < 0) {
            byte = BestFitAnsiByte(codePoint);
        }
        bytes.push_back(byte < 0 ? kReplacement : static_cast<char>(byte));
    }
    return bytes;
#endif
}

std::string WideToAnsiWithCharacterReferences(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t codePoint = NextWideCodePoint(text, i);
        int byte = AnsiByteFor(codePoint);
        if (byte >= 0) {
            bytes.push_back(static_cast<char>(byte));
        } else if (IsScalarValue(codePoint)) {
            bytes += "&#" + std::to_string(static_cast<std::uint32_t>(codePoint)) + ";";
        } else {
            // A lone surrogate or an out-of-range value is no character at all.
            bytes.push_back(kReplacement);
        }
    }
    return bytes;
}

std::wstring AnsiToWide(std::string_view bytes) {
#ifdef _WIN32
    if (bytes.empty()) {
        return {};
    }
    int length =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        length);
    return text;
#else
    // One character per byte. Values are nearly always ASCII: every byte is widened as Latin-1,
    // sixteen at a time through blocks of fixed length that the compiler turns into vector
    // instructions (copied through locals, since the wide text could otherwise overlap the
    // bytes as far as it knows), and only a value with a byte from 0x80 up is gone over again
    // for the range where Windows-1252 departs from Latin-1.
    constexpr std::size_t kBlock = 16;
    std::wstring text(bytes.size(), L'\0');
    unsigned char seen = 0;
    std::size_t i = 0;
    for (; i + kBlock <= bytes.size(); i += kBlock) {
        unsigned char block[kBlock];
        std::memcpy(block, bytes.data() + i, kBlock);
        wchar_t wide[kBlock];
        for (std::size_t j = 0; j < kBlock; ++j) {
            wide[j] = static_cast<wchar_t>(block[j]);
            seen |= block[j];
        }
        std::memcpy(text.data() + i, wide, sizeof wide);
    }
    for (; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = static_cast<wchar_t>(byte);
        seen |= byte;
    }
    if ((seen & 0x80) != 0) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte >= 0x80 && byte <= 0x9F) {
                text[i] = static_cast<wchar_t>(kWindows1252HighControlRange[byte - 0x80]);
            }
        }
    }
    return text;
#endif
}

}  // namespace wingcall
