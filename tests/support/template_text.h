// Command templates of any size for the tests: as settings-file text, and as loaded tables.
#pragma once

#include <cstddef>
#include <string>

#include "settings/command_template.h"

namespace wingcall::testing {

// Entries 1..count of one family, each "<family> <n>" so that every slot can be checked.
inline std::string FamilyLines(const std::string& family, std::size_t count) {
    std::string lines;
    for (std::size_t n = 1; n <= count; ++n) {
        const std::string number = std::to_string(n);
        lines += family + "(" + number + ")=" + family + " " + number + "\r\n";
    }
    return lines;
}

// A [Commands] section whose three families have the given lengths.
inline std::string CommandsSection(std::size_t commands, std::size_t phrases, std::size_t keys) {
    return "[Commands]\r\n" + FamilyLines("Command", commands) + FamilyLines("Phrase", phrases) +
           FamilyLines("Keys", keys);
}

// A [General] section as a used installation holds it, then `count` commands in three families
// of equal length, every line ended by CR LF.
inline std::string SettingsWithTemplate(std::size_t count) {
    return "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=C:\\Voxtrel\\voxtrel.exe\r\n"
           "VoxtrelProfilesPath=C:\\Voxtrel\\profiles\r\nLastPTT1=original\r\nLastPTT2=\r\n"
           "LastBut=None\r\nPTTEnabled=1\r\nPTTInState=on\r\nPTTKind=hold\r\n\r\n" +
           CommandsSection(count, count, count);
}

// Tables as a load of `count` commands leaves them, the phrases carrying `callsign`.
inline CommandTables TablesFor(std::size_t count, const std::wstring& callsign = L"Viper") {
    CommandTables tables;
    tables.CommandNames.assign(count + 3, L"");
    tables.CommandPhrases.assign(count + 3, L"");
    tables.CommandKeys.assign(count + 3, L"");
    for (std::size_t i = 1; i <= count; ++i) {
        tables.CommandNames[i] = L"Call " + std::to_wstring(i);
        tables.CommandPhrases[i] = callsign + L" one two call " + std::to_wstring(i);
        tables.CommandKeys[i] = L"LShift+F" + std::to_wstring(i % 12 + 1);
    }
    tables.CommandCount = count;
    return tables;
}

}  // namespace wingcall::testing
