// The append options window: the append box, "&Close", and the choice of the profile to merge into.
#include "app/append_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

#include "app/app_messages.h"
#include "app/enter_presses_button.h"
#include "app/program_icon.h"
#include "app/tool_tip_text.h"
#include "app/twips.h"
#include "app/window_font.h"

namespace wingcall::app {

Form3::Form3(WingcallState& state, AppServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), services_(services) {
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kWindowCaption);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(SizeInTwips(5025, 2055));
    move(TwipsToPixels(3915), TwipsToPixels(3825));
    ApplyProgramIcon(this);
    UseWindowFont(this);

    chkAppend = new QCheckBox(QStringLiteral("&Enable Append of Profile"), this);
    chkAppend->setObjectName(QStringLiteral("chkAppend"));
    chkAppend->setAccessibleName(QStringLiteral("Enable Append of Profile"));
    PlaceInTwips(chkAppend, 600, 360, 2055, 375);
    // The box shows the choice in force, so that "&Close" keeps it unless the pilot changes it.
    chkAppend->setChecked(state_.AppendMode == 1);
    const QString choice =
        state_.AppendMode == 1
            ? QStringLiteral(
                  "Ticked: the next Generate adds its calls to the profile \"%1\". "
                  "Close with the box ticked to choose that profile or another one, "
                  "unticked to write a new profile.")
                  .arg(QDir::toNativeSeparators(state_.AppendSourcePath))
            : QStringLiteral(
                  "Unticked: the next Generate writes a new profile. Tick the box "
                  "and press Close to choose a profile to add the calls to.");
    chkAppend->setToolTip(WrappedToolTip(choice));
    chkAppend->setAccessibleDescription(choice);

    cmdExit = new QPushButton(QStringLiteral("&Close"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAccessibleName(QStringLiteral("Close"));
    cmdExit->setAutoDefault(false);
    PlaceInTwips(cmdExit, 1920, 1320, 1215, 495);
    PressOnEnter(cmdExit);

    WidenToFitCaption(chkAppend, GrowFrom::Left);
    WidenToFitCaption(cmdExit, GrowFrom::Centre);
    setTabOrder(chkAppend, cmdExit);
    CommonAppend.filter = QStringLiteral("VoxtrelProfiles|*.xml");
    connect(cmdExit, &QPushButton::clicked, this, &Form3::cmdExit_Click);
    // Escape backs out: the window closes and the append choice stays as it was.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            [this] { close(); });
}

void Form3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    chkAppend->setFocus();
}

void Form3::Append() {
    try {
        // With append mode on, the dialog offers the profile chosen last, in its folder.
        if (state_.AppendMode == 1 && !state_.AppendSourcePath.isEmpty()) {
            CommonAppend.initialFolder =
                QDir::toNativeSeparators(QFileInfo(state_.AppendSourcePath).path());
            CommonAppend.fileName = state_.AppendSourcePath;
        } else {
            CommonAppend.initialFolder = state_.ProfilesFolder;
        }
        const FileDialogResult chosen = services_.fileDialogs.showOpen(this, CommonAppend);
        if (!chosen) {
            // A cancel backs out: append mode stays as it was when the window opened.
            return;
        }
        // The path is not checked here: the merge reports a file it cannot read.
        state_.AppendSourcePath = *chosen;
        state_.AppendMode = 1;
    } catch (const std::exception&) {
        // Any other failure of the dialog keeps the earlier choice.
    }
}

void Form3::cmdExit_Click() {
    if (closing_) {
        return;
    }
    // Only "&Close" applies the box; the window's other ways out change nothing.
    if (chkAppend->isChecked()) {
        Append();
    } else {
        state_.AppendMode = 0;
    }
    close();
}

void Form3::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closing_) {
        return;
    }
    closing_ = true;
    hide();
    emit closed();
}

}  // namespace wingcall::app
