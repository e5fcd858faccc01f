// Asks Qt for the executable's folder and for what lies at a path.
#include "app/services/qt_host_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace wingcall::app {

QString QtHostFiles::programFolder() const {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

bool QtHostFiles::isOrdinaryFile(const QString& path) const {
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

}  // namespace wingcall::app
