// Writes a profile whose new command blocks come before the body of an existing profile.
#include "profile/merged_profile_writer.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "profile/profile_document.h"
#include "settings/atomic_file.h"
#include "settings/wide_path.h"
#include "settings/wingcall_error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    throw MergeSourceRefused(ErrorNumber::FileAccess,
                             "Could not read \"" + Utf8FromPath(source) + "\": " + reason + ".");
}

// A source Wingcall will not add to: the profile it would give is not one Voxtrel can load.
// `reason` is one or more whole sentences.
[[noreturn]] void ThrowUnmergeableSource(const std::filesystem::path& source,
                                         const std::string& reason) {
    throw MergeSourceRefused(ErrorNumber::InvalidArgument,
                             "Could not add to \"" + Utf8FromPath(source) + "\": " + reason);
}

std::string SourceTooLargeReason() {
    return "it is larger than " + std::to_string(kMaximumMergeSourceBytes / (1024 * 1024)) +
           " MB, far more than a Voxtrel profile holds, so it is not one.";
}

#ifdef _WIN32

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};

std::string WindowsErrorText(DWORD error) {
    return std::error_code(static_cast<int>(error), std::system_category()).message();
}

// The whole content of the source profile, as bytes in the ANSI code page.
std::string ReadWholeSource(const std::filesystem::path& source) {
    std::error_code statusError;
    if (std::filesystem::is_directory(std::filesystem::status(source, statusError))) {
        ThrowReadFailure(source, "it is a folder");
    }
    // Other programs may keep the profile open, even for writing, while it is read.
    const HANDLE opened = ::CreateFileW(source.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        ThrowReadFailure(source, WindowsErrorText(::GetLastError()));
    }
    const std::unique_ptr<void, HandleCloser> file(opened);
    // A pipe, a console or a device such as NUL is no file on disk: reading it could block or
    // never end.
    if (::GetFileType(opened) != FILE_TYPE_DISK) {
        ThrowUnmergeableSource(source, "it is not an ordinary file but a device or a pipe.");
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(opened, &size)) {
        ThrowReadFailure(source, WindowsErrorText(::GetLastError()));
    }
    if (static_cast<unsigned long long>(size.QuadPart) > kMaximumMergeSourceBytes) {
        ThrowUnmergeableSource(source, SourceTooLargeReason());
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    std::array<char, 65536> chunk;
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(opened, chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr)) {
            ThrowReadFailure(source, WindowsErrorText(::GetLastError()));
        }
        if (count == 0) {
            return bytes;
        }
        // A file that grows while it is read is held to the same cap.
        if (bytes.size() + count > kMaximumMergeSourceBytes) {
            ThrowUnmergeableSource(source, SourceTooLargeReason());
        }
        bytes.append(chunk.data(), count);
    }
}

#else

class SourceDescriptor {
  public:
    explicit SourceDescriptor(int descriptor) : descriptor_(descriptor) {}
    SourceDescriptor(const SourceDescriptor&) = delete;
    SourceDescriptor& operator=(const SourceDescriptor&) = delete;
    ~SourceDescriptor() { ::close(descriptor_); }
    int get() const { return descriptor_; }

  private:
    int descriptor_;
};

// The whole content of the source profile, as bytes in the ANSI code page.
std::string ReadWholeSource(const std::filesystem::path& source) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, for ever. The
    // file type is then checked on the open descriptor, so a file swapped in between is seen.
    int opened;
    do {
        opened = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0) {
        ThrowReadFailure(source, std::strerror(errno));
    }
    const SourceDescriptor file(opened);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        ThrowReadFailure(source, std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        ThrowReadFailure(source, "it is a folder");
    }
    // A FIFO, a socket or a device such as /dev/zero is no profile: reading it could block or
    // never end.
    if (!S_ISREG(status.st_mode)) {
        ThrowUnmergeableSource(source,
                               "it is not an ordinary file but a device, a pipe or a socket.");
    }
    if (static_cast<unsigned long long>(status.st_size) > kMaximumMergeSourceBytes) {
        ThrowUnmergeableSource(source, SourceTooLargeReason());
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    std::array<char, 65536> chunk;
    for (;;) {
        const ssize_t count = ::read(file.get(), chunk.data(), chunk.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowReadFailure(source, std::strerror(errno));
        }
        if (count == 0) {
            return bytes;
        }
        // A file that grows while it is read is held to the same cap.
        if (bytes.size() + static_cast<std::size_t>(count) > kMaximumMergeSourceBytes) {
            ThrowUnmergeableSource(source, SourceTooLargeReason());
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(count));
    }
}

