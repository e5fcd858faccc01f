// Profiles written by Wingcall's own writers, read back by the stand-in: whatever the user typed,
// markup characters and characters outside the code page included, comes back value for value.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "profile/personalisation.h"
#include "profile_reader.h"

namespace voxtrel {
namespace {

using wingcall::CommandTables;
using wingcall::PushToTalkValues;

// Each text is used as a callsign, a command name, a key sequence and a push-to-talk key.
const std::vector<std::wstring> kTexts = {
    L"Viper",
    L"A&B",
    L"<break>",
    L"say \"rejoin\" now",
    L"it's",
    L"\" lang=\"x",  // would end the attribute and add one of its own if it went in raw
    L"&amp; &#321; ]]> --> <!-- &",
    L"\u0141ukasz \u20AC\u00E9 \U0001F600",  // outside Windows-1252, in it, and past the BMP
    L"{LSHIFT}<&>\"'",
};

Profile Read(const std::string& document) {
    return ReadProfile(QByteArray::fromStdString(document));
}

QString Q(const std::wstring& text) {
    return QString::fromStdWString(text);
}

// One command per text, its phrase personalised with the text as the callsign.
CommandTables TablesOfTexts() {
    CommandTables tables;
    tables.CommandNames = {L""};
    tables.CommandPhrases = {L""};
    tables.CommandKeys = {L""};
    for (const std::wstring& text : kTexts) {
        tables.CommandNames.push_back(text);
        tables.CommandPhrases.push_back(L"callsign$ flightnumber$ number$, " + text);
        tables.CommandKeys.push_back(text);
    }
    tables.CommandNames.push_back(L"vuoto");
    tables.CommandPhrases.push_back(L"vuoto");
    tables.CommandKeys.push_back(L"vuoto");
    tables.CommandCount = kTexts.size();
    return tables;
}

void ExpectCommandsRead(const Profile& profile, const CommandTables& tables, qsizetype first) {
    for (std::size_t i = 1; i <= tables.CommandCount; ++i) {
        SCOPED_TRACE(Q(tables.CommandNames[i]).toStdString());
        const ProfileCommand& command = profile.commands[first + static_cast<qsizetype>(i) - 1];
        EXPECT_EQ(command.name, Q(tables.CommandNames[i]));
        EXPECT_EQ(command.phrase, Q(tables.CommandPhrases[i]));
        EXPECT_EQ(command.keys, Q(tables.CommandKeys[i]));
    }
}

TEST(WingcallProfileReadBack, EveryValueOfANewProfileComesBackAsItWent) {
    CommandTables tables = TablesOfTexts();
    for (const std::wstring& callsign : kTexts) {
        SCOPED_TRACE(Q(callsign).toStdString());
        CommandTables personalised = tables;
        wingcall::SubstitutionValues values;
        wingcall::UpdateSubstitutionValues(values, callsign, 1, 2);
        wingcall::PersonalisePhrases(personalised.CommandPhrases, personalised.CommandCount,
                                     values);
        // The push-to-talk values come from lists, but are written like any other value.
        const PushToTalkValues pushToTalk{true, callsign, L"o\"n", callsign, L"<3>", callsign};

        const Profile profile = Read(wingcall::NewProfileDocument(personalised, pushToTalk));
        EXPECT_TRUE(profile.readingFindings.isEmpty())
            << profile.readingFindings.value(0).text.toStdString();
        ASSERT_EQ(profile.commands.size(), static_cast<qsizetype>(kTexts.size()));
        ExpectCommandsRead(profile, personalised, 0);
        EXPECT_EQ(profile.pushToTalk.mode, Q(callsign));
        EXPECT_EQ(profile.pushToTalk.initialState, "o\"n");
        ASSERT_EQ(profile.pushToTalk.inputs.size(), 3);
        EXPECT_EQ(profile.pushToTalk.inputs[0].value, Q(callsign));
        EXPECT_EQ(profile.pushToTalk.inputs[1].value, "<3>");
        EXPECT_EQ(profile.pushToTalk.inputs[2].value, Q(callsign));
    }
}

TEST(WingcallProfileReadBack, AMergeOfTwoSuchProfilesHoldsBothSetsOfValues) {
    const CommandTables tables = TablesOfTexts();
    const PushToTalkValues pushToTalk{true, L"hold", L"on", L"A&B", L"None", L""};
    const std::string source = wingcall::NewProfileDocument(tables, pushToTalk);
    const Profile profile = Read(wingcall::MergedProfileDocument(tables, source));
    EXPECT_TRUE(profile.readingFindings.isEmpty())
        << profile.readingFindings.value(0).text.toStdString();
    ASSERT_EQ(profile.commands.size(), static_cast<qsizetype>(2 * kTexts.size()));
    ExpectCommandsRead(profile, tables, 0);
    ExpectCommandsRead(profile, tables, static_cast<qsizetype>(kTexts.size()));
    ASSERT_EQ(profile.pushToTalk.inputs.size(), 1);
    EXPECT_EQ(profile.pushToTalk.inputs[0].value, "A&B");
}

}  // namespace
}  // namespace voxtrel
