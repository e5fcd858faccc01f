// Starts a detached process; the started program outlives Wingcall, which does not wait for it.
#include "app/services/qt_program_starter.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#endif

namespace wingcall::app {
namespace {

// Whether the file begins with `signature` (a program's first bytes).
bool BeginsWith(const QString& path, const QByteArray& signature) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(signature.size()) == signature;
}

// Why the system would not run `executable`, in plain words, for a start that failed. The
// process layer reports only texts such as "execv: Exec format error", which tell a pilot
// nothing; the reasons a pilot can act on are told apart here.
QString StartFailureReason(const QString& executable, const QString& processError) {
    const QString notRunnable =
        QStringLiteral("\"%1\" is not a program this system can run.").arg(executable);
    const QString notAllowed =
        QStringLiteral("the system does not allow Wingcall to run \"%1\".").arg(executable);
    // The process layer's text holds the system's words for the error, as qt_error_string gives
    // them.
    const auto failedWith = [&](int number) {
        const QString words = qt_error_string(number);
        return !words.isEmpty() && processError.contains(words);
    };
#ifdef _WIN32
    if (failedWith(ERROR_ACCESS_DENIED)) {
        return notAllowed;
    }
    if (failedWith(ERROR_FILE_NOT_FOUND) || failedWith(ERROR_PATH_NOT_FOUND)) {
        return QStringLiteral("the file \"%1\" does not exist.").arg(executable);
    }
    // Every Windows program begins with "MZ"; anything else is a document or a damaged file.
    if (failedWith(ERROR_BAD_EXE_FORMAT) || failedWith(ERROR_EXE_MACHINE_TYPE_MISMATCH) ||
        !BeginsWith(executable, QByteArrayLiteral("MZ"))) {
        return notRunnable;
    }
#else
    if (failedWith(EACCES) || failedWith(EPERM)) {
        return notAllowed;
    }
    // ENOENT for a file that exists: the loader or interpreter it names is missing.
    if (failedWith(ENOEXEC) || failedWith(ENOENT) || failedWith(ELIBBAD) ||
        !(BeginsWith(executable, QByteArrayLiteral("\x7F"
                                                   "ELF")) ||
          BeginsWith(executable, QByteArrayLiteral("#!")))) {
        return notRunnable;
    }
#endif
    return processError;
}

}  // namespace

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
        return {false, StartFailureReason(executable, process.errorString())};
    }
    return {true, QString()};
}

}  // namespace wingcall::app
