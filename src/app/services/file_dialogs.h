// The host's file dialogs, as the windows see them: stored settings in, a full path or a cancel
// out.
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace wingcall::app {

// The settings a window keeps for one of its file dialogs.
struct FileDialogSettings {
    QString title;     // empty: the host's default title
    QString fileName;  // the default file name; after an accepted showing, the chosen full path
    QString filter;    // "Label|pattern" pairs joined by "|"
    QString initialFolder;  // empty, or only NULs before the text: the host picks the folder
    bool promptBeforeOverwrite = false;  // save dialog: ask before replacing an existing file
    // Save dialog: the extension ("xml") added to a name typed without one, before the dialog
    // asks about overwriting; empty: the name typed is the name used.
    QString defaultSuffix;
};

// The outcome of one showing: the chosen file's full path, or no value when the user cancelled
// (the cancel that the windows treat as error 32755).
using FileDialogResult = std::optional<QString>;

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Both show the dialog modally over `parent` and wait for the user.
    virtual FileDialogResult showOpen(QWidget* parent, const FileDialogSettings& settings) = 0;
    virtual FileDialogResult showSave(QWidget* parent, const FileDialogSettings& settings) = 0;
};

// The initial folder as the dialog uses it: only the text before the first NUL counts.
QString EffectiveInitialFolder(const QString& initialFolder);

// Converts a stored filter ("Voxtrel Profile|*.xml") to Qt's form ("Voxtrel Profile (*.xml)").
// Several pairs become several entries; a label without a pattern uses the label as pattern.
QString QtNameFilter(const QString& storedFilter);

}  // namespace wingcall::app
