// Lays out the stand-in window: the profile path, the command table, the push-to-talk summary
// and the findings, with a Close button.
#include "stand_in_window.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace voxtrel {

QString DescribePushToTalk(const PushToTalkBlock& block) {
    if (!block.present) {
        return QStringLiteral("No push-to-talk block: Voxtrel listens all the time.");
    }
    QStringList keys;
    QStringList buttons;
    for (const PushToTalkInput& input : block.inputs) {
        (input.kind == PushToTalkInput::Kind::Key ? keys : buttons).append(input.value);
    }
    const QString none = QStringLiteral("none");
    return QStringLiteral("Mode: %1. Initial state: %2. Keys: %3. Joystick button: %4.")
        .arg(block.mode, block.initialState,
             keys.isEmpty() ? none : keys.join(QStringLiteral(", ")),
             buttons.isEmpty() ? none : buttons.join(QStringLiteral(", ")));
}

QString DescribeFinding(const Finding& finding) {
    if (finding.line <= 0) {
        return finding.text;
    }
    if (finding.column <= 0) {
        return QStringLiteral("Line %1: %2").arg(finding.line).arg(finding.text);
    }
    return QStringLiteral("Line %1, column %2: %3")
        .arg(finding.line)
        .arg(finding.column)
        .arg(finding.text);
}

StandInWindow::StandInWindow(const QString& profilePath, const Profile& profile,
                             const QList<Finding>& findings) {
    const QString title = QStringLiteral("Voxtrel (stand-in)");
    setWindowTitle(profilePath.isEmpty()
                       ? title
                       : QStringLiteral("%1 - %2").arg(title, QFileInfo(profilePath).fileName()));
    resize(820, 600);

    auto* layout = new QVBoxLayout(this);

    auto* notVoxtrel = new QLabel(kNotVoxtrelText, this);
    notVoxtrel->setObjectName(QStringLiteral("notVoxtrel"));
    notVoxtrel->setWordWrap(true);
    layout->addWidget(notVoxtrel);

    auto* pathLabel = new QLabel(QStringLiteral("Profile: %1").arg(profilePath), this);
    pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pathLabel->setWordWrap(true);
    layout->addWidget(pathLabel);

    auto* commandsBox =
        new QGroupBox(QStringLiteral("Commands (%1)").arg(profile.commands.size()), this);
    auto* commandsLayout = new QVBoxLayout(commandsBox);
    commandTable_ = new QTableWidget(static_cast<int>(profile.commands.size()), 3, commandsBox);
    commandTable_->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Phrase"), QStringLiteral("Key sequence")});
    commandTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    commandTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    commandTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    commandTable_->setAccessibleName(QStringLiteral("Commands"));
    for (int row = 0; row < profile.commands.size(); ++row) {
        const ProfileCommand& command = profile.commands[row];
        commandTable_->setItem(row, 0, new QTableWidgetItem(command.name));
        commandTable_->setItem(row, 1, new QTableWidgetItem(command.phrase));
        commandTable_->setItem(row, 2, new QTableWidgetItem(command.keys));
    }
    commandsLayout->addWidget(commandTable_);
    layout->addWidget(commandsBox, 3);

    auto* pushToTalkBox = new QGroupBox(QStringLiteral("Push-to-talk"), this);
    auto* pushToTalkLayout = new QVBoxLayout(pushToTalkBox);
    pushToTalkSummary_ = new QLabel(DescribePushToTalk(profile.pushToTalk), pushToTalkBox);
    pushToTalkSummary_->setWordWrap(true);
    pushToTalkSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pushToTalkLayout->addWidget(pushToTalkSummary_);
    layout->addWidget(pushToTalkBox);

    auto* findingsBox = new QGroupBox(QStringLiteral("Findings (%1)").arg(findings.size()), this);
    auto* findingsLayout = new QVBoxLayout(findingsBox);
    findingList_ = new QListWidget(findingsBox);
    findingList_->setAccessibleName(QStringLiteral("Findings"));
    findingList_->setWordWrap(true);
    if (findings.isEmpty()) {
        findingList_->addItem(QStringLiteral("No problems found."));
    }
    for (const Finding& finding : findings) {
        findingList_->addItem(DescribeFinding(finding));
    }
    findingsLayout->addWidget(findingList_);
    layout->addWidget(findingsBox, 2);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* closeButton =
        buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(buttons);

    setTabOrder(commandTable_, findingList_);
    setTabOrder(findingList_, closeButton);
    commandTable_->setFocus();
}

StandInWindow::StandInWindow() {
    setWindowTitle(QStringLiteral("Voxtrel (stand-in)"));
    resize(640, 200);
    auto* layout = new QVBoxLayout(this);
    for (const QString& text : {kNotVoxtrelText, kNoProfileText}) {
        auto* label = new QLabel(text, this);
        label->setObjectName(text == kNotVoxtrelText ? QStringLiteral("notVoxtrel")
                                                     : QStringLiteral("noProfile"));
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addStretch();
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* closeButton =
        buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(buttons);
    closeButton->setFocus();
}

}  // namespace voxtrel
