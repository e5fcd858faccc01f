// Form3, the append options window: whether the next profile is merged into an existing one.
#pragma once

#include <QWidget>

#include "app/services/app_services.h"
#include "app/wingcall_state.h"

class QCheckBox;
class QPushButton;

namespace wingcall::app {

class Form3 : public QWidget {
    Q_OBJECT

  public:
    Form3(WingcallState& state, AppServices& services, QWidget* parent = nullptr);

    // Lets the user choose the profile to merge into and sets AppendMode and AppendSourcePath.
    void Append();

    // Applies the append choice and closes the window; the main window is shown again. Escape
    // and the frame's close control close it without applying anything.
    void cmdExit_Click();

    QCheckBox* chkAppend;
    QPushButton* cmdExit;

    // The stored settings of the window's open dialog.
    FileDialogSettings CommonAppend;

  signals:
    // The window has closed and is being discarded.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    WingcallState& state_;
    AppServices& services_;
    bool closing_ = false;
};

}  // namespace wingcall::app
