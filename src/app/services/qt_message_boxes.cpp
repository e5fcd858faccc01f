// Shows a QMessageBox without an icon and maps the button pressed to the program's answers.
#include "app/services/qt_message_boxes.h"

#include <QMessageBox>

#include "app/services/return_focus.h"

namespace wingcall::app {

int QtMessageBoxes::show(QWidget* parent, const QString& text, MessageButtons buttons,
                         const QString& title) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(title.isEmpty() ? kApplicationTitle : title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    if (buttons != MessageButtons::Ok) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    box.exec();
    ReturnFocusTo(parent);
    if (buttons == MessageButtons::Ok) {
        return kAnswerOk;
    }
    // Anything but Yes, a close of the frame included, is taken as No.
    return box.clickedButton() == box.button(QMessageBox::Yes) ? kAnswerYes : kAnswerNo;
}

}  // namespace wingcall::app
