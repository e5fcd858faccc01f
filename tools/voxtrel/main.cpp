// The Voxtrel stand-in: started with a profile path as its one argument, it shows what Voxtrel
// would load from the profile and what it finds wrong with it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include "key_vocabulary.h"
#include "profile_findings.h"
#include "profile_reader.h"
#include "stand_in_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Voxtrel"));

    const QStringList arguments = QApplication::arguments().mid(1);
    QString profilePath;
    voxtrel::Profile profile;
    if (arguments.size() == 1) {
        profilePath = QDir::toNativeSeparators(QDir::cleanPath(arguments.first()));
        profile = voxtrel::ReadProfileFile(arguments.first());
    } else if (arguments.size() > 1) {
        profile.readingFindings.append(
            {voxtrel::Finding::Kind::FileUnreadable, 0, 0,
             QStringLiteral("Voxtrel is started with the path of one profile; it was given %1 "
                            "arguments.")
                 .arg(arguments.size())});
    }

    // The list of key names ships beside the program.
    voxtrel::KeyVocabulary vocabulary;
    vocabulary.LoadFromFile(
        QDir(QApplication::applicationDirPath()).filePath(QStringLiteral("key-names.txt")));
    // Its other spellings are built in, for the findings' "Write it" hints.
    QFile aliases(QStringLiteral(":/voxtrel/key-name-aliases.txt"));
    if (aliases.open(QIODevice::ReadOnly)) {
        vocabulary.LoadAliasesFromText(QString::fromUtf8(aliases.readAll()));
    }

    if (arguments.isEmpty()) {
        // Started on its own: nothing to check yet, and the pilot learns how to give it a profile.
        voxtrel::StandInWindow window;
        window.show();
        window.raise();
        window.activateWindow();
        return QApplication::exec();
    }

    voxtrel::StandInWindow window(profilePath, profile, voxtrel::FindProblems(profile, vocabulary));
    window.show();
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}
