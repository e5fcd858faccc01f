// The append options window: the append box, "&Close", and the choice of the profile to merge into.
#include "app/form3.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

#include "app/app_messages.h"
#include "app/program_icon.h"
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

    cmdExit = new QPushButton(QStringLiteral("&Close"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAccessibleName(QStringLiteral("Close"));
    cmdExit->setAutoDefault(false);
    PlaceInTwips(cmdExit, 1920, 1320, 1215, 495);

    WidenToFitCaption(chkAppend, GrowFrom::Left);
    WidenToFitCaption(cmdExit, GrowFrom::Centre);
    setTabOrder(chkAppend, cmdExit);
    CommonAppend.filter = QStringLiteral("VoxtrelProfiles|*.xml");
    connect(cmdExit, &QPushButton::clicked, this, &Form3::cmdExit_Click);
    // Escape is the keyboard's way to "&Close", and applies the choice as it does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &Form3::cmdExit_Click);
}

void Form3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    chkAppend->setFocus();
}

void Form3::Append() {
    try {
        CommonAppend.initialFolder = state_.ProfilesFolder;
        const FileDialogResult chosen = services_.fileDialogs.showOpen(this, CommonAppend);
        if (!chosen) {
            // A cancel: the next generation writes a new profile.
            state_.AppendMode = 0;
            state_.AppendSourcePath.clear();
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
    close();
}

void Form3::closeEvent(QCloseEvent* event) {
    // The frame's close control acts as "&Close": the choice is applied, the main window returns.
    event->accept();
    if (closing_) {
        return;
    }
    closing_ = true;
    if (chkAppend->isChecked()) {
        Append();
    } else {
        state_.AppendMode = 0;
    }
    hide();
    emit closed();
}

}  // namespace wingcall::app
