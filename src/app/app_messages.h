// The texts of the program's message boxes and window captions, character for character.
#pragma once

#include <QString>

#include "settings/settings_file.h"

namespace wingcall::app {

inline const QString kWindowCaption = QStringLiteral("Wingcall");

// Start-up.
inline const QString kSettingsMissingText =
    QStringLiteral("Wingcall.ini not present, exiting program !");
inline const QString kSettingsMissingTitle = QStringLiteral("File not present !");
inline const QString kSpecifyVoxtrelText =
    QStringLiteral("You will now have to specify the Voxtrel folder");
inline const QString kFirstRunCancelledText = QStringLiteral("Error, closing program");
inline const QString kFirstRunCancelledTitle = QStringLiteral("Error !!!");

// Generation.
inline const QString kStartVoxtrelText =
    QStringLiteral("Do you want to start Voxtrel with this profile ?");
inline const QString kStartVoxtrelTitle = QStringLiteral("Start Voxtrel ?");
inline const QString kGenerationAbortedText = QStringLiteral("Profile generation aborted");

// The name the first-run setup looks for in the chosen path, in any letter case.
inline const QString kVoxtrelExecutableName = QStringLiteral("voxtrel.exe");

// Plain-words reports of failures the window recovers from or ends with.
QString NotVoxtrelExecutableText(const QString& chosenPath);
QString PathNotStorableText(const QString& chosenPath, const QString& problem);
QString UntrappedErrorText(const QString& reason);
// `nextStep`, when given, is the sentence that tells the pilot what to do about `reason`.
QString ProfileNotWrittenText(const QString& reason, const QString& nextStep = QString());
// What to do when the chosen profile or its folder cannot be written.
inline const QString kOutputNotWritableNextStep = QStringLiteral(
    "Press Generate again and choose a folder you can write to (for example Documents), or make "
    "this one writable.");
// What to do when the profile append mode adds to is refused: append mode still points at it.
QString AppendSourceStillChosenText(const QString& appendSourcePath);
// Voxtrel was not started, for a Wingcall.ini that does not say where it is, or for a start that
// failed; both name the profile written and end in the question kChooseVoxtrelNowQuestion.
QString VoxtrelLocationMissingText(const QStringList& missingKeys, const QString& profilePath);
QString VoxtrelNotStartedText(const QString& executable, const QString& reason,
                              const QString& profilePath);
inline const QString kChooseVoxtrelNowQuestion = QStringLiteral("Choose voxtrel.exe now?");
// Asked before adding calls to a profile that already holds `count` calls of the same phrase.
QString CallsAlreadyThereQuestion(const QString& fileName, int count, const QString& firstPhrase);
// What the template check found in the [Commands] section of the settings file at `settingsPath`:
// the first findings, a count of the rest, and how to mend them.
inline constexpr int kTemplateFindingsShown = 10;
QString TemplateFindingsText(const QString& settingsPath, const QStringList& findings);
// The question Generate asks about push-to-talk keys Voxtrel does not know: `sentences` are the
// boxes' own (UnknownPushToTalkKeySentence).
QString UnknownPushToTalkKeysQuestion(const QStringList& sentences);
// The folder Wingcall was started from has a name the system cannot hand over as text.
QString ProgramFolderUnnamedText();
// A write of Wingcall.ini at `settingsPath` that stored nothing, and why. A file marked read-only
// in a folder that can be written is told apart from a folder Wingcall cannot write to.
QString SettingsNotSavedText(const QString& settingsPath, const SettingsWriteFailure& failure);

}  // namespace wingcall::app
