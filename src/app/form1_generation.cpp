// Form1's Generate command: personalise, save, store the push-to-talk settings, offer Voxtrel.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>

#include "app/app_messages.h"
#include "app/error_text.h"
#include "app/form1.h"
#include "app/stored_path.h"
#include "app/text_conversion.h"
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "profile/personalisation.h"
#include "settings/settings_file.h"

namespace wingcall::app {

void Form1::Generation() {
    // Each generation starts from the template as it was loaded, so the callsign and numbers
    // shown now are the ones that reach this profile.
    CommandTables tables = state_.CommandTemplate;
    UpdateSubstitutionValues(state_.Substitution, ToWide(txtCallsign->text()),
                             Combo1->currentIndex(), Combo2->currentIndex());
    try {
        PersonalisePhrases(tables.CommandPhrases, tables.CommandCount, state_.Substitution);
    } catch (const std::exception& error) {
        // A callsign that keeps forming new placeholders with the text around it: say which
        // phrase and leave the window as it is.
        services_.messageBoxes.show(this, ErrorText(error), MessageButtons::Ok);
        return;
    }

    CommonDialog1.initialFolder =
        PathFromStoredText(ReadGeneral(QStringLiteral("VoxtrelProfilesPath"), QString()));
    CommonDialog1.promptBeforeOverwrite = true;

    const FileDialogResult chosen = services_.fileDialogs.showSave(this, CommonDialog1);
    if (endedWithStatus_) {
        // The program was asked to end (a termination signal) while the dialog was open.
        return;
    }
    if (!chosen) {
        services_.messageBoxes.show(this, kGenerationAbortedText, MessageButtons::Ok);
        return;
    }
    const QString profilePath = *chosen;
    // Like the dialog it stands for, the save dialog keeps the chosen file for its next showing.
    CommonDialog1.fileName = profilePath;

    try {
        if (state_.AppendMode == 1) {
            WriteMergedProfile(ToFilesystemPath(profilePath),
                               ToFilesystemPath(state_.AppendSourcePath), tables);
        } else {
            const PushToTalkValues pushToTalk{
                chkPTT->checkState() != Qt::Unchecked, ToWide(PTTType->currentText()),
                ToWide(PTTInitState->currentText()),   ToWide(txtPTTKey->text()),
                ToWide(PTTJoyButton->currentText()),   ToWide(txtPTTKey2->text())};
            WriteNewProfile(ToFilesystemPath(profilePath), tables, pushToTalk);
        }
    } catch (const std::exception& error) {
        // The writers replace the target only once the whole document is written, so the file
        // keeps its previous content; the settings are not stored and the window stays.
        services_.messageBoxes.show(this, ProfileNotWrittenText(ErrorText(error)),
                                    MessageButtons::Ok);
        return;
    }

    StorePushToTalkSettings();
    OfferToStartVoxtrel(profilePath);
}

void Form1::StorePushToTalkSettings() {
    // Stored as the controls show them, untrimmed, in this order.
    WriteGeneral(QStringLiteral("LastPTT1"), txtPTTKey->text());
    WriteGeneral(QStringLiteral("LastPTT2"), txtPTTKey2->text());
    WriteGeneral(QStringLiteral("LastBut"), PTTJoyButton->currentText());
    WriteGeneral(QStringLiteral("PTTEnabled"),
                 chkPTT->checkState() != Qt::Unchecked ? QStringLiteral("1") : QStringLiteral("0"));
    WriteGeneral(QStringLiteral("PTTInState"), PTTInitState->currentText());
    WriteGeneral(QStringLiteral("PTTKind"), PTTType->currentText());
}

void Form1::OfferToStartVoxtrel(const QString& profilePath) {
    if (services_.messageBoxes.show(this, kStartVoxtrelText, MessageButtons::YesNo,
                                    kStartVoxtrelTitle) != kAnswerYes) {
        return;
    }
    const QString missing = FromWide(kMissingValue);
    const auto trimSpaces = [](QString value) {
        while (value.startsWith(u' ')) {
            value.remove(0, 1);
        }
        while (value.endsWith(u' ')) {
            value.chop(1);
        }
        return value;
    };
    const QString profilesFolder =
        trimSpaces(ReadGeneral(QStringLiteral("VoxtrelProfilesPath"), missing));
    const QString executable = trimSpaces(ReadGeneral(QStringLiteral("VoxtrelEXE"), missing));

    QStringList missingKeys;
    if (profilesFolder == missing) {
        missingKeys << QStringLiteral("VoxtrelProfilesPath");
    }
    if (executable == missing) {
        missingKeys << QStringLiteral("VoxtrelEXE");
    }
    if (!missingKeys.isEmpty()) {
        services_.messageBoxes.show(this, VoxtrelLocationMissingText(missingKeys),
                                    MessageButtons::Ok);
        EndProgram(kExitNormal);
        return;
    }

    // The profile just written is the one argument, handed over without a shell, so spaces and
    // any other characters in its path arrive intact.
    const QString program = PathFromStoredText(executable);
    const StartResult result = services_.programStarter.start(program, {profilePath});
    if (!result.started) {
        services_.messageBoxes.show(this, VoxtrelNotStartedText(program, result.reason),
                                    MessageButtons::Ok);
        return;
    }
    EndProgram(kExitNormal);
}

}  // namespace wingcall::app
