#include "mixer/SafeXmlFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using SafeXmlFile::Problem;

namespace
{
    juce::String nested (int depth, const juce::String& attributes = {})
    {
        return juce::String::repeatedString ("<e" + attributes + ">", depth) + juce::String::repeatedString ("</e>", depth);
    }

    Problem parseProblem (const juce::String& text, int maxDepth = 64, int maxElements = SafeXmlFile::Limits().maxElements)
    {
        SafeXmlFile::Limits limits;
        limits.maxDepth = maxDepth;
        limits.maxElements = maxElements;
        return SafeXmlFile::parse (text.toRawUTF8(), text.getNumBytesAsUTF8(), limits).problem;
    }
}

TEST (SafeXmlFile, ReadsOnlySmallRegularFilesAndNeverBlocks)
{
    const ScratchFolder scratch;
    const auto& folder = scratch.folder;
    const auto regular = folder.getChildFile ("a.xml");
    ASSERT_TRUE (regular.replaceWithText ("<ROOT/>"));

    EXPECT_TRUE (SafeXmlFile::read (regular, {}).ok());
    EXPECT_EQ (SafeXmlFile::read (folder.getChildFile ("none.xml"), {}).problem, Problem::missing);
    EXPECT_EQ (SafeXmlFile::read (folder, {}).problem, Problem::notARegularFile);
    EXPECT_EQ (SafeXmlFile::read (juce::File ("/dev/null"), {}).problem, Problem::notARegularFile);
    EXPECT_EQ (SafeXmlFile::read (juce::File(), {}).problem, Problem::missing);

    // A link to a regular file is followed; a link to a device is not read at all.
    const auto link = folder.getChildFile ("link.xml");
    ASSERT_EQ (::symlink (regular.getFullPathName().toRawUTF8(), link.getFullPathName().toRawUTF8()), 0);
    EXPECT_TRUE (SafeXmlFile::read (link, {}).ok());

    const auto zero = folder.getChildFile ("zero.xml");
    ASSERT_EQ (::symlink ("/dev/zero", zero.getFullPathName().toRawUTF8()), 0);
    EXPECT_EQ (SafeXmlFile::read (zero, {}).problem, Problem::notARegularFile);

    const auto dangling = folder.getChildFile ("dangling.xml");
    ASSERT_EQ (::symlink ("/nonexistent/target", dangling.getFullPathName().toRawUTF8()), 0);
    EXPECT_EQ (SafeXmlFile::read (dangling, {}).problem, Problem::notARegularFile);

    // A FIFO without a writer would block a plain open for ever.
    const auto fifo = folder.getChildFile ("fifo.xml");
    ASSERT_EQ (::mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);
    EXPECT_EQ (SafeXmlFile::read (fifo, {}).problem, Problem::notARegularFile);

    SafeXmlFile::Limits small;
    small.maxBytes = 6;
    const auto result = SafeXmlFile::read (regular, small);
    EXPECT_EQ (result.problem, Problem::tooLarge);
    small.maxBytes = 7;
    EXPECT_TRUE (SafeXmlFile::read (regular, small).ok());
}

