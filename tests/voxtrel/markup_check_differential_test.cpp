// The one reading of a merge source (the markup check and the namespaces), against the stand-in's
// XML reader (Qt's, which knows namespaces): over every one-byte change of a profile that uses
// every kind of markup, the reading never passes a document the reader refuses, and refuses a
// document the reader loads only for what makes it no Voxtrel profile (its root, a second list).
#include <gtest/gtest.h>

#include <QByteArray>
#include <QXmlStreamReader>

#include <optional>
#include <string>
#include <string_view>

#include "profile/merge_source_structure.h"
#include "profile/xml_declaration.h"

namespace {

constexpr std::string_view kProfile =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
    "<voxtrel-config xmlns:v=\"urn:x\">\r\n"
    "<!-- the calls -->\r\n"
    "        <command-list>\r\n"
    "<command name=\"A &amp; B\" phrase='it&apos;s &#233;&#x2019;' v:group=\"1\">\r\n"
    "<sequence keys=\"{F1}\" /><![CDATA[ <raw> ]]><?note ok?></command>\r\n"
    "       </command-list>\r\n"
    "<push-to-talk mode=\"hold\" initial-state=\"on\"><key type=\"F1\" /></push-to-talk>\r\n"
    "</voxtrel-config>\r\n";

bool ReaderLoads(std::string_view document) {
    QXmlStreamReader reader(QByteArray(document.data(), static_cast<qsizetype>(document.size())));
    while (!reader.atEnd()) {
        reader.readNext();
    }
    return !reader.hasError();
}

// What makes a well-formed document no Voxtrel profile, as the check words it.
bool IsShapeFault(const std::string& what) {
    for (const char* shape : {"where the root element", "a second time", "second command list",
                              "before the profile's root"}) {
        if (what.find(shape) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void ExpectAgreement(const std::string& document) {
    // The check reads bytes as ISO-8859-1, as Wingcall's declaration says; without it, the reader
    // takes UTF-8, and the merge carries such a source into ISO-8859-1 before the check.
    // An encoding named otherwise is the merge's to carry or refuse before the check.
    const wingcall::XmlDeclaration declaration = wingcall::ReadXmlDeclaration(document);
    const bool latinOne = declaration.wellFormed && declaration.encoding == "iso-8859-1";
    if ((declaration.wellFormed && !latinOne) ||
        (!latinOne && document.find_first_of("\x80\xE9") != std::string::npos)) {
        return;
    }
    const wingcall::SourceReading reading = wingcall::ReadMergeSource(document);
    const bool loads = ReaderLoads(document);
    std::optional<wingcall::MarkupFault> fault = reading.fault;
    if (!fault && (reading.structure.undeclaredPrefix || reading.structure.colonMisplaced)) {
        fault = wingcall::MarkupFault{};
    }
    if (!fault) {
        EXPECT_TRUE(loads) << "passed, but the reader refuses:\n"
                           << ::testing::PrintToString(document);
    } else if (loads && document.find('\x01') == std::string::npos) {
        // (Qt's reader lets a control character pass inside a name; XML does not.)
        EXPECT_TRUE(IsShapeFault(fault->what))
            << "refused (" << fault->what << "), but the reader loads:\n"
            << ::testing::PrintToString(document);
    }
}

TEST(MarkupCheckAgainstQtReader, EveryOneByteChangeOfAProfileIsJudgedAlike) {
    ASSERT_FALSE(wingcall::ReadMergeSource(kProfile).fault);
    ASSERT_TRUE(ReaderLoads(kProfile));
    // Markup characters, and bytes that change names, prefixes, references and blanks.
    const std::string inserted = "<>&;#x/!?-[]\"'=: a9\xE9\x01\t";
    for (std::size_t at = 0; at <= kProfile.size(); ++at) {
        std::string removed(kProfile);
        if (at < kProfile.size()) {
            removed.erase(at, 1);
            ExpectAgreement(removed);
        }
        for (char c : inserted) {
            std::string added(kProfile);
            added.insert(at, 1, c);
            ExpectAgreement(added);
        }
        if (HasFailure()) {
            return;  // one document is enough to show what goes wrong
        }
    }
}

}  // namespace
