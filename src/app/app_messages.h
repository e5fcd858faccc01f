// The texts of the program's message boxes and window captions, character for character.
#pragma once

#include <QString>

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
QString ProfileNotWrittenText(const QString& reason);
QString VoxtrelLocationMissingText(const QStringList& missingKeys);
QString VoxtrelNotStartedText(const QString& executable, const QString& reason);

}  // namespace wingcall::app
