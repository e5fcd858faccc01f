// Locale-independent conversion between wide text and file paths.
#include "settings/wide_path.h"

namespace wingcall {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::u8string& out, char32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        codePoint = kReplacementCharacter;
    }
    if (codePoint < 0x80) {
        out.push_back(static_cast<char8_t>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char8_t>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char8_t>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char8_t>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char8_t>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char8_t>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char8_t>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char8_t>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char8_t>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char8_t>(0x80 | (codePoint & 0x3F)));
    }
}

// Reads one code point of wide text: UTF-16 on Windows, UTF-32 elsewhere.
char32_t NextWideCodePoint(std::wstring_view text, std::size_t& index) {
    char32_t unit = static_cast<char32_t>(text[index++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (unit >= 0xD800 && unit <= 0xDBFF && index < text.size()) {
            const char32_t low = static_cast<char32_t>(text[index]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++index;
                return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    return unit;
}

std::u8string EncodeUtf8(std::wstring_view text) {
    std::u8string utf8;
    utf8.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        AppendUtf8(utf8, NextWideCodePoint(text, i));
    }
    return utf8;
}

}  // namespace

std::string Utf8FromWide(std::wstring_view text) {
    const std::u8string utf8 = EncodeUtf8(text);
    return std::string(utf8.begin(), utf8.end());
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

#ifdef _WIN32

std::filesystem::path PathFromWide(std::wstring_view text) {
    return std::filesystem::path(std::wstring(text));
}

std::wstring WideFromPath(const std::filesystem::path& path) {
    return path.wstring();
}

#else

namespace {

// Decodes one UTF-8 sequence at `index`; a malformed one yields U+FFFD and consumes one byte.
char32_t NextCodePoint(std::string_view bytes, std::size_t& index) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const unsigned char lead = byte(index);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || index + length > bytes.size()) {
        ++index;
        return kReplacementCharacter;
    }
    char32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(index + i) & 0xC0) != 0x80) {
            ++index;
            return kReplacementCharacter;
        }
        codePoint = (codePoint << 6) | (byte(index + i) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kSmallest[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        ++index;
        return kReplacementCharacter;
    }
    index += length;
    return codePoint;
}

}  // namespace

std::filesystem::path PathFromWide(std::wstring_view text) {
    return std::filesystem::path(EncodeUtf8(text));
}

std::wstring WideFromPath(const std::filesystem::path& path) {
    const std::string& bytes = path.native();
    std::wstring text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        text.push_back(static_cast<wchar_t>(NextCodePoint(bytes, i)));
    }
    return text;
}

#endif

}  // namespace wingcall
