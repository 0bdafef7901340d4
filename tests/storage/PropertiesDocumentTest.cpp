#include "storage/PropertiesDocument.h"
#include "support/FrameworkWrittenSettings.h"

#include <gtest/gtest.h>

#include <cstring>

using PropertiesDocument::Problem;

namespace
{
    PropertiesDocument::Caps capsWithOwnKeys (std::initializer_list<const char*> own)
    {
        return PropertiesDocument::Caps::withOwnKeys (juce::StringArray (own));
    }

    PropertiesDocument::Parsed parse (const juce::String& text, const PropertiesDocument::Caps& caps = {})
    {
        return PropertiesDocument::parse (text.toRawUTF8(), text.getNumBytesAsUTF8(), caps);
    }

    PropertiesDocument::Parsed parseBytes (const char* bytes, size_t size)
    {
        return PropertiesDocument::parse (bytes, size, {});
    }

    PropertiesDocument::Parsed reparse (const juce::StringPairArray& properties, const PropertiesDocument::Caps& caps = {})
    {
        const auto written = PropertiesDocument::write (properties);
        return PropertiesDocument::parse (written.getData(), written.getSize(), caps);
    }

    juce::String document (const juce::String& values)
    {
        return "<PROPERTIES>" + values + "</PROPERTIES>";
    }

    juce::String keys (int count)
    {
        juce::MemoryOutputStream text;
        for (int i = 0; i < count; ++i)
            text << "<VALUE name=\"k" << i << "\" val=\"" << i << "\"/>";
        return text.toString();
    }

    juce::String nested (int depth)
    {
        return document ("<VALUE name=\"x\">" + juce::String::repeatedString ("<e>", depth)
                         + juce::String::repeatedString ("</e>", depth) + "</VALUE>");
    }
}

TEST (PropertiesDocument, AcceptsOnlyThePropertiesShape)
{
    EXPECT_EQ (parse (document ("<VALUE name=\"a\" val=\"1\"/>")).problem, Problem::none);
    EXPECT_EQ (parse ("<P/>").problem, Problem::notProperties);
    EXPECT_EQ (parse ("<PROPERTIES x=\"1\"/>").problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("<KEY name=\"a\" val=\"1\"/>")).problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("<VALUE val=\"1\"/>")).problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("<VALUE name=\"\" val=\"1\"/>")).problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("<VALUE name=\"a\" val=\"1\" colour=\"red\"/>")).problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("text<VALUE name=\"a\" val=\"1\"/>")).problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("<VALUE name=\"a\" val=\"1\">text</VALUE>")).problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("<VALUE name=\"a\" val=\"1\"><b/></VALUE>")).problem, Problem::notProperties);
    EXPECT_EQ (parse (document ("<VALUE name=\"a\"><b/><c/></VALUE>")).problem, Problem::notProperties);

    // Not XML, or XML with a document type: refused before any value is kept.
    EXPECT_EQ (parse ({}).problem, Problem::notXml);
    EXPECT_EQ (parse ("<PROPERTIES>").problem, Problem::notXml);
    EXPECT_EQ (parse (document ({}) + "<PROPERTIES/>").problem, Problem::notXml);
    EXPECT_EQ (parse ("<!DOCTYPE PROPERTIES [<!ENTITY x \"y\">]>" + document ("<VALUE name=\"a\" val=\"&x;\"/>")).problem,
               Problem::hasDocumentType);
    EXPECT_EQ (parseBytes ("<PROPERTIES>\xF0</PROPERTIES>", 25).problem, Problem::notXml);
    EXPECT_EQ (parseBytes ("<PROPERTIES/>\xE2\x82", 15).problem, Problem::notXml);
    EXPECT_EQ (parseBytes ("<PROPERTIES>\0</PROPERTIES>", 26).problem, Problem::notXml);

    // Found by fuzzing the framework's parser: a loop for ever, and a crash in its writer.
    EXPECT_EQ (parse (juce::String::fromUTF8 ("<PROPERTIES><VALUE name=\"x\"><\xC3\xA9 e=\"<?\">?>-</VALUE></PROPERTIES>")).problem,
               Problem::notXml);
    const auto mixed = parse ("<PROPERTIES><VALUE name=\"x\"><a>t<b><c/></b></a></VALUE></PROPERTIES>");
    ASSERT_TRUE (mixed.ok());
    EXPECT_EQ (mixed.properties["x"], "<a>t<b><c/></b></a>");
    EXPECT_EQ (reparse (mixed.properties).properties, mixed.properties);
}

