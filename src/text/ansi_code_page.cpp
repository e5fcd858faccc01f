// Windows-1252 conversion off Windows; the system's ANSI code page on Windows.
#include "text/ansi_code_page.h"

#include <array>
#include <cstdint>

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
    // ASCII is the same bytes in every ANSI code page. Only single-byte results count as
    // representable here; the declaration of every profile is ISO-8859-1, so multi-byte code
    // pages fall back to character references.
    if (codePoint < 0x80) {
        return static_cast<int>(codePoint);
    }
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
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const int byte = AnsiByteFor(NextWideCodePoint(text, i));
        bytes.push_back(byte < 0 ? kReplacement : static_cast<char>(byte));
    }
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
    // One character per byte, as Windows-1252 has it.
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        text.push_back(static_cast<wchar_t>(Windows1252CodePoint(static_cast<unsigned char>(c))));
    }
    return text;
#endif
}

}  // namespace wingcall
