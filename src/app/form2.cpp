// The instructions window: its help text, its "&Close" button and its frame's close control.
#include "app/form2.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>

#include "app/app_messages.h"
#include "app/program_icon.h"
#include "app/twips.h"
#include "app/window_font.h"

namespace wingcall::app {

QString Form2::HelpText(const QString& keyNamesPage) {
    return QStringLiteral("Leave the text box blank if you do not wish to use a key \r\n") +
           QStringLiteral("for the Push To Talk function.\r\n") + QStringLiteral("\r\n") +
           QStringLiteral("For a complete list of correct keystrokes please visit: \r\n") +
           keyNamesPage + QStringLiteral("\r\n");
}

Form2::Form2(const QString& keyNamesPage, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kWindowCaption);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(SizeInTwips(5550, 2730));
    move(TwipsToPixels(3225), TwipsToPixels(3375));
    ApplyProgramIcon(this);
    UseWindowFont(this);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    PlaceInTwips(Text1, 480, 360, 4695, 1335);
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setFocusPolicy(Qt::StrongFocus);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Only a vertical scroll bar: long lines, the page address included, wrap inside the box.
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Qt keeps line ends as single paragraph breaks; the stored text keeps its CR LF.
    Text1->setPlainText(
        HelpText(keyNamesPage).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Text1->setAccessibleName(QStringLiteral("Instructions"));

    Command1 = new QPushButton(QStringLiteral("&Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(QStringLiteral("Close"));
    Command1->setAutoDefault(false);
    PlaceInTwips(Command1, 2040, 2040, 1215, 495);

    WidenToFitCaption(Command1, GrowFrom::Centre);
    setTabOrder(Text1, Command1);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
}

void Form2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Text1->setFocus();
}

void Form2::Command1_Click() {
    close();
}

void Form2::closeEvent(QCloseEvent* event) {
    // The frame's close control acts as "&Close": the main window always comes back.
    event->accept();
    if (closing_) {
        return;
    }
    closing_ = true;
    hide();
    emit closed();
}

}  // namespace wingcall::app
