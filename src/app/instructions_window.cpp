// The instructions window: its help text with the key names page as a link, its "&Close" button
// and its frame's close control.
#include "app/instructions_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextOption>
#include <QUrl>

#include "app/app_messages.h"
#include "app/enter_presses_button.h"
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

Form2::Form2(const QString& keyNamesPage, AppServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kWindowCaption);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(SizeInTwips(5550, 2730));
    move(TwipsToPixels(3225), TwipsToPixels(3375));
    ApplyProgramIcon(this);
    UseWindowFont(this);

    Text1 = new QTextBrowser(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    PlaceInTwips(Text1, 480, 360, 4695, 1335);
    Text1->setReadOnly(true);
    // The page address is a link: a click, or Tab to it and Enter, opens it in the browser.
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                                   Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    Text1->setOpenLinks(false);
    Text1->setFocusPolicy(Qt::StrongFocus);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Only a vertical scroll bar: long lines, the page address included, wrap inside the box.
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QTextEdit::WidgetWidth);
    Text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Qt keeps line ends as single paragraph breaks; the stored text keeps its CR LF.
    Text1->setPlainText(
        HelpText(keyNamesPage).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // The fifth line is the address alone; it becomes the link without a character changing.
    QTextCursor address(Text1->document()->findBlockByNumber(4));
    address.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(keyNamesPage);
    link.setForeground(palette().link());
    link.setFontUnderline(true);
    address.mergeCharFormat(link);
    connect(Text1, &QTextBrowser::anchorClicked, this, &Form2::OpenKeyNamesPage);
    Text1->setAccessibleName(QStringLiteral("Instructions"));
    Text1->setAccessibleDescription(QStringLiteral(
        "How to use the push-to-talk key boxes. Tab, then Enter, opens the list of key names."));

    Command1 = new QPushButton(QStringLiteral("&Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(QStringLiteral("Close"));
    Command1->setAutoDefault(false);
    PlaceInTwips(Command1, 2040, 2040, 1215, 495);
    PressOnEnter(Command1);

    WidenToFitCaption(Command1, GrowFrom::Centre);
    setTabOrder(Text1, Command1);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    // Escape is the keyboard's way to "&Close".
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &Form2::Command1_Click);
}

void Form2::OpenKeyNamesPage(const QUrl& address) {
    if (services_.urlOpener.open(address)) {
        return;
    }
    const QString shown = address.isLocalFile() ? QDir::toNativeSeparators(address.toLocalFile())
                                                : address.toString();
    services_.messageBoxes.show(
        this,
        QStringLiteral("Wingcall could not open the list of key names, \"%1\", in a web "
                       "browser.\n\nOpen that file in your web browser yourself, or set a "
                       "web browser as the default program for web pages and try again.")
            .arg(shown),
        MessageButtons::Ok);
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
