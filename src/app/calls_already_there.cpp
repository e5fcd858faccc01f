// Reads the phrases of an existing profile and finds the new calls it already holds.
#include "app/calls_already_there.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>

#include "profile/merged_profile_writer.h"

namespace wingcall::app {
namespace {

QString AsHeard(const QString& phrase) {
    return phrase.simplified().toCaseFolded();
}

// The phrases of every command in `document`, or none when it is not well-formed.
std::optional<QSet<QString>> PhrasesIn(const QByteArray& document) {
    QXmlStreamReader reader;
    // A UTF-8 document (marked, or declared so) is read as UTF-8; any other as the merge reads
    // it, byte for character, whatever its declaration says.
    const QByteArray mark = QByteArrayLiteral("\xEF\xBB\xBF");
    const QByteArray start = document.left(100).toLower();
    if (document.startsWith(mark)) {
        reader.addData(QString::fromUtf8(document.mid(mark.size())));
    } else if (start.startsWith("<?xml") && start.contains("utf-8")) {
        reader.addData(QString::fromUtf8(document));
    } else {
        reader.addData(QString::fromLatin1(document));
    }
    QSet<QString> phrases;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("command")) {
            const QString heard =
                AsHeard(reader.attributes().value(QLatin1String("phrase")).toString());
            if (!heard.isEmpty()) {
                phrases.insert(heard);
            }
        }
    }
    if (reader.hasError()) {
        return std::nullopt;
    }
    return phrases;
}

}  // namespace

std::optional<CallsAlreadyThere> FindCallsAlreadyThere(const QString& profilePath,
                                                       const QStringList& newPhrases) {
    // Only a file on disk is read here: a pipe or a device of that name would never end, and the
    // merge tells the pilot what is wrong with it.
    if (!QFileInfo(profilePath).isFile()) {
        return std::nullopt;
    }
    QFile file(profilePath);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential() ||
        file.size() > static_cast<qint64>(kMaximumMergeSourceBytes)) {
        return std::nullopt;
    }
    const std::optional<QSet<QString>> existing = PhrasesIn(file.readAll());
    if (!existing) {
        return std::nullopt;
    }
    CallsAlreadyThere found;
    for (const QString& phrase : newPhrases) {
        const QString heard = AsHeard(phrase);
        if (!heard.isEmpty() && existing->contains(heard)) {
            if (found.count == 0) {
                found.firstPhrase = phrase;
            }
            ++found.count;
        }
    }
    if (found.count == 0) {
        return std::nullopt;
    }
    return found;
}

}  // namespace wingcall::app
