// Writes a complete new profile document from the command tables and the push-to-talk choices.
#include "profile/new_profile_writer.h"

#include "files/backed_up_replace.h"
#include "profile/profile_document.h"

namespace wingcall {
namespace {

constexpr std::wstring_view kNoJoystickButton = L"None";

// The push-to-talk block goes in only when it is in use and says how to switch listening on.
// The tests are exact: a key of one blank counts as set, and only "None" means no button.
bool WritesPushToTalkBlock(const PushToTalkValues& pushToTalk) {
    return pushToTalk.inUse &&
           (!pushToTalk.key2.empty() || pushToTalk.joystickButton != kNoJoystickButton ||
            !pushToTalk.key1.empty());
}

std::string Indent(std::size_t spaces) {
    return std::string(spaces, ' ');
}

void AppendKeyLine(std::string& document, const std::wstring& key, ProfileField field) {
    AppendLine(document, Indent(10) + "<key type=\"" + AttributeValueText(key, field) + "\" />");
}

void AppendPushToTalkBlock(std::string& document, const PushToTalkValues& pushToTalk) {
    AppendLine(document,
               Indent(9) + "<push-to-talk mode=\"" +
                   AttributeValueText(pushToTalk.type, ProfileField::PushToTalkType) +
                   "\" initial-state=\"" +
                   AttributeValueText(pushToTalk.initialState, ProfileField::InitialState) + "\">");
    if (!pushToTalk.key1.empty()) {
        AppendKeyLine(document, pushToTalk.key1, ProfileField::FirstKey);
    }
    if (pushToTalk.joystickButton != kNoJoystickButton) {
        AppendLine(document,
                   Indent(10) + "<button number=\"" +
                       AttributeValueText(pushToTalk.joystickButton, ProfileField::JoystickButton) +
                       "\" />");
    }
    if (!pushToTalk.key2.empty()) {
        AppendKeyLine(document, pushToTalk.key2, ProfileField::SecondKey);
    }
    AppendLine(document, Indent(9) + "</push-to-talk>");
}

}  // namespace

std::string NewProfileDocument(const CommandTables& tables, const PushToTalkValues& pushToTalk) {
    std::string document;
    AppendLine(document, ProfileHeaderText());
    AppendCommandBlocks(document, tables, CommandNameSpaces::Trimmed);
    // The closing list line has one space of indent fewer than the opening one; the format fixes
    // both, and documents already in use look like this.
    AppendLine(document, Indent(7) + "</command-list>");
    if (WritesPushToTalkBlock(pushToTalk)) {
        AppendPushToTalkBlock(document, pushToTalk);
    }
    AppendLine(document, "</voxtrel-config>");
    return document;
}

void WriteNewProfile(const std::filesystem::path& outputPath, const CommandTables& tables,
                     const PushToTalkValues& pushToTalk) {
    // The whole document is built first, so a refused command table leaves the target alone too.
    ReplaceFileKeepingBackup(outputPath, NewProfileDocument(tables, pushToTalk));
}

}  // namespace wingcall
