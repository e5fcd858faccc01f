// The real Qt dialogs and message boxes, driven from a timer while they wait for the user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <QPointer>

#include <functional>
#include <memory>

#include "app/services/qt_file_dialogs.h"
#include "app/services/qt_message_boxes.h"
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
    timer->setInterval(20);
    auto target = std::make_shared<QPointer<T>>();
    auto seen = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, target, seen, act = std::move(act)] {
        if (!*seen) {
            if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
                *target = modal;
                *seen = true;
            } else {
                return;
            }
        }
        T* const modal = *target;
        if (!modal || !modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        act(modal);
    });
    timer->start();
}

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

    WhenShown<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(
        boxes.show(nullptr, QStringLiteral("x"), MessageButtons::Ok, QStringLiteral("Error !!!")),
        kAnswerOk);
    EXPECT_EQ(title, QStringLiteral("Error !!!"));
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
    settings = {QStringLiteral("Save Wingcall Profile"), QStringLiteral("Wingcall"),
                QStringLiteral("Voxtrel Profile|*.xml"), QString(), true};
    EXPECT_FALSE(dialogs.showSave(nullptr, settings)) << "a cancel gives no path";
    EXPECT_EQ(title, QStringLiteral("Save Wingcall Profile"));
    EXPECT_TRUE(confirmsOverwrite);
    EXPECT_TRUE(typedName.endsWith(QStringLiteral("/Wingcall"))) << typedName.toStdString();
}

// A closed box or dialog gives the keystrokes back to its window, so Tab and the access keys work
// at once, also on a display without a window manager.
TEST(QtServicesFocusTest, TheWindowTakesTheKeysAgainWhenABoxOrDialogCloses) {
    QWidget window;
    window.show();
    window.activateWindow();
    QWidget other;
    other.show();

    QtMessageBoxes boxes;
    other.activateWindow();
    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    boxes.show(&window, QStringLiteral("x"), MessageButtons::Ok);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &window);

    QtFileDialogs dialogs;
    other.activateWindow();
    QCoreApplication::processEvents();
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    dialogs.showSave(&window, FileDialogSettings{});
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &window);
}

}  // namespace
}  // namespace wingcall::app
