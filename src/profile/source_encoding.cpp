// The encoding a merge source is written in, and its characters as the merged profile holds
// them: that profile is declared ISO-8859-1, whatever the source was.
#include "profile/source_encoding.h"

#include <array>
#include <cstdio>
#include <vector>

#include "profile/merge_source_lines.h"
#include "profile/xml_declaration.h"
#include "text/ascii_case.h"
#include "text/utf8_text.h"
#include "text/windows_1252.h"

namespace wingcall {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

enum class Encoding { LatinOne, Ascii, Utf8, Windows1252, Other };

// The names XML and the IANA registry give each encoding Wingcall reads, in small letters.
constexpr std::array<std::string_view, 10> kLatinOneNames = {
    "iso-8859-1", "iso_8859-1", "iso_8859-1:1987", "iso-ir-100",  "latin1",
    "l1",         "ibm819",     "cp819",           "csisolatin1", "iso8859-1"};
constexpr std::array<std::string_view, 8> kAsciiNames = {
    "us-ascii", "ascii", "iso646-us", "ansi_x3.4-1968", "us", "cp367", "ibm367", "csascii"};
constexpr std::array<std::string_view, 2> kUtf8Names = {"utf-8", "utf8"};
constexpr std::array<std::string_view, 3> kWindows1252Names = {"windows-1252", "cp1252",
                                                               "x-cp1252"};

template <std::size_t N>
bool NamedAmong(std::string_view name, const std::array<std::string_view, N>& names) {
    for (std::string_view known : names) {
        if (name.size() == known.size() && StartsWithIgnoringAsciiCase(name, known)) {
            return true;
        }
    }
    return false;
}

// Where a byte of the source stands, as far as a character reference can stand in for a
// character there: in text and attribute values it can, anywhere else it cannot.
enum class Place { Text, Tag, Value, Comment, Instruction, CData, DocumentType };

const char* PlaceName(Place place) {
    switch (place) {
        case Place::Tag:
            return "in a name";
        case Place::Comment:
            return "in a comment";
        case Place::Instruction:
            return "in a processing instruction";
        case Place::CData:
            return "in a CDATA section";
        default:
            return "in its document type declaration";
    }
}

// Follows the places of a well-formed document byte by byte. Every delimiter of XML is ASCII,
// and neither encoding read here uses ASCII bytes for anything else.
class PlaceTracker {
  public:
    // The place of the byte at `at` of `text`, which then counts as read.
    Place Step(std::string_view text, std::size_t at) {
        const Place here = place_;
        if (delimiterLeft_ > 0) {
            // Inside the opening or the closing of a comment, instruction or section.
            if (--delimiterLeft_ == 0 && leaving_) {
                Leave();
            }
            return here;
        }
        const std::string_view rest = text.substr(at);
        switch (place_) {
            case Place::Text:
                if (rest.starts_with("<!--")) {
                    Enter(Place::Comment, "<!--", "-->");
                } else if (rest.starts_with("<![CDATA[")) {
                    Enter(Place::CData, "<![CDATA[", "]]>");
                } else if (rest.starts_with("<?")) {
                    Enter(Place::Instruction, "<?", "?>");
                } else if (rest.starts_with("<!")) {
                    Enter(Place::DocumentType, "<!", ">");
                } else if (rest[0] == '<') {
                    place_ = Place::Tag;
                }
                break;
            case Place::Tag:
                if (rest[0] == '"' || rest[0] == '\'') {
                    quote_ = rest[0];
                    place_ = Place::Value;
                } else if (rest[0] == '>') {
                    place_ = Place::Text;
                }
                break;
            case Place::Value:
                if (rest[0] == quote_) {
                    place_ = Place::Tag;
                }
                break;
            default:
                if (rest.starts_with(closing_)) {
                    delimiterLeft_ = closing_.size() - 1;
                    leaving_ = true;
                    if (delimiterLeft_ == 0) {
                        Leave();
                    }
                }
                break;
        }
        return here;
    }

  private:
    void Enter(Place place, std::string_view opening, std::string_view closing) {
        place_ = place;
        closing_ = closing;
        delimiterLeft_ = opening.size() - 1;
    }

    void Leave() {
        place_ = Place::Text;
        leaving_ = false;
    }

