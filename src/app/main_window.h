// Form1, the main window: every input of a profile, the four command buttons and their handlers.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <exception>
#include <functional>
#include <optional>

#include "app/append_window.h"
#include "app/instructions_window.h"
#include "app/services/app_services.h"
#include "app/wingcall_state.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wingcall::app {

// Exit statuses of the program.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitFailure = 1;

class Form1 : public QWidget {
    Q_OBJECT

  public:
    Form1(WingcallState& state, AppServices& services, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence: finds the settings file, runs the first-run setup, fills the lists,
    // loads the command template and restores the remembered push-to-talk settings. It may end
    // the program (see programEnded); otherwise the window is ready to be shown.
    void Form_Load();

    // Tells the pilot, once, what the template check found in [Commands]; nothing when it found
    // nothing. The program calls it as soon as the window is up.
    void TellTemplateFindings();

    // Turns the window's values into a profile, stores the push-to-talk settings and offers to
    // start Voxtrel.
    void Generation();

    // The push-to-talk enable rule: the ten push-to-talk controls follow the "PTT" box.
    void chkPTT_Click();

    void cmdGenerate_Click();
    void cmdAppend_Click();
    void Command1_Click();
    void cmdExit_Click();

    // The exit status once the program has ended, none while it runs.
    std::optional<int> endedWithStatus() const { return endedWithStatus_; }

    // The open secondary windows, if any.
    Form2* instructionsWindow() const { return instructionsWindow_; }
    Form3* appendOptionsWindow() const { return appendOptionsWindow_; }

    // Controls, named as the window definition names them.
    QLineEdit* txtCallsign;
    QLabel* Label1;
    QComboBox* Combo1;
    QLabel* Label2;
    QLabel* Label3;
    QComboBox* Combo2;
    QCheckBox* chkPTT;
    QComboBox* PTTType;
    QComboBox* PTTInitState;
    QLineEdit* txtPTTKey;
    QPushButton* Command1;
    QLineEdit* txtPTTKey2;
    QComboBox* PTTJoyButton;
    QPushButton* cmdGenerate;
    QPushButton* cmdAppend;
    QPushButton* cmdExit;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;

    // The stored settings of the window's two file dialogs.
    FileDialogSettings commonVoxtrel;
    FileDialogSettings CommonDialog1;

  signals:
    // The program has ended with `status`; the window is already hidden and nothing more runs.
    void programEnded(int status);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void SetTabOrder();
    bool RunFirstRunSetup();
    // Has the pilot choose voxtrel.exe ("Voxtrel Folder") until the choice is Voxtrel and can be
    // stored, then stores it. The chosen path, or none when the dialog was cancelled or the
    // program was asked to end meanwhile.
    std::optional<QString> ChooseAndStoreVoxtrel();
    void RestorePushToTalkSettings();
    // Puts back the callsign, flight number and position of the last profile, where stored.
    void RestoreFlight();
    // With append mode on: whether to go on when the profile to add to already holds some of the
    // calls about to be added (the pilot is asked); true when it holds none.
    bool ConfirmAddingCallsAgain(const CommandTables& tables);
    // With push-to-talk ticked and a new profile to write: whether to go on when a key box holds a
    // name Voxtrel does not know
    // (the pilot is asked; No puts the focus in that box); true when both hold known names.
    bool ConfirmUnknownPushToTalkKeys();
    void StorePushToTalkSettings();
    void OfferToStartVoxtrel(const QString& profilePath);
    void ShowAgain();
    void EndProgram(int status);
    void EndAfterUntrappedError(const std::exception& error);
    void RunHandler(const std::function<void()>& handler);
    // Says in the Append Settings button's tooltip what the next Generate writes.
    void ShowAppendChoice();

    QString ReadGeneral(const QString& key, const QString& defaultValue) const;

    WingcallState& state_;
    AppServices& services_;
    std::optional<int> endedWithStatus_;
    // What the template check found at start-up, until the pilot has been told.
    QStringList templateFindings_;
    QPointer<Form2> instructionsWindow_;
    QPointer<Form3> appendOptionsWindow_;
};

}  // namespace wingcall::app