TEST (PropertiesDocument, ReadsWhatTheFrameworkAndEditorsWrote)
{
    // The framework's writer: declaration, indentation, CR LF, and a value that looked like XML
    // stored as a nested element.
    juce::XmlElement root ("PROPERTIES");
    auto* plain = root.createNewChildElement ("VALUE");
    plain->setAttribute ("name", "Snapshot0");
    plain->setAttribute ("val", "<\"&'> \t\n end");
    auto* markup = root.createNewChildElement ("VALUE");
    markup->setAttribute ("name", "layout");
    auto* element = markup->createNewChildElement ("LAYOUT");
    element->setAttribute ("w", "a\"b");
    element->createNewChildElement ("ROW")->addTextElement ("x < y");
    const auto framework = parse (root.toString());
    ASSERT_TRUE (framework.ok()) << framework.detail;
    EXPECT_EQ (framework.properties["Snapshot0"], "<\"&'> \t\n end");
    EXPECT_EQ (framework.properties["layout"], "<LAYOUT w=\"a&quot;b\"><ROW>x &lt; y</ROW></LAYOUT>");

    // By hand: byte-order mark, comments, single quotes, character references, a processing
    // instruction before the root, white space between the values, a repeated key.
    const auto edited = parse (juce::String::fromUTF8 ("\xEF\xBB\xBF<?xml version='1.0'?><?style x?>\n<!-- mine -->"
                                                       "<PROPERTIES>\n  <VALUE name = 'a' val='&#x41;&#66;&amp;'/> <!-- c -->\n"
                                                       "  <VALUE name='b' val='\xE2\x82\xAC'/><VALUE name='a' val='last'/>\n</PROPERTIES>\n"));
    ASSERT_TRUE (edited.ok()) << edited.detail;
    EXPECT_EQ (edited.properties.getAllKeys(), juce::StringArray ({ "a", "b" }));
    EXPECT_EQ (edited.properties["a"], "last");
    EXPECT_EQ (edited.properties["b"], juce::String::fromUTF8 ("\xE2\x82\xAC"));
}

TEST (PropertiesDocument, ReferencesToCharactersXmlCannotHoldReadAsOneReplacementCharacter)
{
    static_assert (frameworkWrittenSettings.size() == 96);
    const auto written = parseBytes (frameworkWrittenSettings.data(), frameworkWrittenSettings.size());
    ASSERT_TRUE (written.ok()) << written.detail;
    const auto r = juce::String::charToString (0xFFFD);
    EXPECT_EQ (written.properties["Snapshot0"], "A" + r + "B");
    EXPECT_EQ (PropertiesDocument::numberOf (written.properties["vol00"]), -6.0);

    const std::pair<juce::String, juce::String> cases[] = {
        { "<VALUE name='a' val='&#1;&#8;&#x0b;&#xC;&#14;&#x1F;&#xFFFE;&#65535;&#0000011;'/>", juce::String::repeatedString (r, 9) },
        { "<VALUE name='a'><b c='&#2;'>&#x1f;</b></VALUE>", "<b c=\"" + r + "\">" + r + "</b>" },
        { "<VALUE name='a' val='&#9;&#127;&#xFFFD;&amp;#11;'/>", "\t\x7F" + r + "&#11;" },
        // Where "&#11;" is no reference, it stays text.
        { "<VALUE name='a'><b><![CDATA[&#11;]]></b></VALUE><!-- &#11; --><?x &#11;?>", "<b>&amp;#11;</b>" },
    };
    for (const auto& [values, read] : cases)
        EXPECT_EQ (parse (document (values)).properties["a"], read) << values;

    // Every other reference stays as strict as XML is.
    for (const auto* refused : { "&#0;", "&#xD800;", "&#x110000;", "&#4294967307;", "&#X0B;", "&#11 ;", "&#x;" })
        EXPECT_FALSE (parse (document ("<VALUE name='a' val='" + juce::String (refused) + "'/>")).ok()) << refused;
    EXPECT_FALSE (parse (document ("<VALUE name='a' val='x'/>&#11;")).ok());

    // Cut in the middle of a reference or of a comment: refused, nothing read past the end.
    for (const auto* cut : { "<PROPERTIES a='&#1", "<PROPERTIES a='&#x", "<PROPERTIES><!-- &#11;", "<PROPERTIES><?x" })
        EXPECT_EQ (parseBytes (cut, std::strlen (cut)).problem, Problem::notXml) << cut;
}

TEST (PropertiesDocument, ANestedValuesTextKeepsItsLineBreaksAndTabs)
{
    const auto nestedValue = [] (const char* element) { return parse (document ("<VALUE name='a'>" + juce::String (element) + "</VALUE>")).properties["a"]; };
    EXPECT_EQ (nestedValue ("<a>x\ny</a>"), "<a>x\ny</a>");
    EXPECT_EQ (nestedValue ("<a>x&#9;y&#13;</a>"), "<a>x\ty\r</a>");
    EXPECT_EQ (nestedValue ("<a b='x&#10;y&#9;'>\"t\"</a>"), "<a b=\"x&#10;y&#9;\">&quot;t&quot;</a>");
}

