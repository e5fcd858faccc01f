// Form1's navigation: the instructions and append options windows, one visible window at a time.
#include <QDir>
#include <QUrl>

#include "app/append_window.h"
#include "app/instructions_window.h"
#include "app/main_window.h"

namespace wingcall::app {

void Form1::Command1_Click() {
    RunHandler([this] {
        hide();
        // Built afresh at each opening, so the help text shows from the top.
        const QString keyNamesPage =
            QUrl::fromLocalFile(QDir::fromNativeSeparators(services_.hostFiles.programFolder()) +
                                QStringLiteral("/docs/key-names.html"))
                .toString();
        auto* instructions = new Form2(keyNamesPage, services_);
        instructionsWindow_ = instructions;
        connect(instructions, &Form2::closed, this, [this] { ShowAgain(); });
        instructions->show();
        instructions->activateWindow();
    });
}

void Form1::cmdAppend_Click() {
    RunHandler([this] {
        // Built from its definition at each opening, so the append box starts unticked.
        auto* appendOptions = new Form3(state_, services_);
        appendOptionsWindow_ = appendOptions;
        hide();
        connect(appendOptions, &Form3::closed, this, [this] { ShowAgain(); });
        appendOptions->show();
        appendOptions->activateWindow();
    });
}

}  // namespace wingcall::app
