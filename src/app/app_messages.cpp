// The plain-words failure reports: what went wrong, with the file or key concerned.
#include "app/app_messages.h"

#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

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

QString ProfileNotWrittenText(const QString& reason, const QString& nextStep) {
    QString text = QStringLiteral(
                       "The profile was not written, and the push-to-talk settings were not "
                       "stored.\n\n%1")
                       .arg(reason);
    if (!nextStep.isEmpty()) {
        text += QStringLiteral("\n\n") + nextStep;
    }
    return text;
}

QString AppendSourceStillChosenText(const QString& appendSourcePath) {
    return QStringLiteral(
               "Append mode still points at \"%1\". Open Append Settings to choose another "
               "profile, or untick Enable Append of Profile to write a new one.")
        .arg(appendSourcePath);
}

namespace {

QString ProfileWrittenAndChooseVoxtrelNow(const QString& profilePath, const QString& ending) {
    return QStringLiteral("The profile has been written to \"%1\".%2\n\n%3")
        .arg(profilePath, ending, kChooseVoxtrelNowQuestion);
}

}  // namespace

QString VoxtrelLocationMissingText(const QStringList& missingKeys, const QString& profilePath) {
    return QStringLiteral(
               "Voxtrel was not started: Wingcall.ini does not say where Voxtrel is (%1 "
               "missing from its [General] section).\n\n%2")
        .arg(missingKeys.join(QStringLiteral(" and ")) +
                 (missingKeys.size() > 1 ? QStringLiteral(" are") : QStringLiteral(" is")),
             ProfileWrittenAndChooseVoxtrelNow(
                 profilePath,
                 QStringLiteral(" If you answer No, or cancel the choice, Wingcall closes.")));
}

QString VoxtrelNotStartedText(const QString& executable, const QString& reason,
                              const QString& profilePath) {
    return QStringLiteral("Voxtrel could not be started from \"%1\": %2\n\n%3")
        .arg(executable, reason, ProfileWrittenAndChooseVoxtrelNow(profilePath, QString()));
}

QString CallsAlreadyThereQuestion(const QString& fileName, int count, const QString& firstPhrase) {
    return QStringLiteral(
               "\"%1\" already holds %2 of the calls Wingcall is about to add, for example "
               "\"%3\". Adding them again puts each of them in the profile twice, and Voxtrel "
               "cannot tell them apart.\n\nAdd them anyway?")
        .arg(fileName, QString::number(count), firstPhrase);
}

QString TemplateFindingsText(const QString& settingsPath, const QStringList& findings) {
    QString text = QStringLiteral(
                       "Some calls in the [Commands] section of Wingcall.ini (\"%1\") will not "
                       "reach your profiles as you may expect:\n")
                       .arg(settingsPath);
    for (qsizetype i = 0; i < findings.size() && i < kTemplateFindingsShown; ++i) {
        text += QStringLiteral("\n- ") + findings[i];
    }
    if (findings.size() > kTemplateFindingsShown) {
        const qsizetype rest = findings.size() - kTemplateFindingsShown;
        text += QStringLiteral("\n- and %1 more %2.")
                    .arg(rest)
                    .arg(rest == 1 ? QStringLiteral("finding") : QStringLiteral("findings"));
    }
    return text + QStringLiteral(
                      "\n\nWingcall goes on with the calls as they are. To mend them, close "
                      "Wingcall and edit Wingcall.ini: number the calls 1, 2, 3 and so on without "
                      "a gap, spell the placeholders callsign$, flightnumber$ and number$, and use "
                      "key names from the list that Instructions opens. Or put back the "
                      "Wingcall.ini that came with Wingcall.");
}

QString UnknownPushToTalkKeysQuestion(const QStringList& sentences) {
    return sentences.join(u' ') + QStringLiteral("\n\nGenerate anyway?");
}

QString ProgramFolderUnnamedText() {
    return QStringLiteral(
        "Wingcall cannot tell which folder it was started from: the system cannot hand over that "
        "folder's name as text (its name holds bytes that are no text in this system's encoding). "
        "Wingcall will now close.\n\nMove the Wingcall folder to a folder with a plain name, "
        "for example in Documents, and start it from there.");
}

namespace {

// Whether the settings file is marked read-only (its permission or attribute) in a folder where a
// file can be made: the folder is tried for real, since on Windows its permissions show only then.
bool OnlyTheFileIsReadOnly(const QString& settingsPath) {
    const QFileInfo file(settingsPath);
    const bool marked =
        file.exists() && (!file.isWritable() || !file.permission(QFileDevice::WriteOwner));
    if (!marked) {
        return false;
    }
    QTemporaryFile probe(file.absolutePath() + QStringLiteral("/Wingcall-XXXXXX.tmp"));
    return probe.open();
}

}  // namespace

QString SettingsNotSavedText(const QString& settingsPath, const SettingsWriteFailure& failure) {
    // A lock that stayed busy is a whole message of its own: moving the folder would not help.
    if (failure.lockStayedBusy) {
        return QString::fromStdString(failure.text);
    }
    // The reason is the system's, without a final period; one given with it keeps just one.
    QString reason = QString::fromStdString(failure.text);
    if (reason.endsWith(u'.')) {
        reason.chop(1);
    }
    if (reason.isEmpty()) {
        reason = QStringLiteral("the system did not say why");
    }
    if (OnlyTheFileIsReadOnly(settingsPath)) {
        // Only the file is in the way: moving the folder would carry the mark along.
        return QStringLiteral(
                   "Wingcall could not save its settings in \"%1\": %2.\n\nThe file "
                   "Wingcall.ini is marked read-only. Close Wingcall, clear the mark and start "
                   "Wingcall again: on Windows, right-click Wingcall.ini in Explorer, choose "
                   "Properties and untick Read-only; on Linux, make the file writable (chmod u+w "
                   "Wingcall.ini, or chattr -i as root for a file made immutable).")
            .arg(settingsPath, reason);
    }
    return QStringLiteral(
               "Wingcall could not save its settings in \"%1\": %2.\n\nWingcall keeps its "
               "settings beside the program. Move the whole Wingcall folder to a folder you can "
               "write to (for example Documents) and start it from there.")
        .arg(settingsPath, reason);
}

}  // namespace wingcall::app
