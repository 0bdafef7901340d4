#include "mixer/SafeXmlFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{
    juce::String nested (int depth, const juce::String& open = "<a>")
    {
        return juce::String::repeatedString (open, depth) + juce::String::repeatedString ("</a>", depth);
    }
}

TEST (SafeXmlFile, ReadsOnlyRegularFilesWithinTheCap)
{
    ScratchFolder scratch;
    const auto plain = scratch / "plain", link = scratch / "link", zero = scratch / "zero", fifo = scratch / "fifo";
    ASSERT_TRUE (plain.replaceWithText ("0123456789"));
    ASSERT_TRUE (plain.createSymbolicLink (link, true));
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (zero, true));
    ASSERT_EQ (::mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);

    EXPECT_EQ (SafeXmlFile::readRegularFileCapped (plain, 10)->toString(), "0123456789");
    EXPECT_EQ (SafeXmlFile::readRegularFileCapped (link, 10)->toString(), "0123456789");
    EXPECT_FALSE (SafeXmlFile::readRegularFileCapped (plain, 9).has_value());

    // A FIFO without a writer blocks a plain open forever; /dev/zero never ends.
    for (const auto& f : { fifo, zero, scratch.folder, scratch / "missing", juce::File ("/dev/null"), juce::File() })
        EXPECT_FALSE (SafeXmlFile::readRegularFileCapped (f).has_value()) << f.getFullPathName();
}

TEST (SafeXmlFile, PassesPlainDocumentsAndStopsWhatWouldHurtTheParser)
{
    juce::XmlElement root ("PROPERTIES");
    auto* value = root.createNewChildElement ("VALUE");
    value->setAttribute ("val", "a & <\"b'> /> </a> <!-- \t\x01");
    value->createNewChildElement ("nested")->addTextElement ("x < y");
    const auto parsed = SafeXmlFile::parseChecked (root.toString());
    ASSERT_NE (parsed, nullptr);
    EXPECT_TRUE (parsed->isEquivalentTo (&root, false));
    EXPECT_NE (SafeXmlFile::parseChecked ("<?xml version=\"1.0\"?>\n<!-- c --><P>\n<V n = 'x' v=\"&#x41;&#66;&AMP;\"/>"
                                          "<!-- <a> -->text &gt;</P> never read <a>"), nullptr);

    EXPECT_TRUE (SafeXmlFile::xmlNestingWithin (nested (64)));
    EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (nested (65)));
    EXPECT_EQ (SafeXmlFile::parseChecked (nested (200000)), nullptr); // would overflow the parser's stack

    // Tens of thousands of keys take the framework's key lookups minutes.
    const auto siblings = [] (int n) { return "<r>" + juce::String::repeatedString ("<a/>", n) + "</r>"; };
    EXPECT_EQ (SafeXmlFile::measureXml (siblings (1023))->elements, 1024);
    EXPECT_NE (SafeXmlFile::parseChecked (siblings (1023)), nullptr);
    EXPECT_EQ (SafeXmlFile::parseChecked (siblings (1024)), nullptr);

    for (const auto& bad : {
             // closing marks the parser does not see as closings
             nested (100, "<a v=\"/>\">"), nested (100, "<a v='</a>'>"), nested (100, "<a><!-- </a> -->"),
             // an unknown entity's name is parsed as elements; a document type declares entities
             "<r>&" + nested (1000) + ";</r>", juce::String ("<!DOCTYPE r [<!ENTITY e \"<a>\">]><r>&e;</r>"),
             juce::String ("<r><?pi ?>text</r>"), // the parser loops forever on this one
             juce::String ("<r><a \"/><a><a></a></a></r>"), juce::String ("<r><a v=x><a></a></a></r>"),
             juce::String ("<r><![CDATA[ <a> ]]></r>"), juce::String ("<r>&#x200000;</r>"), juce::String ("<r>&x;</r>"),
             juce::String ("<r><a>"), juce::String ("</r>"), juce::String ("text"), juce::String() })
        EXPECT_FALSE (SafeXmlFile::xmlNestingWithin (bad)) << bad.substring (0, 40);
}
