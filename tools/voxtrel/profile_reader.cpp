// Walks the profile document: the command list, the optional push-to-talk block, and records
// where the document stops being well-formed or holds something Voxtrel does not know.
#include "profile_reader.h"

#include <QFile>
#include <QXmlStreamReader>

#include "windows_1252.h"

namespace voxtrel {

namespace {

QString Attribute(const QXmlStreamReader& reader, const char* name) {
    return reader.attributes().value(QLatin1String(name)).toString();
}

void NoteUnexpected(QXmlStreamReader& reader, Profile& profile) {
    profile.readingFindings.append(
        {Finding::Kind::UnexpectedElement, reader.lineNumber(), reader.columnNumber(),
         QStringLiteral("Voxtrel does not know the element <%1> here; it is ignored.")
             .arg(reader.name().toString())});
    reader.skipCurrentElement();
}

void ReadCommand(QXmlStreamReader& reader, Profile& profile) {
    ProfileCommand command;
    command.name = Attribute(reader, "name");
    command.phrase = Attribute(reader, "phrase");
    command.line = reader.lineNumber();
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("sequence")) {
            command.keys = Attribute(reader, "keys");
            reader.skipCurrentElement();
        } else {
            NoteUnexpected(reader, profile);
        }
    }
    profile.commands.append(command);
}

void ReadCommandList(QXmlStreamReader& reader, Profile& profile) {
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("command")) {
            ReadCommand(reader, profile);
        } else {
            NoteUnexpected(reader, profile);
        }
    }
}

void ReadPushToTalk(QXmlStreamReader& reader, Profile& profile) {
    PushToTalkBlock& block = profile.pushToTalk;
    block.present = true;
    block.mode = Attribute(reader, "mode");
    block.initialState = Attribute(reader, "initial-state");
    block.line = reader.lineNumber();
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("key")) {
            block.inputs.append(
                {PushToTalkInput::Kind::Key, Attribute(reader, "type"), reader.lineNumber()});
            reader.skipCurrentElement();
        } else if (reader.name() == QLatin1String("button")) {
            block.inputs.append(
                {PushToTalkInput::Kind::Button, Attribute(reader, "number"), reader.lineNumber()});
            reader.skipCurrentElement();
        } else {
            NoteUnexpected(reader, profile);
        }
    }
}

// Reads the values of a document declared as ISO-8859-1 as the Windows program that wrote it
// meant them, so that a Euro sign or curly quote shows as itself.
void RemapLatinOneValues(Profile& profile) {
    for (ProfileCommand& command : profile.commands) {
        command.name = RemapWindows1252ControlRange(command.name);
        command.phrase = RemapWindows1252ControlRange(command.phrase);
        command.keys = RemapWindows1252ControlRange(command.keys);
    }
    PushToTalkBlock& block = profile.pushToTalk;
    block.mode = RemapWindows1252ControlRange(block.mode);
    block.initialState = RemapWindows1252ControlRange(block.initialState);
    for (PushToTalkInput& input : block.inputs) {
        input.value = RemapWindows1252ControlRange(input.value);
    }
}

}  // namespace

Profile ReadProfile(const QByteArray& document) {
    Profile profile;
    QXmlStreamReader reader(document);
    // The declaration is known only while the reader stands on it.
    QString encoding;
    if (reader.readNext() == QXmlStreamReader::StartDocument) {
        encoding = reader.documentEncoding().toString().toLower();
    }
    if (reader.isStartElement() || reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("voxtrel-config")) {
            while (reader.readNextStartElement()) {
                if (reader.name() == QLatin1String("command-list")) {
                    ReadCommandList(reader, profile);
                } else if (reader.name() == QLatin1String("push-to-talk")) {
                    ReadPushToTalk(reader, profile);
                } else {
                    NoteUnexpected(reader, profile);
                }
            }
        } else {
            profile.readingFindings.append(
                {Finding::Kind::NotAProfile, reader.lineNumber(), reader.columnNumber(),
                 QStringLiteral("This is not a Voxtrel profile: its root element is <%1>, "
                                "not <voxtrel-config>.")
                     .arg(reader.name().toString())});
            reader.skipCurrentElement();
        }
    }
    // Read on to the end, so that a fault after the root element is found too.
    while (!reader.atEnd()) {
        reader.readNext();
    }
    if (encoding == QLatin1String("iso-8859-1") || encoding == QLatin1String("latin1")) {
        RemapLatinOneValues(profile);
    }
    if (reader.hasError()) {
        profile.readingFindings.append(
            {Finding::Kind::NotWellFormed, reader.lineNumber(), reader.columnNumber(),
             QStringLiteral("The document is not well-formed XML: %1. Voxtrel cannot load it.")
                 .arg(reader.errorString())});
    }
    return profile;
}

Profile ReadProfileFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Profile profile;
        profile.readingFindings.append(
            {Finding::Kind::FileUnreadable, 0, 0,
             QStringLiteral("The profile %1 cannot be opened: %2.").arg(path, file.errorString())});
        return profile;
    }
    return ReadProfile(file.readAll());
}

}  // namespace voxtrel
