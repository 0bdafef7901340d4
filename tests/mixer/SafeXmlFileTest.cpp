#include "mixer/SafeXmlFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{
    /** depth elements, each inside the one before. */
    juce::String nested (int depth, const juce::String& open = "<a>", const juce::String& close = "</a>")
    {
        return juce::String::repeatedString (open, depth) + juce::String::repeatedString (close, depth);
    }
}

TEST (SafeXmlFile, ReadsOnlyRegularFilesWithinTheCap)
{
    ScratchFolder scratch;

    const auto plain = scratch / "plain.xml";
    ASSERT_TRUE (plain.replaceWithText ("0123456789"));
    auto bytes = SafeXmlFile::readRegularFileCapped (plain, 10);
    ASSERT_TRUE (bytes.has_value());
    EXPECT_EQ (bytes->toString(), "0123456789");
    EXPECT_FALSE (SafeXmlFile::readRegularFileCapped (plain, 9).has_value());

    const auto empty = scratch / "empty.xml";
    ASSERT_TRUE (empty.create());
    ASSERT_TRUE (SafeXmlFile::readRegularFileCapped (empty).has_value());
    EXPECT_EQ (SafeXmlFile::readRegularFileCapped (empty)->getSize(), 0u);

    const auto linkToPlain = scratch / "link.xml";
    ASSERT_TRUE (plain.createSymbolicLink (linkToPlain, true));
    EXPECT_TRUE (SafeXmlFile::readRegularFileCapped (linkToPlain).has_value());

    // None of these is a file to read; a FIFO without a writer would block a plain open forever,
    // and /dev/zero would never end.
    const auto fifo = scratch / "fifo.xml";
    ASSERT_EQ (::mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);
    const auto linkToZero = scratch / "zero.xml";
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (linkToZero, true));
    const auto dangling = scratch / "dangling.xml";
    ASSERT_TRUE ((scratch / "gone").createSymbolicLink (dangling, true));

    for (const auto& notAFile : { fifo, linkToZero, dangling, scratch.folder, scratch / "missing.xml",
                                  juce::File ("/dev/null"), juce::File() })
    {
        EXPECT_FALSE (SafeXmlFile::readRegularFileCapped (notAFile).has_value()) << notAFile.getFullPathName();
        EXPECT_EQ (SafeXmlFile::parseFileChecked (notAFile), nullptr);
    }

    EXPECT_TRUE (SafeXmlFile::isRegularFile (plain));
    EXPECT_TRUE (SafeXmlFile::isRegularFile (linkToPlain));
    EXPECT_FALSE (SafeXmlFile::isRegularFile (fifo));
    EXPECT_FALSE (SafeXmlFile::isRegularFile (linkToZero));
}

TEST (SafeXmlFile, AcceptsWhatThePanelWritesAndWhatAHandEditLeaves)
{
    juce::XmlElement root ("PROPERTIES");
    auto* value = root.createNewChildElement ("VALUE");
    value->setAttribute ("name", "Name & <\"odd'>\t\x01");
    value->setAttribute ("val", juce::String (juce::CharPointer_UTF8 ("caf\xc3\xa9 /> </a> <!-- &#10;")));
    value->createNewChildElement ("nested")->addTextElement ("x < y & z");

    const auto written = root.toString();
    EXPECT_TRUE (SafeXmlFile::xmlNestingWithin (written));
    const auto parsed = SafeXmlFile::parseChecked (written);
    ASSERT_NE (parsed, nullptr);
    EXPECT_TRUE (parsed->isEquivalentTo (&root, false));

    const juce::String handEdited =
        "  <?xml version=\"1.0\"?>\n<!-- kept by hand -->\n"
        "<PROPERTIES>\n  <!-- <a><a><a> -->\n  <VALUE name = 'x' val=\"&#x41;&#66;&AMP;\" />"
        "<!-- c -->text &gt; more</PROPERTIES>  trailing text the parser never reads <a>";
    EXPECT_TRUE (SafeXmlFile::xmlNestingWithin (handEdited));
    EXPECT_NE (SafeXmlFile::parseChecked (handEdited), nullptr);
}

TEST (SafeXmlFile, RejectsDeepNestingHoweverItIsDisguised)
{
    EXPECT_TRUE (SafeXmlFile::xmlNestingWithin (nested (64)));
    EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (nested (65)));
    EXPECT_TRUE (SafeXmlFile::xmlNestingWithin (nested (3), 3));
    EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (nested (4), 3));

    // Deep enough to overflow the parser's stack: rejected before it is parsed.
    EXPECT_EQ (SafeXmlFile::parseChecked (nested (200000)), nullptr);

    // Closing marks where the parser sees none must not lower the count.
    EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (nested (100, "<a v=\"/>\">")));
    EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (nested (100, "<a v='</a>'>")));
    EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (nested (100, "<a><!-- </a> -->")));
    EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (nested (100, "<a>/>")));

    // Constructs on which the parser recurses or skips in its own way are not followed at all:
    // an unknown entity's name is parsed as elements, a document type defines entities, and an
    // unquoted or stray quote leaves the parser reading elements inside what looks like a value.
    for (const auto& disguised : {
             "<r>&" + nested (1000) + ";</r>",
             juce::String ("<!DOCTYPE r [<!ENTITY e \"<a>\">]><r>&e;</r>"),
             juce::String ("<r><![CDATA[ <a> ]]></r>"),
             juce::String ("<r><a \"/><a><a></a></a></r>"),
             juce::String ("<r><a v=x><a></a></a></r>"),
             juce::String ("<r>< a></a></r>"),
             juce::String ("<r>&#-1;</r>"),
             juce::String ("<r>&#x200000;</r>"),
             juce::String ("<r>&unknown;</r>"),
             juce::String ("<r><?pi ?>text</r>"), // the parser loops forever on this one
             juce::String ("<r><?pi ?><a/></r>"),
         })
        EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (disguised)) << disguised.substring (0, 60);

    // Damaged documents: nothing, text only, cut short, closed twice.
    for (const auto* damaged : { "", "   ", "plain text", "<r><a>", "<r><a v=\"1></a></r>", "<r>", "</r>", "<!-- open", "<?xml " })
        EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (damaged)) << damaged;
}
