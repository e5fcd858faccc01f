// Content checks of a profile: key names, shared and empty phrases, joystick buttons.
#include "profile_findings.h"

#include <QHash>

#include <algorithm>

namespace voxtrel {

namespace {

// " Write it "RCtrl"." for a name that means a listed one, or nothing.
QString WriteItAs(const KeyVocabulary& vocabulary, const QString& name) {
    const QString meant = vocabulary.ListedNameFor(name.trimmed());
    return meant.isEmpty() ? QString() : QStringLiteral(" Write it \"%1\".").arg(meant);
}

// A text ends in one full stop, whatever the sentence put into it ended with.
QString OneFullStop(QString text) {
    while (text.endsWith(QStringLiteral(".."))) {
        text.chop(1);
    }
    return text;
}

void CheckKeyNames(const Profile& profile, const KeyVocabulary& vocabulary,
                   QList<Finding>& findings) {
    for (const ProfileCommand& command : profile.commands) {
        for (const QString& name : KeyNamesOfSequence(command.keys)) {
            if (name.isEmpty()) {
                findings.append({Finding::Kind::UnknownKeyName, command.line, 0,
                                 QStringLiteral("Command \"%1\": the key sequence \"%2\" has a '+' "
                                                "with no key name beside it.")
                                     .arg(command.name, command.keys)});
            } else if (!vocabulary.Contains(name)) {
                findings.append({Finding::Kind::UnknownKeyName, command.line, 0,
                                 QStringLiteral("Command \"%1\": \"%2\" is not a key name Voxtrel "
                                                "knows (key sequence \"%3\").")
                                         .arg(command.name, name, command.keys) +
                                     WriteItAs(vocabulary, name)});
            }
        }
    }
    for (const PushToTalkInput& input : profile.pushToTalk.inputs) {
        if (input.kind == PushToTalkInput::Kind::Key && !vocabulary.Contains(input.value)) {
            findings.append({Finding::Kind::UnknownKeyName, input.line, 0,
                             QStringLiteral("Push-to-talk: \"%1\" is not a key name Voxtrel knows "
                                            "(a push-to-talk key is one key name).")
                                     .arg(input.value) +
                                 WriteItAs(vocabulary, input.value)});
        }
    }
}

void CheckPhrases(const Profile& profile, QList<Finding>& findings) {
    // Voxtrel hears words, not letter case or spacing, so those do not tell phrases apart.
    QHash<QString, QList<const ProfileCommand*>> byPhrase;
    QList<QString> order;
    for (const ProfileCommand& command : profile.commands) {
        const QString spoken = command.phrase.simplified().toCaseFolded();
        if (spoken.isEmpty()) {
            findings.append(
                {Finding::Kind::EmptyPhrase, command.line, 0,
                 QStringLiteral("Command \"%1\" has no phrase to speak.").arg(command.name)});
            continue;
        }
        auto& sharing = byPhrase[spoken];
        if (sharing.isEmpty()) {
            order.append(spoken);
        }
        sharing.append(&command);
    }
    for (const QString& spoken : order) {
        const auto& sharing = byPhrase[spoken];
        if (sharing.size() < 2) {
            continue;
        }
        QStringList who;
        for (const ProfileCommand* command : sharing) {
            who.append(QStringLiteral("\"%1\" (line %2)").arg(command->name).arg(command->line));
        }
        findings.append({Finding::Kind::SharedPhrase, sharing[1]->line, 0,
                         QStringLiteral("Commands %1 and %2 share the phrase \"%3\": Voxtrel "
                                        "cannot tell them apart.")
                             .arg(who.mid(0, who.size() - 1).join(QStringLiteral(", ")), who.last(),
                                  sharing[0]->phrase)});
    }
}

void CheckButtons(const Profile& profile, QList<Finding>& findings) {
    for (const PushToTalkInput& input : profile.pushToTalk.inputs) {
        if (input.kind != PushToTalkInput::Kind::Button) {
            continue;
        }
        bool isNumber = false;
        const int number = input.value.toInt(&isNumber);
        if (!isNumber || number < 1 || number > 32) {
            findings.append({Finding::Kind::ButtonOutOfRange, input.line, 0,
                             QStringLiteral("Push-to-talk: joystick button \"%1\" is not a number "
                                            "from 1 to 32.")
                                 .arg(input.value)});
        }
    }
}

}  // namespace

QList<Finding> FindProblems(const Profile& profile, const KeyVocabulary& vocabulary) {
    QList<Finding> findings = profile.readingFindings;
    if (vocabulary.IsLoaded()) {
        CheckKeyNames(profile, vocabulary, findings);
    } else {
        const QString why = vocabulary.LoadError().isEmpty()
                                ? QStringLiteral("the list of key names is empty")
                                : vocabulary.LoadError();
        findings.append({Finding::Kind::KeyNamesUnavailable, 0, 0,
                         QStringLiteral("Key names were not checked: %1.").arg(why)});
    }
    // A document read without a fault that lists no command gives Voxtrel nothing to do.
    const bool readWhole = std::none_of(
        profile.readingFindings.begin(), profile.readingFindings.end(), [](const Finding& f) {
            return f.kind == Finding::Kind::FileUnreadable ||
                   f.kind == Finding::Kind::NotWellFormed || f.kind == Finding::Kind::NotAProfile;
        });
    if (profile.commands.isEmpty() && readWhole) {
        findings.append({Finding::Kind::NoCommands, 0, 0,
                         QStringLiteral("The profile holds no commands: Voxtrel has nothing to "
                                        "listen for.")});
    }
    CheckPhrases(profile, findings);
    CheckButtons(profile, findings);
    for (Finding& finding : findings) {
        finding.text = OneFullStop(finding.text);
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return findings;
}

}  // namespace voxtrel
