// The plain-words failure reports: what went wrong, with the file or key concerned.
#include "app/app_messages.h"

#include <QStringList>

namespace wingcall::app {

QString NotVoxtrelExecutableText(const QString& chosenPath) {
    return QStringLiteral(
               "The file you chose is not voxtrel.exe:\n%1\n\n"
               "Please choose the file voxtrel.exe in the Voxtrel folder.")
        .arg(chosenPath);
}

QString PathNotStorableText(const QString& chosenPath, const QString& problem) {
    return QStringLiteral(
               "Wingcall cannot remember where this Voxtrel is:\n%1\n\n%2 Nothing has been "
               "stored.\n\nPlease choose voxtrel.exe in another folder, or move Voxtrel to a "
               "folder with a shorter or plainer path.")
        .arg(chosenPath, problem);
}

QString UntrappedErrorText(const QString& reason) {
    return QStringLiteral("Wingcall cannot go on and will now close.\n\n%1").arg(reason);
}

QString ProfileNotWrittenText(const QString& reason) {
    return QStringLiteral(
               "The profile was not written, and the push-to-talk settings were not "
               "stored.\n\n%1")
        .arg(reason);
}

QString VoxtrelLocationMissingText(const QStringList& missingKeys) {
    return QStringLiteral(
               "Voxtrel was not started: Wingcall.ini does not say where Voxtrel is (%1 "
               "missing from its [General] section).\n\n"
               "The profile has been written. Wingcall will now close.")
        .arg(missingKeys.join(QStringLiteral(" and ")) +
             (missingKeys.size() > 1 ? QStringLiteral(" are") : QStringLiteral(" is")));
}

QString VoxtrelNotStartedText(const QString& executable, const QString& reason) {
    return QStringLiteral(
               "Voxtrel could not be started from \"%1\": %2\n\nThe profile has been "
               "written.")
        .arg(executable, reason);
}

}  // namespace wingcall::app
