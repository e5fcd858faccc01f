// Starts the program: Qt application, the real host services, the main window and its start-up.
#include "app/wingcall_application.h"

#include <QApplication>
#include <QTimer>

#include <csignal>

#include "app/main_window.h"
#include "app/services/qt_file_dialogs.h"
#include "app/services/qt_host_files.h"
#include "app/services/qt_message_boxes.h"
#include "app/services/qt_program_starter.h"
#include "app/services/qt_url_opener.h"
#include "app/termination_signals.h"
#include "app/wingcall_state.h"

namespace wingcall::app {

int RunWingcall(int argc, char* argv[]) {
#ifdef SIGXFSZ
    // A write past the file-size limit (a full quota) then fails with an error the user is told
    // about, naming the file, instead of killing the program; the target keeps its content.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wingcall"));
    // The secondary windows hide the main window while they are open, so the program ends only
    // through its own ways out, never because no window happens to be visible.
    QApplication::setQuitOnLastWindowClosed(false);

    QtFileDialogs fileDialogs;
    QtMessageBoxes messageBoxes;
    QtProgramStarter programStarter;
    QtHostFiles hostFiles;
    QtUrlOpener urlOpener;
    AppServices services{fileDialogs, messageBoxes, programStarter, hostFiles, urlOpener};
    WingcallState state;

    Form1 mainWindow(state, services);
    QObject::connect(&mainWindow, &Form1::programEnded, &application,
                     [](int status) { QCoreApplication::exit(status); });

    // A request to terminate (Ctrl+C, or SIGTERM from the session) ends the program as "&Exit",
    // also while start-up is still running.
    const TerminationSignals termination([&mainWindow] { mainWindow.cmdExit_Click(); });
    mainWindow.Form_Load();
    if (const auto status = mainWindow.endedWithStatus()) {
        return *status;
    }
    mainWindow.show();
    // The program's window takes the keystrokes from the start, focus in the callsign box.
    mainWindow.activateWindow();
    // What the template check found comes over the window, once it is there to come back to.
    QTimer::singleShot(0, &mainWindow, [&mainWindow] { mainWindow.TellTemplateFindings(); });
    return application.exec();
}

}  // namespace wingcall::app