    Place place_ = Place::Text;
    char quote_ = '"';
    std::string_view closing_;
    std::size_t delimiterLeft_ = 0;
    bool leaving_ = false;
};

std::string ByteName(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
    return text;
}

SourceInLatinOne Refused(std::string reason, bool notAProfile) {
    SourceInLatinOne refused;
    refused.refusal = std::move(reason);
    refused.notAProfile = notAProfile;
    return refused;
}

// The source carried character by character from `encoding` (UTF-8 or Windows-1252).
SourceInLatinOne Carry(std::string_view source, Encoding encoding, const std::string& written) {
    std::string carried;
    carried.reserve(source.size());
    PlaceTracker tracker;
    std::size_t at = 0;
    while (at < source.size()) {
        const std::size_t start = at;
        const Place place = tracker.Step(source, at);
        const auto byte = static_cast<unsigned char>(source[at]);
        char32_t character = byte;
        if (encoding == Encoding::Windows1252) {
            character = Windows1252CodePoint(byte);
            ++at;
        } else {
            character = NextUtf8CodePoint(source, at);
            if (character == kReplacementCharacter && source.substr(start, 3) != "\xEF\xBF\xBD") {
                return Refused(written + ", but its line " +
                                   std::to_string(SourceLineNumberAt(source, start)) +
                                   " holds the byte " + ByteName(byte) +
                                   ", which is no part of a UTF-8 character. If the file is in "
                                   "the Windows code page, put the declaration \"<?xml "
                                   "version=\"1.0\" encoding=\"iso-8859-1\" ?>\" on its first "
                                   "line; or choose a profile that Wingcall wrote.",
                               true);
            }
            // The places of the bytes inside a character follow from its first byte.
            for (std::size_t inside = start + 1; inside < at; ++inside) {
                tracker.Step(source, inside);
            }
        }
        if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
            carried.push_back(static_cast<char>(character));
        } else if (place == Place::Text || place == Place::Value) {
            carried += "&#" + std::to_string(static_cast<unsigned long>(character)) + ";";
        } else {
            std::string shown;
            AppendUtf8(shown, character);
            return Refused(written + ", and its line " +
                               std::to_string(SourceLineNumberAt(source, start)) + " holds \"" +
                               shown + "\" " + PlaceName(place) +
                               ", where a profile in ISO-8859-1, as Wingcall writes it, cannot "
                               "hold it. Take the character out there, or choose a profile that "
                               "Wingcall wrote.",
                           false);
        }
    }
    SourceInLatinOne result;
    result.bytes = std::move(carried);
    return result;
}

}  // namespace

SourceInLatinOne CarryIntoLatinOne(std::string_view source) {
    const bool marked = source.starts_with(kUtf8Mark);
    const std::string_view unmarked = marked ? source.substr(kUtf8Mark.size()) : source;
    const XmlDeclaration declaration = ReadXmlDeclaration(unmarked);
    if (declaration.present && !declaration.wellFormed) {
        return Refused(
            "its line 1 holds an XML declaration (\"<?xml\") that is not well-formed. "
            "Correct it as \"<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\", or "
            "choose a profile that Wingcall wrote.",
            true);
    }
    const std::string_view name = declaration.encoding;
    Encoding encoding = Encoding::Utf8;
    std::string written = "it is written in UTF-8, as its byte-order mark says";
    if (!marked && !name.empty()) {
        written = "it is written in " + std::string(name) + ", as its declaration says";
        encoding = NamedAmong(name, kLatinOneNames)      ? Encoding::LatinOne
                   : NamedAmong(name, kAsciiNames)       ? Encoding::Ascii
                   : NamedAmong(name, kUtf8Names)        ? Encoding::Utf8
                   : NamedAmong(name, kWindows1252Names) ? Encoding::Windows1252
                                                         : Encoding::Other;
    } else if (!marked) {
        written = "it names no encoding, so XML reads it as UTF-8";
    }
    const auto firstFrom = [&](unsigned char lowest, unsigned char highest) {
        for (std::size_t i = 0; i < unmarked.size(); ++i) {
            const auto byte = static_cast<unsigned char>(unmarked[i]);
            if (byte >= lowest && byte <= highest) {
                return i;
            }
        }
        return std::string_view::npos;
    };
    const bool onlyAscii = firstFrom(0x80, 0xFF) == std::string_view::npos;
    switch (encoding) {
        case Encoding::LatinOne:
            return {};
        case Encoding::Ascii:
            if (onlyAscii) {
                return {};
            }
            return Refused(written + ", but its line " +
                               std::to_string(SourceLineNumberAt(unmarked, firstFrom(0x80, 0xFF))) +
                               " holds a byte that US-ASCII does not have. Choose a profile "
                               "that Wingcall wrote.",
                           true);
        case Encoding::Windows1252:
            if (firstFrom(0x80, 0x9F) == std::string_view::npos) {
                return {};
            }
            return Carry(unmarked, encoding, written);
        case Encoding::Utf8:
            if (onlyAscii && !marked) {
                return {};
            }
            return Carry(unmarked, encoding, written);
        case Encoding::Other:
            break;
    }
    return Refused(written +
                       ". Wingcall writes profiles in ISO-8859-1 and reads them in it, in "
                       "UTF-8 and in Windows-1252. Save it in one of those, or choose a "
                       "profile that Wingcall wrote.",
                   false);
}

}  // namespace wingcall
