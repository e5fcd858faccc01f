// Starts a detached process; the started program outlives Wingcall, which does not wait for it.
#include "app/services/qt_program_starter.h"

#include <QFileInfo>
#include <QProcess>

namespace wingcall::app {

StartResult QtProgramStarter::start(const QString& executable, const QStringList& arguments) {
    const QFileInfo program(executable);
    if (!program.exists()) {
        return {false, QStringLiteral("the file \"%1\" does not exist.").arg(executable)};
    }
    if (!program.isFile()) {
        return {false, QStringLiteral("\"%1\" is not a program file.").arg(executable)};
    }
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setWorkingDirectory(program.absolutePath());
    if (!process.startDetached()) {
        return {false, process.errorString()};
    }
    return {true, QString()};
}

}  // namespace wingcall::app
