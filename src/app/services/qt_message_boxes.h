// The message boxes of the real program, shown with QMessageBox.
#pragma once

#include "app/services/message_boxes.h"

namespace wingcall::app {

class QtMessageBoxes final : public MessageBoxes {
  public:
    int show(QWidget* parent, const QString& text, MessageButtons buttons,
             const QString& title = QString()) override;
};

}  // namespace wingcall::app
