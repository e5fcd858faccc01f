// Conversions between Qt's texts and the core library's wide texts and file paths.
#pragma once

#include <QFile>
#include <QString>

#include <filesystem>
#include <string>

namespace wingcall::app {

inline std::wstring ToWide(const QString& text) {
    return text.toStdWString();
}

inline QString FromWide(const std::wstring& text) {
    return QString::fromStdWString(text);
}

// A path as the file system names it (the local 8-bit encoding on POSIX, UTF-16 on Windows).
inline std::filesystem::path ToFilesystemPath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

}  // namespace wingcall::app
