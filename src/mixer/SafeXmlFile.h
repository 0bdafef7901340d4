#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/** Reads a small XML file that a user, an editor or another program may have damaged, without
    letting the file decide how long we block, how much we read, how deep the framework's
    recursive parser goes or how many keys its linear key tables must search. Pure code; any thread.

    Only regular files are read (a link to one is followed); the open never blocks (a FIFO or a
    device at the path is refused, not waited on); at most Limits::maxBytes are read; and the
    element nesting and count are measured on the raw text before juce::XmlDocument sees it.
*/
namespace SafeXmlFile
{
    struct Limits
    {
        juce::int64 maxBytes = 1024 * 1024;
        int maxDepth = 64;   ///< the root element counts as depth 1

        /** Every element, the root included. Our files hold a few dozen; a megabyte of distinct
            keys made the framework's key lookups, which search all keys read so far, take over a
            minute. Room for the settings file's own key cap, with values that hold XML.
        */
        int maxElements = 8192;
    };

    enum class Problem
    {
        none,
        missing,           ///< nothing at the path (a dangling link counts as something)
        notARegularFile,   ///< a folder, FIFO, socket, device, or a link to one or to nothing
        cannotOpen,        ///< refused by the system (permissions, ...)
        readFailed,
        tooLarge,          ///< more bytes or more elements than the limits allow
        tooDeep,
        hasDocumentType,   ///< a DTD: our files never have one and the parser's entity handling is not for hostile input
        notXml
    };

    /** Text for messages: "not a regular file", "too deeply nested", ... */
    juce::String describe (Problem);

    struct Result
    {
        Problem problem = Problem::none;
        juce::String detail;                 ///< the system's error text, when there is one
        juce::MemoryBlock bytes;             ///< what was read (empty unless the read itself succeeded)
        std::unique_ptr<juce::XmlElement> xml;

        bool ok() const noexcept { return problem == Problem::none; }
    };

    /** Reads the file's bytes (only regular files, non-blocking open, at most limits.maxBytes). */
    Result readBytes (const juce::File& file, const Limits& limits);

    /** Checks text for nesting deeper than limits.maxDepth, more than limits.maxElements elements
        and a DTD, then parses it with juce::XmlDocument. The problem is tooDeep, tooLarge,
        hasDocumentType or notXml when it fails.
    */
    Result parse (const void* data, size_t size, const Limits& limits);

    /** readBytes, then parse; the bytes are kept in the result either way. */
    Result read (const juce::File& file, const Limits& limits);

    /** The deepest element nesting of the text, counted without recursion; -1 when the text is
        not well-formed enough to measure (an unterminated tag, comment or section, a stray
        character inside a tag), -2 when it holds a DTD. Stops counting past maxDepth + 1.
    */
    int nestingDepth (const char* text, size_t size, int maxDepth);
}
