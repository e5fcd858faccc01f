// Shows QFileDialog with a window's stored dialog settings and hands back the full path.
#include "app/services/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>

#include "app/services/return_focus.h"

namespace wingcall::app {
namespace {

FileDialogResult ShowFileDialog(QWidget* parent, const FileDialogSettings& settings,
                                QFileDialog::AcceptMode acceptMode) {
    QFileDialog dialog(parent, settings.title);
    dialog.setAcceptMode(acceptMode);
    // No dialog insists on an existing file: the name the user gives is handed back, and the
    // caller says what is wrong with it (a merge source that is not there fails at the merge).
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt adds the suffix to a name without any ".", before its overwrite check, so the question
    // names the file that will be written; the native Windows dialog does the same with it.
    dialog.setDefaultSuffix(settings.defaultSuffix);
    // The file-type list shows each entry's stored label alone, not its pattern as well.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.promptBeforeOverwrite);
    const QString nameFilter = QtNameFilter(settings.filter);
    if (!nameFilter.isEmpty()) {
        dialog.setNameFilter(nameFilter);
    }
    const QString initialFolder = EffectiveInitialFolder(settings.initialFolder);
    if (!initialFolder.isEmpty()) {
        dialog.setDirectory(initialFolder);
    }
    if (!settings.fileName.isEmpty()) {
        dialog.selectFile(settings.fileName);
    }
    const int outcome = dialog.exec();
    ReturnFocusTo(parent);
    if (outcome != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(chosen.first());
}

}  // namespace

FileDialogResult QtFileDialogs::showOpen(QWidget* parent, const FileDialogSettings& settings) {
    return ShowFileDialog(parent, settings, QFileDialog::AcceptOpen);
}

FileDialogResult QtFileDialogs::showSave(QWidget* parent, const FileDialogSettings& settings) {
    return ShowFileDialog(parent, settings, QFileDialog::AcceptSave);
}

}  // namespace wingcall::app
