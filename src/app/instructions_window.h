// Form2, the instructions window: a short help text about the push-to-talk keys.
#pragma once

#include <QString>
#include <QWidget>

#include "app/services/app_services.h"

class QPushButton;
class QTextBrowser;
class QUrl;

namespace wingcall::app {

class Form2 : public QWidget {
    Q_OBJECT

  public:
    // `keyNamesPage` is the address of the page that lists the accepted key names; activating it
    // in the help text opens it through `services`.
    Form2(const QString& keyNamesPage, AppServices& services, QWidget* parent = nullptr);

    // The help text exactly as shown, each of its five lines ending with CR LF.
    static QString HelpText(const QString& keyNamesPage);

    // Closes the window; the main window is shown again.
    void Command1_Click();

    QTextBrowser* Text1;
    QPushButton* Command1;

  signals:
    // The window has closed and is being discarded.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void OpenKeyNamesPage(const QUrl& address);

    AppServices& services_;
    bool closing_ = false;
};

}  // namespace wingcall::app
