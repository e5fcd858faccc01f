// The stored form of Voxtrel's paths in Wingcall.ini, and the paths they name again.
#include "app/stored_path.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "app/text_conversion.h"
#include "settings/settings_file.h"
#include "text/ansi_code_page.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace wingcall::app {
namespace {

// Why a stored text would not come back as it went in: the routines cut a value to 254
// characters, cannot hold a line, and take blanks, Ctrl-Z characters and one pair of quotation
// marks off its ends.
QString ProblemOfStoredText(const std::string& bytes) {
    if (bytes.size() > kSettingsBufferSize - 1) {
        return QStringLiteral("It is too long: Wingcall.ini keeps at most %1 characters of it.")
            .arg(kSettingsBufferSize - 1);
    }
    if (bytes.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return QStringLiteral("It holds a line break, which Wingcall.ini cannot keep.");
    }
    // A Ctrl-Z (the old end-of-file mark) at either end is taken off like a blank.
    if (!bytes.empty() && (bytes.front() == '\x1A' || bytes.back() == '\x1A')) {
        return QStringLiteral(
            "It begins or ends with a Ctrl-Z character, which Wingcall.ini does not keep.");
    }
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    if (!bytes.empty() && (isBlank(bytes.front()) || isBlank(bytes.back()))) {
        return QStringLiteral("It begins or ends with a blank, which Wingcall.ini does not keep.");
    }
    if (bytes.size() >= 2 && (bytes.front() == '"' || bytes.front() == '\'') &&
        bytes.back() == bytes.front()) {
        return QStringLiteral(
            "It begins and ends with a quotation mark, which Wingcall.ini does not keep.");
    }
    return QString();
}

#ifdef _WIN32
// The short form of an existing path, or the empty text when the volume keeps no short names.
QString ShortPathOf(const QString& path) {
    const std::wstring wide = ToWide(path);
    const DWORD length = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (length == 0) {
        return QString();
    }
    std::wstring shortPath(length, L'\0');
    const DWORD written = ::GetShortPathNameW(wide.c_str(), shortPath.data(), length);
    if (written == 0 || written >= length) {
        return QString();
    }
    shortPath.resize(written);
    return FromWide(shortPath);
}
#endif

}  // namespace

StorablePath StorablePathFor(const QString& existingPath, const QString& suffix) {
#ifdef _WIN32
    QString text = existingPath + suffix;
    if (AnsiToWide(WideToAnsi(ToWide(text))) != ToWide(text)) {
        const QString shortPath = ShortPathOf(existingPath);
        if (shortPath.isEmpty() || AnsiToWide(WideToAnsi(ToWide(shortPath))) != ToWide(shortPath)) {
            return {QString(), QStringLiteral("Its name holds characters that the system's code "
                                              "page lacks, and the drive keeps no short name "
                                              "for it that would do instead.")};
        }
        text = shortPath + suffix;
    }
    return {text, ProblemOfStoredText(WideToAnsi(ToWide(text)))};
#else
    // A name whose bytes are not UTF-8 reaches Wingcall with U+FFFD in their place, and the text
    // stored for it would name another file (most likely none at all).
    if (existingPath.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(existingPath)) {
        return {QString(), QStringLiteral("Its name is not valid UTF-8 text, so Wingcall.ini "
                                          "cannot keep it in a form that names this file.")};
    }
    const QByteArray name = QFile::encodeName(existingPath + suffix);
    const std::string bytes(name.constData(), static_cast<std::size_t>(name.size()));
    return {FromWide(AnsiToWide(bytes)), ProblemOfStoredText(bytes)};
#endif
}

QString PathFromStoredText(const QString& stored) {
#ifdef _WIN32
    return stored;
#else
    const std::string bytes = WideToAnsi(ToWide(stored));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // File names are UTF-8 here, as QFile::encodeName made them. Text that is not UTF-8 was
    // stored in the code page by an earlier version, and reads as before.
    QString decoded =
        utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return utf8.hasError() ? stored : decoded;
#endif
}

}  // namespace wingcall::app
