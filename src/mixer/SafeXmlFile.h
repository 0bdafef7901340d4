#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <memory>
#include <optional>

/** Reading the panel's XML files (settings, snapshots) when their content cannot be trusted.

    Such a file is user data: it may be damaged, truncated, hand-edited, replaced by something that
    is not a file at all, or crafted to hurt. The framework's XML parser recurses once per nesting
    level and overflows the stack long before a megabyte of input runs out, and opening a FIFO or a
    device for reading can block or never end. These checks run first. Pure code, any thread.
*/
namespace SafeXmlFile
{
    /** Far beyond any file the panel writes (a few kilobytes), far below what hurts. */
    constexpr std::size_t defaultMaxBytes = 1u << 20;

    /** The panel's files nest two levels deep; values that hold XML add a few more. */
    constexpr int defaultMaxDepth = 64;

    /** The panel's files hold a few dozen elements. More makes the framework's key lookups, which
        search the keys read so far for every key, take seconds to minutes on a megabyte.
    */
    constexpr int defaultMaxElements = 1024;

    /** True when the path names a regular file (a symbolic link counts by what it points to). */
    bool isRegularFile (const juce::File& file);

    /** The whole content of a regular file of at most maxBytes bytes. Opens without blocking and
        checks the opened object itself, so a FIFO, a device, a directory or a link to one of them
        gives nothing, and so does a file that is, or grows while read, larger than maxBytes.
    */
    std::optional<juce::MemoryBlock> readRegularFileCapped (const juce::File& file,
                                                            std::size_t maxBytes = defaultMaxBytes);

    /** How deep a document's elements nest (the document element counts as 1) and how many
        elements it holds, up to the end of the document element, where the parser stops.

        Only for documents that use what the framework's parser handles without surprises:
        elements with quoted attributes, text, the five named and the numeric character references,
        comments, and processing instructions before the document element. Anything else (a
        document type, CDATA, an unknown entity, a processing instruction inside the document
        element, a malformed tag, an unclosed element) gives nothing: the parser's error paths can
        recurse or loop in ways a plain count would not see, so such a document is not handed to
        the parser at all.
    */
    struct XmlShape
    {
        int depth = 0;
        int elements = 0;
    };
    std::optional<XmlShape> measureXml (const juce::String& text);

    /** True when measureXml follows the document and it nests at most maxDepth deep. */
    bool xmlNestingWithin (const juce::String& text, int maxDepth = defaultMaxDepth);

    /** Parses a document that measureXml follows and finds within both limits; null otherwise or
        when it is not XML.
    */
    std::unique_ptr<juce::XmlElement> parseChecked (const juce::String& text, int maxDepth = defaultMaxDepth,
                                                    int maxElements = defaultMaxElements);

    /** readRegularFileCapped, decoded as the framework decodes files (UTF-8, UTF-16 with a byte
        order mark, or Windows-1252 when not valid UTF-8), then parseChecked.
    */
    std::unique_ptr<juce::XmlElement> parseFileChecked (const juce::File& file,
                                                        std::size_t maxBytes = defaultMaxBytes,
                                                        int maxDepth = defaultMaxDepth,
                                                        int maxElements = defaultMaxElements);

    /** Text as the framework decodes a file's bytes. */
    juce::String decodeText (const juce::MemoryBlock& bytes);
}