TEST (SafeXmlFile, MeasuresNestingBeforeTheParserRecurses)
{
    // The depth that overflowed the stack in the framework's recursive parser, and the cap's edge.
    EXPECT_EQ (parseProblem (nested (30000)), Problem::tooDeep);
    EXPECT_EQ (parseProblem (nested (64)), Problem::none);
    EXPECT_EQ (parseProblem (nested (65)), Problem::tooDeep);
    EXPECT_EQ (parseProblem ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + nested (3)), Problem::none);

    // Markup inside values, comments and sections is not nesting; markup that a quote or an
    // entity would hide from a careless count still is.
    EXPECT_EQ (parseProblem (nested (3, " a=\"/>\" b='>'")), Problem::none);
    EXPECT_EQ (parseProblem (nested (3, " a=\"/>\" b='>'"), 2), Problem::tooDeep);
    EXPECT_EQ (parseProblem ("<a><!-- <b><b><b> --><![CDATA[<c><c><c>]]></a>", 1), Problem::none);
    EXPECT_EQ (parseProblem ("<a x=\"&lt;&#60;&#x3C;&amp;\">&gt;</a>"), Problem::none);
    EXPECT_EQ (parseProblem ("<a x=\"&z\"> ; <b y=\"<c><c><c>\"/></a>"), Problem::notXml);
    EXPECT_EQ (parseProblem ("<a x=\"1\" \"><b><b></b></b></a>"), Problem::notXml);
    EXPECT_EQ (parseProblem ("<a x=\"unterminated></a>"), Problem::notXml);
    EXPECT_EQ (parseProblem ("<r><a v=x><a></a></a></r>"), Problem::notXml);
    EXPECT_EQ (parseProblem (nested (100, " v='</e>'")), Problem::tooDeep);
    EXPECT_EQ (parseProblem ("<r>" + juce::String::repeatedString ("<e><!-- </e> -->", 100) + "</r>"), Problem::tooDeep);

    // Tens of thousands of distinct keys take the framework's key lookups minutes; the count
    // includes the root and stops at the first element too many.
    const auto siblings = [] (int n) { return "<r>" + juce::String::repeatedString ("<a/>", n) + "</r>"; };
    const auto elementsProblem = [] (const juce::String& text) { return parseProblem (text, 64, 1024); };
    EXPECT_EQ (elementsProblem (siblings (1023)), Problem::none);
    EXPECT_EQ (elementsProblem (siblings (1024)), Problem::tooLarge);
    EXPECT_EQ (elementsProblem ("<r><a><a/></a>" + juce::String::repeatedString ("<a></a>", 1022) + "</r>"), Problem::tooLarge);
    EXPECT_EQ (elementsProblem (siblings (1024) + "&"), Problem::tooLarge);
    EXPECT_EQ (parseProblem (siblings (100000)), Problem::tooLarge);

    // The framework's parser loops for ever on a processing instruction followed by text inside
    // an element; the prolog is the only place for one.
    EXPECT_EQ (parseProblem ("<a><?x?>text</a>"), Problem::notXml);
    EXPECT_EQ (parseProblem ("<?xml version=\"1.0\"?><?style x?><a/>"), Problem::none);

    // A document type would bring the parser's entity handling into play.
    EXPECT_EQ (parseProblem ("<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>"), Problem::hasDocumentType);

    // The framework parses a file's bytes as UTF-8 where they lie: a sequence cut short, by the
    // end of the file or otherwise, made it read past the end.
    const auto bytesProblem = [] (const char* bytes)
    {
        return SafeXmlFile::parse (bytes, std::strlen (bytes), {}).problem;
    };
    EXPECT_EQ (bytesProblem ("<a>\xF0</a>"), Problem::notXml);
    EXPECT_EQ (bytesProblem ("<a/>\xE2\x82"), Problem::notXml);
    EXPECT_EQ (bytesProblem ("<a>\xFF</a>"), Problem::notXml);
    EXPECT_EQ (bytesProblem ("<a>\xE2\x82\xAC \xC3\xA9</a>"), Problem::none);
    EXPECT_EQ (SafeXmlFile::parse ("<a>\0</a>", 8, {}).problem, Problem::notXml);

    EXPECT_EQ (parseProblem (""), Problem::notXml);
    EXPECT_EQ (parseProblem (juce::String::fromUTF8 ("\xEF\xBB\xBF<a/>")), Problem::none);

    // What the framework writes reads back whole.
    juce::XmlElement root ("PROPERTIES");
    for (int i = 0; i < 50; ++i)
    {
        auto* e = root.createNewChildElement ("VALUE");
        e->setAttribute ("name", "key" + juce::String (i));
        e->setAttribute ("val", "<\"&'> /> </a> <!-- \t\x01\n" + juce::String (i));
    }
    root.getFirstChildElement()->createNewChildElement ("nested")->addTextElement ("x < y");
    const auto written = root.toString();
    const auto parsed = SafeXmlFile::parse (written.toRawUTF8(), written.getNumBytesAsUTF8(), {});
    ASSERT_TRUE (parsed.ok()) << SafeXmlFile::describe (parsed.problem);
    EXPECT_TRUE (parsed.xml->isEquivalentTo (&root, false));

    const juce::String handEdited ("<?xml version=\"1.0\"?>\n<!-- c --><P>\n<V n = 'x' v=\"&#x41;&#66;&AMP;\"/>"
                                   "<!-- <a> -->text &gt;</P>\n");
    const auto edited = SafeXmlFile::parse (handEdited.toRawUTF8(), handEdited.getNumBytesAsUTF8(), {});
    ASSERT_TRUE (edited.ok()) << SafeXmlFile::describe (edited.problem);
    EXPECT_EQ (edited.xml->getChildByName ("V")->getStringAttribute ("v"), "AB&");
}
