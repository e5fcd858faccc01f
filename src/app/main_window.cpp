// Form1's controls, the push-to-talk enable rule and the end of the program.
#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "app/app_messages.h"
#include "app/append_window.h"
#include "app/enter_presses_button.h"
#include "app/error_text.h"
#include "app/instructions_window.h"
#include "app/key_name_box.h"
#include "app/program_icon.h"
#include "app/text_conversion.h"
#include "app/tool_tip_text.h"
#include "app/twips.h"
#include "app/window_font.h"
#include "app/xml_text_validator.h"
#include "settings/settings_file.h"

namespace wingcall::app {
namespace {

template <typename Control>
Control* CreateControl(QWidget* window, const char* name, int left, int top, int width,
                       int height) {
    auto* control = new Control(window);
    control->setObjectName(QString::fromLatin1(name));
    PlaceInTwips(control, left, top, width, height);
    return control;
}

QLabel* CreateLabel(QWidget* window, const char* name, const QString& caption, int left, int top,
                    int width, int height) {
    auto* label = CreateControl<QLabel>(window, name, left, top, width, height);
    // Captions are plain text: an "&" would be no access key here.
    label->setTextFormat(Qt::PlainText);
    label->setText(caption);
    return label;
}

QPushButton* CreateButton(QWidget* window, const char* name, const QString& caption, int left,
                          int top, int width, int height) {
    auto* button = CreateControl<QPushButton>(window, name, left, top, width, height);
    button->setText(caption);
    button->setAutoDefault(false);
    button->setAccessibleName(QString(caption).remove(u'&'));
    PressOnEnter(button);
    return button;
}

QComboBox* CreateList(QWidget* window, const char* name, const QStringList& entries, int left,
                      int top, int width, int height) {
    auto* list = CreateControl<QComboBox>(window, name, left, top, width, height);
    list->setEditable(false);
    list->addItems(entries);
    // The definition selects nothing; start-up selects the defaults.
    list->setCurrentIndex(-1);
    return list;
}

// The label names its input for assistive technology and is its buddy.
void Caption(QLabel* label, QWidget* input) {
    label->setBuddy(input);
    input->setAccessibleName(label->text());
}

QStringList NumberEntries(int last) {
    QStringList entries;
    for (int number = 1; number <= last; ++number) {
        entries << QString::number(number);
    }
    return entries;
}

}  // namespace

Form1::Form1(WingcallState& state, AppServices& services, QWidget* parent)
    : QWidget(parent), state_(state), services_(services) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kWindowCaption);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(SizeInTwips(6930, 6420));
    move(TwipsToPixels(2550), TwipsToPixels(1125));
    ApplyProgramIcon(this);
    UseWindowFont(this);
    CreateControls();
    SetTabOrder();

    commonVoxtrel.title = QStringLiteral("Voxtrel Folder");
    commonVoxtrel.filter = QStringLiteral("voxtrel.exe|voxtrel.exe");
    CommonDialog1.title = QStringLiteral("Save Wingcall Profile");
    CommonDialog1.fileName = QStringLiteral("Wingcall");
    CommonDialog1.filter = QStringLiteral("Voxtrel Profile|*.xml");

    connect(chkPTT, &QCheckBox::stateChanged, this,
            [this] { RunHandler([this] { chkPTT_Click(); }); });
    connect(cmdGenerate, &QPushButton::clicked, this, [this] { cmdGenerate_Click(); });
    connect(cmdAppend, &QPushButton::clicked, this, [this] { cmdAppend_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
}

Form1::~Form1() {
    // Secondary windows are top-level windows of their own; they go with the main window.
    delete instructionsWindow_.data();
    delete appendOptionsWindow_.data();
}

void Form1::CreateControls() {
    txtCallsign = CreateControl<QLineEdit>(this, "txtCallsign", 2760, 360, 1935, 285);
    txtCallsign->setText(QStringLiteral("Avenger"));
    Label1 = CreateLabel(this, "Label1", QStringLiteral("Callsign"), 840, 360, 1215, 255);
    Combo1 = CreateList(this, "Combo1", NumberEntries(9), 2760, 960, 1215, 315);
    Label2 = CreateLabel(this, "Label2", QStringLiteral("Flight Number"), 840, 960, 1215, 255);
    Label3 =
        CreateLabel(this, "Label3", QStringLiteral("Position in Flight"), 840, 1680, 1215, 255);
    Combo2 = CreateList(this, "Combo2", NumberEntries(4), 2760, 1680, 1215, 315);
    chkPTT = CreateControl<QCheckBox>(this, "chkPTT", 2280, 2160, 735, 255);
    chkPTT->setText(QStringLiteral("PTT"));
    chkPTT->setChecked(true);
    PTTType = CreateList(this, "PTTType", {QStringLiteral("hold"), QStringLiteral("toggle")}, 2760,
                         2640, 1215, 315);
    PTTInitState = CreateList(this, "PTTInitState", {QStringLiteral("on"), QStringLiteral("off")},
                              2760, 3120, 1215, 315);
    txtPTTKey = CreateControl<QLineEdit>(this, "txtPTTKey", 2760, 3720, 1935, 285);
    Command1 =
        CreateButton(this, "Command1", QStringLiteral("&Instructions"), 4920, 3720, 975, 255);
    txtPTTKey2 = CreateControl<QLineEdit>(this, "txtPTTKey2", 2760, 4320, 1935, 285);
    PTTJoyButton = CreateList(this, "PTTJoyButton", {}, 2760, 4920, 1215, 315);
    cmdGenerate =
        CreateButton(this, "cmdGenerate", QStringLiteral("&Generate"), 720, 5640, 1215, 495);
    cmdAppend =
        CreateButton(this, "cmdAppend", QStringLiteral("&Append Settings"), 3000, 5640, 1215, 495);
    cmdExit = CreateButton(this, "cmdExit", QStringLiteral("&Exit"), 5400, 5640, 1215, 495);
    Label4 = CreateLabel(this, "Label4", QStringLiteral("PTT Type"), 840, 2640, 1215, 255);
    Label5 = CreateLabel(this, "Label5", QStringLiteral("Initial State"), 840, 3120, 1215, 255);
    Label6 = CreateLabel(this, "Label6", QStringLiteral("PTT Key 1"), 840, 3720, 1215, 255);
    Label7 =
        CreateLabel(this, "Label7", QStringLiteral("PTT Joystick Button"), 840, 4920, 1575, 255);
    Label8 = CreateLabel(this, "Label8", QStringLiteral("PTT Key 2"), 840, 4320, 1215, 255);

    Caption(Label1, txtCallsign);
    Caption(Label2, Combo1);
    Caption(Label3, Combo2);
    Caption(Label4, PTTType);
    Caption(Label5, PTTInitState);
    Caption(Label6, txtPTTKey);
    Caption(Label7, PTTJoyButton);
    Caption(Label8, txtPTTKey2);
    chkPTT->setAccessibleName(chkPTT->text());
    // The text boxes take text of any length; Qt would otherwise cut a pasted text at 32,767.
    // Their texts go into the profile, which cannot hold every character a paste may bring.
    for (QLineEdit* box : {txtCallsign, txtPTTKey, txtPTTKey2}) {
        box->setMaxLength(std::numeric_limits<int>::max());
        box->setValidator(new XmlTextValidator(box));
    }
    HelpTypingKeyNames(txtPTTKey);
    HelpTypingKeyNames(txtPTTKey2);
    chkPTT->setToolTip(WrappedToolTip(QStringLiteral(
        "Ticked, the profile gets a push-to-talk block with the type, initial state, keys and "
        "joystick button below. Ticked with no key and no joystick button, it gets none.")));
    ShowAppendChoice();

    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8}) {
        WidenToFitCaption(label, GrowFrom::Left);
    }
    WidenToFitCaption(chkPTT, GrowFrom::Left);
    for (QPushButton* button : {Command1, cmdGenerate, cmdAppend, cmdExit}) {
        WidenToFitCaption(button, GrowFrom::Centre);
    }
}

