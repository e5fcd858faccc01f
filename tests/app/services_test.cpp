// The services under the windows: the real Qt message boxes and file dialogs, driven from a timer
// while they wait for the user; stored filters, folders and buttons; files; starting programs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#endif

#include "app/joystick_button_setting.h"
#include "app/services/file_dialogs.h"
#include "app/services/qt_file_dialogs.h"
#include "app/services/qt_host_files.h"
#include "app/services/qt_message_boxes.h"
#include "app/services/qt_program_starter.h"
#include "app/termination_signals.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace wingcall::app {
namespace {

// Runs `act` on the modal widget of type T as soon as it is up, and again at every tick while that
// same widget stays open (an act that came too early for the widget, on a busy machine, then gets
// another chance instead of leaving the test waiting for ever). The polling timer belongs to the
// application and discards itself once the widget has gone; it never touches a later one.
template <typename T>
void WhenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer(qApp);
    auto target = std::make_shared<std::optional<QPointer<T>>>();  // set once the widget is up
    QObject::connect(timer, &QTimer::timeout, timer, [timer, target, act = std::move(act)] {
        if (!*target) {
            if (!qobject_cast<T*>(QApplication::activeModalWidget())) {
                return;
            }
            *target = qobject_cast<T*>(QApplication::activeModalWidget());
        }
        if (T* const modal = **target; modal && modal->isVisible()) {
            act(modal);
        } else {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// A shown window, and another one that has just taken the keys from it.
struct WindowAndOther {
    QWidget window;
    QWidget other;
    WindowAndOther() {
        window.show();
        window.activateWindow();
        other.show();
        other.activateWindow();
        QCoreApplication::processEvents();
    }
};

TEST(QtMessageBoxesTest, NoIconDefaultTitleAndYesAsTheDefaultButton) {
    QtMessageBoxes boxes;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Information;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        icon = box->icon();
        box->defaultButton()->click();
    });
    EXPECT_EQ(boxes.show(nullptr, QStringLiteral("Start?"), MessageButtons::YesNo), kAnswerYes);
    EXPECT_EQ(title, QStringLiteral("Wingcall"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);

    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_EQ(boxes.show(nullptr, QStringLiteral("Start?"), MessageButtons::YesNo,
                         QStringLiteral("Start Voxtrel ?")),
              kAnswerNo);
    // A question whose Yes may cost the pilot something has No as its default button.
    WhenShown<QMessageBox>([](QMessageBox* box) { box->defaultButton()->click(); });
    EXPECT_EQ(boxes.show(nullptr, QStringLiteral("Again?"), MessageButtons::YesNoDefaultNo),
              kAnswerNo);

    // A closed box gives the keystrokes back to its window, so Tab and the access keys work at
    // once, also on a display without a window manager.
    WindowAndOther windows;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(boxes.show(&windows.window, QStringLiteral("x"), MessageButtons::Ok,
                         QStringLiteral("Error !!!")),
              kAnswerOk);
    EXPECT_EQ(title, QStringLiteral("Error !!!"));
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &windows.window);
}

// The open dialogs hand back whatever name the user gives, present or not: the caller reports a
// file it cannot use, in its own words. The save dialog asks before overwriting.
TEST(QtFileDialogsTest, DialogsShowTheStoredSettingsAndGiveTheFullPathOfAnyName) {
    wingcall::testing::TempFolder folder;
    const QString folderPath = QString::fromStdString(folder.path().string());
    QString initialFolder;
    QStringList filters;
    bool showsLabelsOnly = false;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        initialFolder = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        showsLabelsOnly = dialog->testOption(QFileDialog::HideNameFilterDetails);
        // A name box that has the focus keeps what it holds, so it gives the focus up first.
        if (QWidget* focused = dialog->focusWidget()) {
            focused->clearFocus();
        }
        dialog->selectFile(QStringLiteral("missing.xml"));
        static_cast<QDialog*>(dialog)->accept();
    });
    QtFileDialogs dialogs;
    FileDialogSettings settings;
    settings.filter = QStringLiteral("VoxtrelProfiles|*.xml");
    settings.initialFolder = folderPath + QString(10, QChar(u'\0'));
    const FileDialogResult chosen = dialogs.showOpen(nullptr, settings);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, QDir::toNativeSeparators(folderPath + QStringLiteral("/missing.xml")));
    EXPECT_EQ(initialFolder, QDir::fromNativeSeparators(folderPath));
    EXPECT_EQ(filters, QStringList{QStringLiteral("VoxtrelProfiles (*.xml)")});
    EXPECT_TRUE(showsLabelsOnly) << "the file-type list shows \"VoxtrelProfiles\" alone";

    QString title;
    QString typedName;
    bool confirmsOverwrite = false;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        typedName = dialog->selectedFiles().value(0);
        dialog->reject();
    });
    settings = {QStringLiteral("Save Wingcall Profile"),
                QStringLiteral("Wingcall"),
                QStringLiteral("Voxtrel Profile|*.xml"),
                QString(),
                true,
                QString()};
    // Like a closed box, a closed dialog gives the keystrokes back to its window.
    WindowAndOther windows;
    EXPECT_FALSE(dialogs.showSave(&windows.window, settings)) << "a cancel gives no path";
    EXPECT_EQ(title, QStringLiteral("Save Wingcall Profile"));
    EXPECT_TRUE(confirmsOverwrite);
    EXPECT_TRUE(typedName.endsWith(QStringLiteral("/Wingcall"))) << typedName.toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &windows.window);
}

