// Writes a complete new profile document from the command tables and the push-to-talk choices.
#pragma once

#include <filesystem>
#include <string>

#include "settings/command_template.h"

namespace wingcall {

// The push-to-talk values as the main window shows them, taken as they are (no trimming).
struct PushToTalkValues {
    bool inUse = false;           // the "PTT" box is ticked
    std::wstring type;            // "hold" or "toggle"
    std::wstring initialState;    // "on" or "off"
    std::wstring key1;            // first key, free text, may be empty
    std::wstring joystickButton;  // "None" or "1".."32"
    std::wstring key2;            // second key, free text, may be empty
};

// The bytes of a new document for commands 1..CommandCount of `tables`, names trimmed of
// spaces. Throws WingcallError SubscriptOutOfRange naming the first entry a table lacks, and
// InvalidArgument naming a value that holds a character XML cannot hold (AttributeValueText).
std::string NewProfileDocument(const CommandTables& tables, const PushToTalkValues& pushToTalk);

// Writes NewProfileDocument to `outputPath`, replacing it only once every byte is written; a file
// already there is first kept as BackupPathFor(outputPath). Throws WingcallError naming the file
// and the reason on failure (BackupNotMade when the earlier file could not be kept); the target
// is then untouched.
void WriteNewProfile(const std::filesystem::path& outputPath, const CommandTables& tables,
                     const PushToTalkValues& pushToTalk);

}  // namespace wingcall
