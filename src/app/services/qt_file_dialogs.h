// The file dialogs of the real program, shown with Qt's QFileDialog.
#pragma once

#include "app/services/file_dialogs.h"

namespace wingcall::app {

class QtFileDialogs final : public FileDialogs {
  public:
    FileDialogResult showOpen(QWidget* parent, const FileDialogSettings& settings) override;
    FileDialogResult showSave(QWidget* parent, const FileDialogSettings& settings) override;
};

}  // namespace wingcall::app
