// The Voxtrel stand-in: started with a profile path as its one argument, it shows what Voxtrel
// would load from the profile and what it finds wrong with it.
#include <QApplication>
#include <QDir>
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
    } else {
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

    voxtrel::StandInWindow window(profilePath, profile, voxtrel::FindProblems(profile, vocabulary));
    window.show();
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}