void Form1::SetTabOrder() {
    QWidget* const order[] = {txtCallsign,  Combo1,    Combo2,   chkPTT,     PTTType,
                              PTTInitState, txtPTTKey, Command1, txtPTTKey2, PTTJoyButton,
                              cmdGenerate,  cmdAppend, cmdExit};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    txtCallsign->setFocus();
}

void Form1::chkPTT_Click() {
    const bool enabled = chkPTT->checkState() != Qt::Unchecked;
    QWidget* const pushToTalkControls[] = {PTTType, PTTInitState, txtPTTKey, txtPTTKey2,
                                           Label4,  Label5,       Label6,    Label7,
                                           Label8,  PTTJoyButton};
    for (QWidget* control : pushToTalkControls) {
        control->setEnabled(enabled);
    }
}

void Form1::cmdGenerate_Click() {
    RunHandler([this] { Generation(); });
}

void Form1::cmdExit_Click() {
    RunHandler([this] { EndProgram(kExitNormal); });
}

void Form1::closeEvent(QCloseEvent* event) {
    // The frame's close control ends the program as "&Exit" does.
    event->accept();
    if (!endedWithStatus_) {
        EndProgram(kExitNormal);
    }
}

void Form1::ShowAppendChoice() {
    cmdAppend->setToolTip(WrappedToolTip(
        state_.AppendMode == 1
            ? QStringLiteral("Append mode is on: the next Generate adds its commands to the "
                             "profile \"%1\". Open Append Settings to choose another profile or "
                             "to write a new one.")
                  .arg(QDir::toNativeSeparators(state_.AppendSourcePath))
            : QStringLiteral("Generate writes a new profile. Open Append Settings to add the "
                             "commands to a profile you already have.")));
}

void Form1::ShowAgain() {
    // The append options window may have just changed the append choice.
    ShowAppendChoice();
    if (!endedWithStatus_) {
        show();
        activateWindow();
    }
}

void Form1::EndProgram(int status) {
    if (endedWithStatus_) {
        return;
    }
    endedWithStatus_ = status;
    hide();
    if (instructionsWindow_) {
        instructionsWindow_->hide();
    }
    if (appendOptionsWindow_) {
        appendOptionsWindow_->hide();
    }
    emit programEnded(status);
}

void Form1::EndAfterUntrappedError(const std::exception& error) {
    services_.messageBoxes.show(this, UntrappedErrorText(ErrorText(error)), MessageButtons::Ok);
    EndProgram(kExitFailure);
}

void Form1::RunHandler(const std::function<void()>& handler) {
    // An error that no handler deals with must not leave the window in a state nobody chose:
    // it is reported, and the program ends.
    if (endedWithStatus_) {
        return;
    }
    try {
        handler();
    } catch (const std::exception& error) {
        EndAfterUntrappedError(error);
    }
}

QString Form1::ReadGeneral(const QString& key, const QString& defaultValue) const {
    return FromWide(
        ReadSetting(state_.SettingsPath, kGeneralSection, ToWide(key), ToWide(defaultValue)));
}

}  // namespace wingcall::app
