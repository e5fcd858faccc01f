// What the stand-in reads from a profile document, and what it finds wrong with it.
#pragma once

#include <QList>
#include <QString>

namespace voxtrel {

struct ProfileCommand {
    QString name;
    QString phrase;
    QString keys;
    qint64 line = 0;  // line of the <command> tag
};

struct PushToTalkInput {
    enum class Kind { Key, Button };
    Kind kind = Kind::Key;
    QString value;  // the key's name or the button's number
    qint64 line = 0;
};

struct PushToTalkBlock {
    bool present = false;
    QString mode;
    QString initialState;
    QList<PushToTalkInput> inputs;  // in document order
    qint64 line = 0;
};

struct Finding {
    enum class Kind {
        FileUnreadable,
        NotWellFormed,
        NotAProfile,
        UnexpectedElement,
        KeyNamesUnavailable,
        UnknownKeyName,
        EmptyPhrase,
        SharedPhrase,
        ButtonOutOfRange,
        NoCommands,
    };
    Kind kind;
    qint64 line = 0;  // 0 when the finding concerns no line
    qint64 column = 0;
    QString text;
};

struct Profile {
    QList<ProfileCommand> commands;
    PushToTalkBlock pushToTalk;
    // Problems met while reading: an unreadable file, a document that is not well-formed (what
    // was read before the fault is kept), a root that is not a profile, unknown elements.
    QList<Finding> readingFindings;
};

}  // namespace voxtrel