// tests/data/app_save_names.txt through the real save dialog: the name typed gets the default
// suffix when it has no extension, and the overwrite question names the file really written.
TEST(QtFileDialogsTest, TheSaveDialogAddsTheSuffixBeforeItAsksAboutOverwriting) {
    wingcall::testing::TempFolder folder;
    const QString folderPath = QString::fromStdString(folder.path().string());
    QtFileDialogs dialogs;
    for (const std::vector<std::string>& row :
         wingcall::testing::ReadDataTable("app_save_names.txt")) {
        ASSERT_EQ(row.size(), 2u) << row[0];
        SCOPED_TRACE(row[0]);
        const QString written = QString::fromStdString(row[1]);
        wingcall::testing::WriteBytes(folder / row[1], "an earlier profile");
        QString question;
        bool accepted = false;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            // Accepted once: the overwrite question then keeps the dialog open.
            if (!std::exchange(accepted, true)) {
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        const FileDialogResult chosen = dialogs.showSave(
            nullptr,
            {QStringLiteral("Save Wingcall Profile"), QString::fromStdString(row[0]),
             QStringLiteral("Voxtrel Profile|*.xml"), folderPath, true, QStringLiteral("xml")});
        ASSERT_TRUE(chosen);
        EXPECT_EQ(*chosen, QDir::toNativeSeparators(folderPath + u'/' + written));
        EXPECT_TRUE(question.contains(written)) << question.toStdString();
        std::filesystem::remove(folder / row[1]);
    }
}

// A single filter pair and a folder padded with NULs are QtFileDialogsTest's cases, through the
// real dialog; these are the rest.
TEST(FileDialogSettingsTest, StoredFiltersAndFoldersBecomeQtOnes) {
    EXPECT_EQ(QtNameFilter(QStringLiteral("A|*.a|B|*.b")), QStringLiteral("A (*.a);;B (*.b)"));
    EXPECT_TRUE(QtNameFilter(QString()).isEmpty());
    // Only the text before the first NUL of the stored folder is the initial folder.
    EXPECT_TRUE(EffectiveInitialFolder(QString(255, QChar(u'\0'))).isEmpty());
}

// tests/data/app_joystick_buttons.txt: each stored spelling and the entry it selects.
TEST(JoystickButtonSettingTest, StoredValuesSelectTheirEntry) {
    for (const std::vector<std::string>& row :
         wingcall::testing::ReadDataTable("app_joystick_buttons.txt")) {
        ASSERT_EQ(row.size(), 2u) << row[0];
        EXPECT_EQ(JoystickEntryForStoredButton(QString::fromStdString(row[0])),
                  QString::fromStdString(row[1]))
            << "stored \"" << row[0] << "\"";
    }
}

// A present file, a folder and no file at all are the start-up tests' cases; a hidden file is this
// test's own.
TEST(HostFilesTest, AHiddenFileIsNoOrdinaryFile) {
    wingcall::testing::TempFolder folder;
    const QtHostFiles files;
#ifdef _WIN32
    // Windows hides a file by its attribute. (Wine hides a leading dot's file as well, Windows
    // does not: no expectation either way for a leading dot.)
    wingcall::testing::WriteBytes(folder / "hidden.ini", "");
    ASSERT_TRUE(SetFileAttributesW((folder / "hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(files.isOrdinaryFile(QString::fromStdString((folder / "hidden.ini").string())));
#else
    wingcall::testing::WriteBytes(folder / ".hidden.ini", "");
    EXPECT_FALSE(files.isOrdinaryFile(QString::fromStdString((folder / ".hidden.ini").string())));
#endif
}

TEST(ProgramStarterTest, TheArgumentArrivesWholeWithoutAShellAndAFailureIsSaidInPlainWords) {
    QtProgramStarter starter;
    const StartResult missing = starter.start(QStringLiteral("/no/such/voxtrel.exe"), {});
    EXPECT_FALSE(missing.started);
    EXPECT_TRUE(missing.reason.contains(QStringLiteral("/no/such/voxtrel.exe")));

    // Files the system will not run are told apart in plain words, not the process layer's
    // texts ("execv: Exec format error").
    wingcall::testing::TempFolder folder;
    struct Refused {
        const char* name;
        const char* bytes;
        std::filesystem::perms permissions;
        const char* reason;
    };
    constexpr auto kRunnable = std::filesystem::perms::owner_all;
    for (const Refused& refused : {
             Refused{"notes.exe", "just text", kRunnable, "is not a program this system can run."},
#ifndef _WIN32
             Refused{"locked.exe", "#!/bin/sh\n", std::filesystem::perms::owner_read,
                     "the system does not allow Wingcall to run"},
#endif
         }) {
        const auto path = folder.path() / refused.name;
        wingcall::testing::WriteBytes(path, refused.bytes);
        std::filesystem::permissions(path, refused.permissions);
        const StartResult result = starter.start(QString::fromStdString(path.string()), {});
        EXPECT_FALSE(result.started);
        EXPECT_TRUE(result.reason.contains(QString::fromUtf8(refused.reason)) &&
                    result.reason.contains(QString::fromStdString(path.string())))
            << result.reason.toStdString();
    }

    // A program that writes its arguments to a file; the argument holds blanks, quotes, a
    // backslash before a quote and a semicolon, which a shell, or a Windows command line built
    // carelessly, would split, unquote or run.
    const auto recorder =
        folder.path() / std::filesystem::path(WINGCALL_ARGUMENT_RECORDER).filename();
    std::filesystem::copy_file(WINGCALL_ARGUMENT_RECORDER, recorder);
    const QString argument = QStringLiteral("C:\\p\\my \"best\\\" profile; rm -rf x.xml");
    const StartResult result = starter.start(QString::fromStdString(recorder.string()), {argument});
    ASSERT_TRUE(result.started) << result.reason.toStdString();
    auto output = recorder;
    output += ".out";
    for (int waited = 0; waited < 5000 && !(std::filesystem::exists(output) &&
                                            std::filesystem::file_size(output) > 0);
         waited += 50) {
        QTest::qWait(50);
    }
    EXPECT_EQ(wingcall::testing::ReadBytes(output), "1|" + argument.toStdString());
}

#ifdef __linux__
// The descriptors open now; the one that lists them is closed again before this returns.
std::set<int> OpenDescriptors() {
    std::set<int> listed;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        listed.insert(std::stoi(entry.path().filename().string()));
    }
    std::erase_if(listed, [](int descriptor) { return ::fcntl(descriptor, F_GETFD) < 0; });
    return listed;
}

// The signal sockets live as long as the program, so a started Voxtrel would inherit them unless
// they close on exec.
TEST(TerminationSignalsTest, ItsSocketsAreNotInheritedByAStartedProgram) {
    const std::set<int> before = OpenDescriptors();
    const TerminationSignals handlers([] {});
    int opened = 0;
    for (int descriptor : OpenDescriptors()) {
        if (!before.contains(descriptor)) {
            ++opened;
            EXPECT_TRUE(::fcntl(descriptor, F_GETFD) & FD_CLOEXEC) << "descriptor " << descriptor;
        }
    }
    EXPECT_EQ(opened, 2);
}
#endif

}  // namespace
}  // namespace wingcall::app
