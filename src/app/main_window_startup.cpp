// Form1's load handler: the start-up sequence that runs before the main window is first shown.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QValidator>

#include <unordered_set>
#include <utility>

#include "app/app_messages.h"
#include "app/general_settings_step.h"
#include "app/joystick_button_setting.h"
#include "app/key_names.h"
#include "app/main_window.h"
#include "app/stored_path.h"
#include "app/text_conversion.h"
#include "settings/command_template.h"
#include "settings/command_template_check.h"
#include "settings/settings_file.h"

namespace wingcall::app {
namespace {

// Selects the entry whose text matches `text`, ignoring letter case; no match selects nothing.
void SelectByText(QComboBox* list, const QString& text) {
    list->setCurrentIndex(list->findText(text, Qt::MatchFixedString));
}

// The settings file's full path in the program's folder. A program at the root of a drive
// ("C:\") or of the file system has a folder that already ends with its separator, which is not
// doubled.
QString SettingsFileIn(const QString& folder) {
    const QString name = QStringLiteral("Wingcall.ini");
    if (folder.endsWith(QDir::separator()) || folder.endsWith(u'/')) {
        return folder + name;
    }
    return folder + QDir::separator() + name;
}

}  // namespace

void Form1::Form_Load() {
    if (endedWithStatus_) {
        return;
    }
    try {
        // A folder whose name the system cannot hand over as text comes back empty or with
        // replacement characters; the settings file would then be looked for somewhere else
        // (the root of the file system), which is never Wingcall's own.
        const QString programFolder = services_.hostFiles.programFolder();
        if (programFolder.isEmpty() || programFolder.contains(QChar::ReplacementCharacter)) {
            services_.messageBoxes.show(this, ProgramFolderUnnamedText(), MessageButtons::Ok);
            EndProgram(kExitFailure);
            return;
        }
        state_.SettingsPath = ToWide(SettingsFileIn(programFolder));

        if (!services_.hostFiles.isOrdinaryFile(FromWide(state_.SettingsPath))) {
            services_.messageBoxes.show(this, kSettingsMissingText, MessageButtons::Ok,
                                        kSettingsMissingTitle);
            EndProgram(kExitFailure);
            return;
        }

        if (ReadGeneral(QStringLiteral("OpenedOnce"), QString()).startsWith(u'0')) {
            if (!RunFirstRunSetup()) {
                return;
            }
        }

        state_.ProfilesFolder =
            PathFromStoredText(ReadGeneral(QStringLiteral("VoxtrelProfilesPath"), QString()));

        PTTJoyButton->addItem(QStringLiteral("None"));
        for (int number = 1; number <= 32; ++number) {
            PTTJoyButton->addItem(QString::number(number));
        }

        SelectByText(Combo1, QStringLiteral("1"));
        SelectByText(Combo2, QStringLiteral("1"));
        SelectByText(PTTType, QStringLiteral("Hold"));
        SelectByText(PTTInitState, QStringLiteral("Off"));
        SelectByText(PTTJoyButton, QStringLiteral("None"));

        LoadCommandTemplate(state_.SettingsPath, state_.CommandTemplate);
        // What the load took as the Parts say, and what of it will surprise the pilot. The check
        // only tells: whatever becomes of it, start-up goes on.
        templateFindings_.clear();
        try {
            std::unordered_set<std::wstring> keyNames;
            for (const QString& name : KeyNames()) {
                keyNames.insert(ToWide(name));
            }
            for (const std::string& finding :
                 CheckCommandTemplate(state_.SettingsPath, state_.CommandTemplate, keyNames)) {
                templateFindings_ << QString::fromStdString(finding);
            }
        } catch (const std::exception&) {
            templateFindings_.clear();
        }

        RestorePushToTalkSettings();
        RestoreFlight();
    } catch (const std::exception& error) {
        // A template the load refuses, or anything else start-up cannot deal with: the user
        // learns what is wrong, and no half-filled window is ever shown.
        EndAfterUntrappedError(error);
    }
}

// Has the user locate voxtrel.exe and stores where Voxtrel lives. False when the program ended.
bool Form1::RunFirstRunSetup() {
    services_.messageBoxes.show(this, kSpecifyVoxtrelText, MessageButtons::Ok);
    const std::optional<QString> chosen = ChooseAndStoreVoxtrel();
    if (endedWithStatus_) {
        return false;
    }
    if (!chosen) {
        services_.messageBoxes.show(this, kFirstRunCancelledText, MessageButtons::Ok,
                                    kFirstRunCancelledTitle);
        EndProgram(kExitFailure);
        return false;
    }
    return true;
}

std::optional<QString> Form1::ChooseAndStoreVoxtrel() {
    for (;;) {
        if (endedWithStatus_) {
            // A termination request arrived while a message or the dialog was open.
            return std::nullopt;
        }
        const FileDialogResult chosen = services_.fileDialogs.showOpen(this, commonVoxtrel);
        if (endedWithStatus_ || !chosen) {
            return std::nullopt;
        }
        const QString path = *chosen;
        commonVoxtrel.fileName = path;
        const qsizetype position = path.indexOf(kVoxtrelExecutableName, 0, Qt::CaseInsensitive);
        if (position < 0) {
            // Nothing is stored for a file that is not Voxtrel: the user simply chooses again.
            services_.messageBoxes.show(this, NotVoxtrelExecutableText(path), MessageButtons::Ok);
            continue;
        }
        // The folder part keeps its own letter case and ends with the separator before the name.
        const StorablePath executable = StorablePathFor(path);
        const StorablePath profiles =
            StorablePathFor(path.left(position), QStringLiteral("profiles"));
        const QString& problem =
            !executable.problem.isEmpty() ? executable.problem : profiles.problem;
        if (!problem.isEmpty()) {
            // Stored, the path would come back as another one, and Voxtrel could never be
            // started from it: the user hears why now and chooses again.
            services_.messageBoxes.show(this, PathNotStorableText(path, problem),
                                        MessageButtons::Ok);
            continue;
        }
        GeneralSettingsStep settings(state_.SettingsPath);
        settings.write(QStringLiteral("VoxtrelEXE"), executable.text);
        settings.write(QStringLiteral("VoxtrelProfilesPath"), profiles.text);
        settings.write(QStringLiteral("OpenedOnce"), QStringLiteral("1"));
        // The flow goes on; the pilot learns once why this question will come back at the next
        // start, and this run still knows where Voxtrel is.
        if (const std::optional<QString> failure = settings.failureMessage()) {
            state_.VoxtrelChosenThisRun = path;
            services_.messageBoxes.show(this, *failure, MessageButtons::Ok);
        } else {
            state_.VoxtrelChosenThisRun.clear();
        }
        if (endedWithStatus_) {
            return std::nullopt;
        }
        return path;
    }
}

void Form1::RestorePushToTalkSettings() {
    const QString missing = FromWide(kMissingValue);

    const QString key1 = ReadGeneral(QStringLiteral("LastPTT1"), missing);
    if (key1 != missing) {
        txtPTTKey->setText(key1);
    }
    const QString key2 = ReadGeneral(QStringLiteral("LastPTT2"), missing);
    if (key2 != missing) {
        txtPTTKey2->setText(key2);
    }

    SelectByText(PTTJoyButton,
                 JoystickEntryForStoredButton(ReadGeneral(QStringLiteral("LastBut"), missing)));

    // Setting the box's state runs the enable rule, just as a click does.
    if (ReadGeneral(QStringLiteral("PTTEnabled"), QString()) == QStringLiteral("0")) {
        chkPTT->setChecked(false);
    }

    // Both comparisons are exact: anything but the lower-case word gives the other entry.
    SelectByText(PTTType,
                 ReadGeneral(QStringLiteral("PTTKind"), QString()) == QStringLiteral("hold")
                     ? QStringLiteral("hold")
                     : QStringLiteral("toggle"));
    SelectByText(PTTInitState,
                 ReadGeneral(QStringLiteral("PTTInState"), QString()) == QStringLiteral("off")
                     ? QStringLiteral("off")
                     : QStringLiteral("on"));
}

void Form1::RestoreFlight() {
    const QString missing = FromWide(kMissingValue);
    // Only a callsign the box itself would take comes back.
    QString callsign = ReadGeneral(QStringLiteral("LastCallsign"), missing);
    int unused = 0;
    if (callsign != missing &&
        txtCallsign->validator()->validate(callsign, unused) == QValidator::Acceptable) {
        txtCallsign->setText(callsign);
    }
    // A number outside the lists selects nothing, so it leaves the defaults.
    for (const auto& [list, key] : {std::pair{Combo1, QStringLiteral("LastFlightNumber")},
                                    std::pair{Combo2, QStringLiteral("LastPosition")}}) {
        const int entry = list->findText(ReadGeneral(key, missing), Qt::MatchExactly);
        if (entry >= 0) {
            list->setCurrentIndex(entry);
        }
    }
}

void Form1::TellTemplateFindings() {
    if (templateFindings_.isEmpty() || endedWithStatus_) {
        return;
    }
    const QStringList findings = std::exchange(templateFindings_, QStringList());
    services_.messageBoxes.show(this, TemplateFindingsText(FromWide(state_.SettingsPath), findings),
                                MessageButtons::Ok);
}

}  // namespace wingcall::app
