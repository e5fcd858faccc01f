// Writes a profile whose new command blocks come before the body of an existing profile.
#include "profile/merged_profile_writer.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "profile/profile_document.h"
#include "settings/atomic_file.h"
#include "settings/wide_path.h"
#include "settings/wingcall_error.h"

namespace wingcall {
namespace {

// The source lines that would repeat the new header, in lower case (the comparison folds the
// line to lower case). The list opening is matched without its indent so that a list line
// indented any way matches too.
constexpr std::array<std::string_view, 3> kHeaderLineTexts = {
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>", "<voxtrel-config>", "<command-list>"};

constexpr char FoldAsciiCase(char character) {
    return (character >= 'A' && character <= 'Z') ? static_cast<char>(character + ('a' - 'A'))
                                                  : character;
}

// Whether `text` contains `lowerCaseNeedle`, ignoring the case of ASCII letters.
bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view lowerCaseNeedle) {
    if (lowerCaseNeedle.size() > text.size()) {
        return false;
    }
    // Every header text starts with "<", which has no case: jump from one "<" to the next
    // instead of trying every position of a long line.
    const char first = lowerCaseNeedle.front();
    const bool firstHasCase = first >= 'a' && first <= 'z';
    for (std::size_t start = 0; start + lowerCaseNeedle.size() <= text.size(); ++start) {
        if (!firstHasCase) {
            start = text.find(first, start);
            if (start == std::string_view::npos || start + lowerCaseNeedle.size() > text.size()) {
                return false;
            }
        }
        std::size_t offset = 0;
        while (offset < lowerCaseNeedle.size() &&
               FoldAsciiCase(text[start + offset]) == lowerCaseNeedle[offset]) {
            ++offset;
        }
        if (offset == lowerCaseNeedle.size()) {
            return true;
        }
    }
    return false;
}

[[noreturn]] void ThrowReadFailure(const std::filesystem::path& source, const std::string& reason) {
    throw WingcallError(ErrorNumber::FileAccess,
                        "Could not read \"" + Utf8FromPath(source) + "\": " + reason + ".");
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole content of the source profile, as bytes in the ANSI code page.
std::string ReadWholeSource(const std::filesystem::path& source) {
    std::error_code statusError;
    const auto status = std::filesystem::status(source, statusError);
    if (std::filesystem::is_directory(status)) {
        ThrowReadFailure(source, "it is a folder");
    }
    errno = 0;
#ifdef _WIN32
    std::unique_ptr<std::FILE, FileCloser> file(_wfopen(source.c_str(), L"rb"));
#else
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(source.c_str(), "rb"));
#endif
    if (!file) {
        ThrowReadFailure(source, errno != 0 ? std::strerror(errno) : "it cannot be opened");
    }
    std::string bytes;
    std::error_code sizeError;
    const auto expectedSize = std::filesystem::file_size(source, sizeError);
    if (!sizeError) {
        bytes.reserve(static_cast<std::size_t>(expectedSize));
    }
    std::array<char, 65536> chunk;
    errno = 0;
    for (;;) {
        const std::size_t count = std::fread(chunk.data(), 1, chunk.size(), file.get());
        bytes.append(chunk.data(), count);
        if (count < chunk.size()) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        ThrowReadFailure(source, errno != 0 ? std::strerror(errno) : "a read failed");
    }
    return bytes;
}

}  // namespace

bool IsSourceHeaderLine(std::string_view line) {
    for (std::string_view headerText : kHeaderLineTexts) {
        if (ContainsIgnoringAsciiCase(line, headerText)) {
            return true;
        }
    }
    return false;
}

std::string MergedProfileDocument(const CommandTables& tables, std::string_view sourceBytes) {
    std::string newPart;
    AppendLine(newPart, ProfileHeaderText());
    AppendCommandBlocks(newPart, tables, CommandNameSpaces::AsStored);

    // Sized exactly before the body goes in, so that the source and the document are all the
    // memory a large merge holds: no table of lines, no spare capacity from growing.
    std::size_t bodySize = 0;
    ForEachSourceLine(sourceBytes, [&](std::string_view line) {
        if (!IsSourceHeaderLine(line)) {
            bodySize += line.size() + kLineEnd.size();
        }
    });
    std::string document;
    document.reserve(newPart.size() + bodySize);
    document += newPart;
    newPart = std::string();
    ForEachSourceLine(sourceBytes, [&](std::string_view line) {
        if (!IsSourceHeaderLine(line)) {
            AppendLine(document, line);
        }
    });
    return document;
}

void WriteMergedProfile(const std::filesystem::path& outputPath,
                        const std::filesystem::path& AppendSourcePath,
                        const CommandTables& tables) {
    // The source is read whole before the output is touched, so that a source which is also the
    // output keeps its body, and a source that cannot be read leaves the output as it was.
    const std::string sourceBytes = ReadWholeSource(AppendSourcePath);
    ReplaceFileContents(outputPath, MergedProfileDocument(tables, sourceBytes));
}

}  // namespace wingcall
