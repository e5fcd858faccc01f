// Form1's Generate command: personalise, save, store the push-to-talk settings, offer Voxtrel.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include "app/app_messages.h"
#include "app/calls_already_there.h"
#include "app/error_text.h"
#include "app/general_settings_step.h"
#include "app/key_name_box.h"
#include "app/main_window.h"
#include "app/stored_path.h"
#include "app/text_conversion.h"
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "profile/personalisation.h"
#include "settings/settings_file.h"

namespace wingcall::app {
namespace {

// What the pilot can do about a profile that was not written, where that lies with the pilot: a
// refused source stays chosen in append mode until it is changed; an output that could not be
// written needs another folder or a writable one.
QString NextStepAfterWriteFailure(const std::exception& error, const QString& appendSourcePath) {
    if (dynamic_cast<const MergeSourceRefused*>(&error) != nullptr) {
        return AppendSourceStillChosenText(appendSourcePath);
    }
    const auto* numbered = dynamic_cast<const WingcallError*>(&error);
    if (numbered != nullptr && numbered->number() == ErrorNumber::FileAccess) {
        return kOutputNotWritableNextStep;
    }
    return QString();
}

}  // namespace

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

    if (!ConfirmUnknownPushToTalkKeys()) {
        return;
    }
    if (state_.AppendMode == 1 && !ConfirmAddingCallsAgain(tables)) {
        return;
    }

    CommonDialog1.initialFolder =
        PathFromStoredText(ReadGeneral(QStringLiteral("VoxtrelProfilesPath"), QString()));
    CommonDialog1.promptBeforeOverwrite = true;
    // A name typed without an extension gets the one of the dialog's filter, as the platform's
    // save dialogs do: a profile called "Wingcall" is one that neither the append dialog nor
    // Voxtrel's import would offer. The dialog asks about overwriting the name it will really
    // give back, and that name is the one written, passed to Voxtrel and named in every message.
    CommonDialog1.defaultSuffix = QStringLiteral("xml");

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
        services_.messageBoxes.show(
            this,
            ProfileNotWrittenText(ErrorText(error),
                                  NextStepAfterWriteFailure(error, state_.AppendSourcePath)),
            MessageButtons::Ok);
        return;
    }

    StorePushToTalkSettings();
    if (endedWithStatus_) {
        // Asked to end while the settings message was open.
        return;
    }
    OfferToStartVoxtrel(profilePath);
}

void Form1::StorePushToTalkSettings() {
    // Stored as the controls show them, untrimmed, in this order.
    GeneralSettingsStep settings(state_.SettingsPath);
    settings.write(QStringLiteral("LastPTT1"), txtPTTKey->text());
    settings.write(QStringLiteral("LastPTT2"), txtPTTKey2->text());
    settings.write(QStringLiteral("LastBut"), PTTJoyButton->currentText());
    settings.write(QStringLiteral("PTTEnabled"), chkPTT->checkState() != Qt::Unchecked
                                                     ? QStringLiteral("1")
                                                     : QStringLiteral("0"));
    settings.write(QStringLiteral("PTTInState"), PTTInitState->currentText());
    settings.write(QStringLiteral("PTTKind"), PTTType->currentText());
    // The flight the profile was made for comes back at the next start.
    settings.write(QStringLiteral("LastCallsign"), txtCallsign->text());
    settings.write(QStringLiteral("LastFlightNumber"), Combo1->currentText());
    settings.write(QStringLiteral("LastPosition"), Combo2->currentText());
    // The profile is written whatever became of these; the pilot hears once that the choices
    // will not be remembered, and the flow goes on to the launch question.
    if (const std::optional<QString> failure = settings.failureMessage()) {
        services_.messageBoxes.show(this, *failure, MessageButtons::Ok);
    }
}

bool Form1::ConfirmUnknownPushToTalkKeys() {
    // Only a new profile gets the window's push-to-talk block; a merge keeps the profile's own.
    if (chkPTT->checkState() == Qt::Unchecked || state_.AppendMode == 1) {
        return true;
    }
    QStringList sentences;
    QLineEdit* firstWrong = nullptr;
    for (QLineEdit* box : {txtPTTKey, txtPTTKey2}) {
        const QString sentence = UnknownPushToTalkKeySentence(
            box == txtPTTKey ? Label6->text() : Label8->text(), box->text());
        if (!sentence.isEmpty()) {
            sentences << sentence;
            firstWrong = firstWrong != nullptr ? firstWrong : box;
        }
    }
    if (firstWrong == nullptr) {
        return true;
    }
    if (services_.messageBoxes.show(this, UnknownPushToTalkKeysQuestion(sentences),
                                    MessageButtons::YesNoDefaultNo) == kAnswerYes) {
        return true;
    }
    firstWrong->setFocus();
    firstWrong->selectAll();
    return false;
}

bool Form1::ConfirmAddingCallsAgain(const CommandTables& tables) {
    QStringList newPhrases;
    for (std::size_t index = 1;
         index <= tables.CommandCount && index < tables.CommandPhrases.size(); ++index) {
        newPhrases << FromWide(tables.CommandPhrases[index]);
    }
    const std::optional<CallsAlreadyThere> already =
        FindCallsAlreadyThere(state_.AppendSourcePath, newPhrases);
    if (!already) {
        return true;
    }
    return services_.messageBoxes.show(
               this,
               CallsAlreadyThereQuestion(QFileInfo(state_.AppendSourcePath).fileName(),
                                         already->count, already->firstPhrase),
               MessageButtons::YesNoDefaultNo) == kAnswerYes;
}

void Form1::OfferToStartVoxtrel(const QString& profilePath) {
    if (services_.messageBoxes.show(this, kStartVoxtrelText, MessageButtons::YesNo,
                                    kStartVoxtrelTitle) != kAnswerYes) {
        return;
    }
    QString program = state_.VoxtrelChosenThisRun;
    if (program.isEmpty()) {
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
            std::optional<QString> chosen;
            if (services_.messageBoxes.show(this,
                                            VoxtrelLocationMissingText(missingKeys, profilePath),
                                            MessageButtons::YesNo) == kAnswerYes) {
                chosen = ChooseAndStoreVoxtrel();
            }
            if (endedWithStatus_) {
                return;
            }
            if (!chosen) {
                // Without Voxtrel's location the program ends, as it always has.
                EndProgram(kExitNormal);
                return;
            }
            program = *chosen;
        } else {
            program = PathFromStoredText(executable);
        }
    }

    for (;;) {
        // A path typed into Wingcall.ini by hand may be relative: it names a file from Wingcall's
        // folder, and is handed over whole so that it is not looked up again from Voxtrel's.
        if (QDir::isRelativePath(QDir::fromNativeSeparators(program))) {
            program = QDir::toNativeSeparators(
                QDir::cleanPath(QDir(services_.hostFiles.programFolder())
                                    .absoluteFilePath(QDir::fromNativeSeparators(program))));
        }
        // The profile just written is the one argument, handed over without a shell, so spaces
        // and any other characters in its path arrive intact.
        const StartResult result = services_.programStarter.start(program, {profilePath});
        if (result.started) {
            EndProgram(kExitNormal);
            return;
        }
        if (services_.messageBoxes.show(this,
                                        VoxtrelNotStartedText(program, result.reason, profilePath),
                                        MessageButtons::YesNo) != kAnswerYes) {
            return;
        }
        const std::optional<QString> chosen = ChooseAndStoreVoxtrel();
        if (!chosen || endedWithStatus_) {
            return;
        }
        program = *chosen;
    }
}

}  // namespace wingcall::app