#endif

// What the merge carries over from a source, found in one pass: the size of the body, and what
// tells whether the merged document can be a profile at all.
struct CarriedOverLines {
    std::size_t bodySize = 0;
    bool holdsClosingRoot = false;
    std::size_t firstDeclarationLine = 0;  // 1-based line of the source; 0 for none
};

// Whether `line` holds an XML declaration ("<?xml" followed by a blank or "?"), in any case: the
// declaration may only begin a document, and a processing instruction named "xml" in any case is
// reserved for it. Other processing instructions ("<?xml-stylesheet") are left alone.
bool HoldsXmlDeclaration(std::string_view line) {
    constexpr std::string_view kOpening = "<?xml";
    for (std::size_t at = line.find("<?"); at != std::string_view::npos;
         at = line.find("<?", at + 2)) {
        if (!ContainsIgnoringAsciiCase(line.substr(at, kOpening.size()), kOpening)) {
            continue;
        }
        const std::size_t after = at + kOpening.size();
        if (after == line.size() || line[after] == ' ' || line[after] == '\t' ||
            line[after] == '?') {
            return true;
        }
    }
    return false;
}

CarriedOverLines ScanCarriedOverLines(std::string_view sourceBytes) {
    CarriedOverLines carried;
    std::size_t lineNumber = 0;
    ForEachSourceLine(sourceBytes, [&](std::string_view line) {
        ++lineNumber;
        if (IsSourceHeaderLine(line)) {
            return;
        }
        carried.bodySize += line.size() + kLineEnd.size();
        if (!carried.holdsClosingRoot && line.find("</voxtrel-config>") != std::string_view::npos) {
            carried.holdsClosingRoot = true;
        }
        if (carried.firstDeclarationLine == 0 && HoldsXmlDeclaration(line)) {
            carried.firstDeclarationLine = lineNumber;
        }
    });
    return carried;
}

// Refuses a source whose carried-over lines would not make a profile: without a closing root line
// the document never ends (an empty source, a profile on one line whose only line is dropped as a
// header line, a file that is no profile), and a declaration would stand after the new header.
void CheckCarriedOverLines(const std::filesystem::path& source, const CarriedOverLines& carried) {
    if (carried.firstDeclarationLine != 0) {
        ThrowUnmergeableSource(
            source, "its line " + std::to_string(carried.firstDeclarationLine) +
                        " holds an XML declaration (\"<?xml\") other than the one Wingcall writes, "
                        "which would stand after the new header and make the profile unreadable. "
                        "Choose a profile that Wingcall wrote.");
    }
    if (!carried.holdsClosingRoot) {
        ThrowUnmergeableSource(
            source,
            "no line of it after the header lines holds \"</voxtrel-config>\", so the profile "
            "would have no end. The file is empty, is not a Voxtrel profile, or holds the whole "
            "profile on one line. Choose a profile that Wingcall wrote.");
    }
}

std::string AssembleMergedDocument(const CommandTables& tables, std::string_view sourceBytes,
                                   std::size_t bodySize) {
    std::string newPart;
    AppendLine(newPart, ProfileHeaderText());
    AppendCommandBlocks(newPart, tables, CommandNameSpaces::AsStored);

    // Sized exactly before the body goes in, so that the source and the document are all the
    // memory a large merge holds: no table of lines, no spare capacity from growing.
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
    return AssembleMergedDocument(tables, sourceBytes, ScanCarriedOverLines(sourceBytes).bodySize);
}

void WriteMergedProfile(const std::filesystem::path& outputPath,
                        const std::filesystem::path& AppendSourcePath,
                        const CommandTables& tables) {
    // The source is read and checked whole before the output is touched, so that a source which
    // is also the output keeps its body, and a source that cannot be read or would not give a
    // profile leaves the output as it was.
    const std::string sourceBytes = ReadWholeSource(AppendSourcePath);
    const CarriedOverLines carried = ScanCarriedOverLines(sourceBytes);
    CheckCarriedOverLines(AppendSourcePath, carried);
    ReplaceFileContents(outputPath, AssembleMergedDocument(tables, sourceBytes, carried.bodySize));
}

}  // namespace wingcall
