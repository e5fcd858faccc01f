// Settings files with command templates of any size, for the robustness tests.
#pragma once

#include <cstddef>
#include <string>

namespace wingcall::testing {

// A [General] section as a used installation holds it, then a [Commands] section with `count`
// commands in three families of equal length, every line ended by CR LF.
inline std::string SettingsWithTemplate(std::size_t count) {
    std::string text =
        "[General]\r\nOpenedOnce=1\r\nVoxtrelEXE=C:\\Voxtrel\\voxtrel.exe\r\n"
        "VoxtrelProfilesPath=C:\\Voxtrel\\profiles\r\nLastPTT1=original\r\nLastPTT2=\r\n"
        "LastBut=None\r\nPTTEnabled=1\r\nPTTInState=on\r\nPTTKind=hold\r\n\r\n[Commands]\r\n";
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        text += "Command(" + n + ")=Call " + n + "\r\n";
    }
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        text += "Phrase(" + n + ")=callsign$ flightnumber$ number$ call " + n + "\r\n";
    }
    for (std::size_t i = 1; i <= count; ++i) {
        text += "Keys(" + std::to_string(i) + ")=LShift+F" + std::to_string(i % 12 + 1) + "\r\n";
    }
    return text;
}

}  // namespace wingcall::testing
