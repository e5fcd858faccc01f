// The well-formedness check of merged profiles on its own: the runs of text and attribute values
// it passes over whole, and control characters found at every place of a block and its tail.
#include "profile/profile_markup_check.h"

#include <gtest/gtest.h>

#include <string>

namespace wingcall {
namespace {

std::string Profile(const std::string& commands) {
    return "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<voxtrel-config>\r\n"
           "<command-list>\r\n" +
           commands + "</command-list>\r\n</voxtrel-config>\r\n";
}

// Quotes of the other kind, brackets and references inside values, and "]" or "]]" in text are
// all well-formed; "]]>" in text, a "<" in a value or a value that runs to the end are not, each
// reported where it stands.
TEST(ProfileMarkupCheck, PassesOverTextAndValuesAndStopsAtWhatEndsThem) {
    const std::string wellFormed = Profile(
        "<command name='Say \"go\"' phrase=\"it's [done] &amp; &#8217;\">"
        "<sequence keys=\"]]>{F1}\" /></command>\r\n"
        "] ]] text ]]&gt; <![CDATA[ <not markup> ]] ]]>\r\n");
    EXPECT_FALSE(FindMarkupFault(wellFormed).has_value());

    const struct {
        std::string commands;
        std::string marker;  // where the fault must be reported
        std::string what;
    } faults[] = {
        {"text ]]> more\r\n", "]]>", "holds \"]]>\" outside a CDATA section"},
        {"<command name=\"a<b\" />\r\n", "<b", "holds a \"<\" inside the value"},
        {"<command name=\"a&b\" />\r\n", "&b", "holds an \"&\" that begins no reference"},
        {"<command name='it's' />\r\n", "s'", "holds a tag"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.commands);
        const std::string document = Profile(fault.commands);
        const auto found = FindMarkupFault(document);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->offset, document.find(fault.marker));
        EXPECT_NE(found->what.find(fault.what), std::string::npos) << found->what;
    }
    const auto unended = FindMarkupFault("<voxtrel-config><command-list><command name=\"never");
    ASSERT_TRUE(unended.has_value());
    EXPECT_NE(unended->what.find("which never ends"), std::string::npos) << unended->what;
}

// A control character at any place of a run of text or of an attribute value, in the middle of
// the document or at its very end, is the fault reported, at its own place; TAB, CR and LF there
// are no fault.
TEST(ProfileMarkupCheck, FindsAControlCharacterAtEveryPlace) {
    for (const bool inValue : {false, true}) {
        const std::string run(40, 'x');
        const std::string commands =
            inValue ? "<command name=\"" + run + "\" />\r\n" : run + "\r\n";
        const std::string document = Profile(commands);
        const std::size_t runStart = document.find(run);
        for (std::size_t place = runStart; place < runStart + run.size(); ++place) {
            SCOPED_TRACE("place " + std::to_string(place - runStart) +
                         (inValue ? " in a value" : " in text"));
            for (const char blank : {'\t', '\r', '\n'}) {
                std::string withBlank = document;
                withBlank[place] = blank;
                EXPECT_FALSE(FindMarkupFault(withBlank).has_value());
            }
            std::string withControl = document;
            withControl[place] = '\x1F';
            const auto found = FindMarkupFault(withControl);
            ASSERT_TRUE(found.has_value());
            EXPECT_EQ(found->offset, place);
            EXPECT_NE(found->what.find("U+001F"), std::string::npos) << found->what;
        }
    }
    // In a comment after the root, where nothing else is a fault, near the end of documents of
    // every length around a block's.
    for (std::size_t length = 0; length < 20; ++length) {
        const std::string document =
            Profile("") + "<!-- " + std::string(length, 'x') + '\x7' + " -->";
        const auto found = FindMarkupFault(document);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->offset, document.size() - 5);
        EXPECT_NE(found->what.find("U+0007"), std::string::npos) << found->what;
    }
}

// Depth and attributes per tag are bounded, each refused one past its bound, and a repeated
// attribute is found wherever it stands among many.
TEST(ProfileMarkupCheck, BoundsDepthAndAttributesAndFindsARepeatedAttribute) {
    const auto nested = [](std::size_t depth) {
        std::string document = "<voxtrel-config>";
        for (std::size_t i = 1; i < depth; ++i) {
            document += "<a>";
        }
        for (std::size_t i = 1; i < depth; ++i) {
            document += "</a>";
        }
        return document + "</voxtrel-config>";
    };
    EXPECT_FALSE(FindMarkupFault(nested(kMaximumElementDepth)).has_value());
    const auto tooDeep = FindMarkupFault(nested(kMaximumElementDepth + 1));
    ASSERT_TRUE(tooDeep.has_value());
    EXPECT_NE(tooDeep->what.find("nests elements more than 1000 deep"), std::string::npos);
    EXPECT_EQ(tooDeep->offset,
              std::string("<voxtrel-config>").size() + 3 * (kMaximumElementDepth - 1));

    const auto tagOf = [](std::size_t attributes, const std::string& last) {
        std::string tag = "<command";
        for (std::size_t i = 0; i < attributes; ++i) {
            tag += " a" + std::to_string(i) + "=\"\"";
        }
        return Profile(tag + last + " />\r\n");
    };
    EXPECT_FALSE(FindMarkupFault(tagOf(kMaximumAttributesPerTag, "")).has_value());
    const auto tooMany = FindMarkupFault(tagOf(kMaximumAttributesPerTag, " z=''"));
    ASSERT_TRUE(tooMany.has_value());
    EXPECT_NE(tooMany->what.find("more than 1000 attributes"), std::string::npos);
    const std::string repeated = tagOf(500, " a250='x'");
    const auto twice = FindMarkupFault(repeated);
    ASSERT_TRUE(twice.has_value());
    EXPECT_EQ(twice->offset, repeated.find("a250='x'"));
    EXPECT_NE(twice->what.find("gives the attribute \"a250\" twice"), std::string::npos);
}

}  // namespace
}  // namespace wingcall
