// The state the windows share for the whole run.
#pragma once

#include <QString>

#include <string>

#include "profile/personalisation.h"
#include "settings/command_template.h"

namespace wingcall::app {

struct WingcallState {
    // The settings file: the program's folder, a separator and "Wingcall.ini".
    std::wstring SettingsPath;
    // VoxtrelProfilesPath as read at start-up: the append dialog's initial folder.
    QString ProfilesFolder;
    // The command template exactly as loaded. Each generation personalises a copy of it, so a
    // callsign or number changed between two generations reaches the second profile.
    CommandTables CommandTemplate;
    // The callsign and number words of the latest generation.
    SubstitutionValues Substitution;
    // The append choice made when the append options window last closed.
    int AppendMode = 0;
    QString AppendSourcePath;
    // The voxtrel.exe chosen in this run when Wingcall.ini could not store it: the launch starts
    // this one, since the settings file does not say where Voxtrel is. Empty otherwise.
    QString VoxtrelChosenThisRun;
};

}  // namespace wingcall::app
