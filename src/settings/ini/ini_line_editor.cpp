// The line edit of a write: the file's bytes with one line set or inserted.
#ifndef _WIN32

#include "settings/ini/ini_line_editor.h"

namespace wingcall {

std::optional<std::string> ContentAfterWrite(const ParsedIniFile* file, std::string_view section,
                                             std::string_view key, std::string_view value) {
    if (file == nullptr || file->raw().empty()) {
        std::string content;
        content.append("[").append(section).append("]\r\n");
        content.append(key).append("=").append(value).append("\r\n");
        return content;
    }

    const std::string& raw = file->raw();
    std::string sectionStorage, keyStorage, valueStorage;
    const std::string_view internalSection = file->ToInternal(section, sectionStorage);
    const std::string_view internalKey = file->ToInternal(key, keyStorage);
    const std::string_view internalValue = file->ToInternal(value, valueStorage);
    const std::string keyLine =
        file->Encode(std::string(internalKey) + "=" + std::string(internalValue));

    const SectionRecord* sectionRecord = file->FindSection(internalSection);
    if (sectionRecord == nullptr) {
        // A new section at the end, after a line end when the last line has none.
        std::string lineEnd = file->DefaultLineEnd();
        std::string separator;
        if (const std::optional<LineSpan>& lastLine = file->LastLine()) {
            if (lastLine->hasLineEnd()) {
                lineEnd = file->LineEndOf(*lastLine);
            } else {
                separator = lineEnd;
            }
        }
        return raw + separator + file->Encode("[" + std::string(internalSection) + "]") + lineEnd +
               keyLine + lineEnd;
    }

    const KeyRecord* keyRecord = file->FindKey(*sectionRecord, internalKey);
    if (keyRecord != nullptr) {
        if (keyRecord->value == internalValue) {
            return std::nullopt;
        }
        // Only the text of this line changes, keeping the stored spelling of the key; its own
        // line end stays.
        const LineSpan& line = keyRecord->line;
        const std::string storedKeyLine =
            file->Encode(std::string(keyRecord->name) + "=" + std::string(internalValue));
        return raw.substr(0, line.begin) + storedKeyLine + raw.substr(line.contentEnd);
    }

    // A new key after the section's last non-blank line, in that line's line-end style.
    const LineSpan& neighbour = sectionRecord->lastNonBlankLine;
    if (neighbour.hasLineEnd()) {
        const std::string_view lineEnd = file->LineEndOf(neighbour);
        return raw.substr(0, neighbour.end) + keyLine + std::string(lineEnd) +
               raw.substr(neighbour.end);
    }
    // The neighbour is the file's last line and has no line end yet.
    const std::string lineEnd = file->DefaultLineEnd();
    return raw + lineEnd + keyLine + lineEnd;
}

}  // namespace wingcall

#endif