TEST (PropertiesDocument, WhatIsWrittenReadsBackEqual)
{
    juce::StringPairArray properties (false);
    properties.set ("quotes", "\"'<>&;");
    properties.set ("spaces", " \t\r\n  ");
    properties.set ("markup", "<a><?x?>t</a>");
    properties.set ("empty", {});
    properties.set ("Case", "1");
    properties.set ("case", "2");
    properties.set ("unicode", juce::String::fromUTF8 ("\xC3\xA9\xF0\x9F\x8E\x9A"));

    const auto back = reparse (properties);
    ASSERT_TRUE (back.ok()) << back.detail;
    EXPECT_EQ (back.properties, properties);
    EXPECT_EQ (back.properties.getAllKeys(), properties.getAllKeys());

    // Characters XML cannot hold come back as U+FFFD rather than making the file unreadable.
    juce::StringPairArray control (false);
    control.set ("bell", juce::String::charToString (7) + "x");
    const auto replaced = reparse (control);
    ASSERT_TRUE (replaced.ok());
    EXPECT_EQ (replaced.properties["bell"], juce::String::charToString (0xFFFD) + "x");
}

TEST (PropertiesDocument, CapsCountWhatAWriteWouldGrowAndLeaveRoomForTheOwnKeys)
{
    // Nesting of a nested value, measured without recursion.
    EXPECT_EQ (parse (nested (64)).problem, Problem::none);
    EXPECT_EQ (parse (nested (65)).problem, Problem::tooDeep);
    EXPECT_EQ (parse (nested (100000)).problem, Problem::tooDeep);

    // Keys: the count stops at the first key too many; own keys do not count.
    PropertiesDocument::Caps small = capsWithOwnKeys ({ "own" });
    small.maxForeignKeys = 100;
    EXPECT_EQ (parse (document (keys (100) + "<VALUE name=\"own\" val=\"1\"/>"), small).problem, Problem::none);
    EXPECT_EQ (parse (document (keys (101)), small).problem, Problem::tooLarge);
    EXPECT_EQ (parse (document (keys (100000)), small).problem, Problem::tooLarge);

    // Bytes are counted as the panel writes them: a quote read as one byte is written as six.
    small.maxForeignBytes = 1000;
    const auto quoted = [] (int n) { return document ("<VALUE name=\"q\" val='" + juce::String::repeatedString ("\"", n) + "'/>"); };
    EXPECT_EQ (parse (quoted (150), small).problem, Problem::none);
    EXPECT_EQ (parse (quoted (170), small).problem, Problem::tooLarge);

    // A file at the caps, with every own key written at its longest, is still admitted.
    auto caps = capsWithOwnKeys ({ "ownA", "ownB" });
    caps.maxForeignKeys = 50;
    caps.maxForeignBytes = 20000;
    juce::StringPairArray atCaps (false);
    for (int i = 0; i < 50; ++i)
        atCaps.set ("k" + juce::String (i), juce::String::repeatedString ("\"", 60));
    ASSERT_TRUE (reparse (atCaps, caps).ok());
    for (const auto* own : { "ownA", "ownB" })
        atCaps.set (own, juce::String::repeatedString ("\"", PropertiesDocument::Caps::ownValueMaxBytes));
    const auto written = PropertiesDocument::write (atCaps);
    EXPECT_LE (written.getSize(), caps.maxDocumentBytes());
    EXPECT_TRUE (reparse (atCaps, caps).ok());
}

TEST (PropertiesDocument, StoredNumbersReadAsTheFrameworkReadsThemWithoutOverflow)
{
    using PropertiesDocument::flagOf;
    using PropertiesDocument::numberOf;

    const auto digits = [] (int n) { return "1" + juce::String::repeatedString ("0", n - 1); };
    const std::pair<juce::String, double> numbers[] = {
        { "-6.5", -6.5 }, { " 12dB", 12.0 }, { "+3", 3.0 }, { "\t-.25E1", -2.5 }, { "5.", 5.0 }, { "1e", 1.0 },
        { "0x10", 0.0 }, { "0x1p3", 0.0 }, { "-0X1A", 0.0 }, { "  +0x10", 0.0 },
        { "loud", 0.0 }, { "", 0.0 }, { ".", 0.0 }, { "nan", 0.0 }, { "-inf", 0.0 },   // the framework's writer cast nan to int
        { "1e999", 0.0 }, { digits (400), 0.0 }, { digits (400) + "e-390", 1e9 },
        { "0e3086666662", 0.0 }, { "1e-3086666662", 0.0 }, { "1e99999999999999999999", 0.0 },   // made the framework's reader overflow
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ (numberOf (text), value) << text;

    // Wherever the framework's arithmetic holds, the same double, to the last bit.
    for (const auto* text : { "0x1p3", "-6.0", "1.7976931348623157e308", "4.9e-324", "0.1234567890123456789012",
                              "123456789012345678901234", "0.0000000000000000000012345", "00012.50e-1", "-0" })
        EXPECT_EQ (numberOf (text), juce::String (text).getDoubleValue()) << text;

    for (const auto* on : { "1", "2", "-3", " 0001", "99999999999999999999999999" })
        EXPECT_TRUE (flagOf (on)) << on;
    for (const auto* off : { "0", "", "yes", "000", "+1", "-0" })
        EXPECT_FALSE (flagOf (off)) << off;
}
