#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <functional>

/** The XML properties format of the settings file and the snapshot files, read and written by our
    own code: root "PROPERTIES", one "VALUE" element per key with the attributes "name" and "val".

    Reading goes through expat, a parser made for hostile input, and accepts only that shape (plus
    what earlier versions wrote: a value that looked like XML was stored as one nested element in
    place of "val"; it reads as that element's text, line breaks included; and a character that
    XML 1.0 cannot hold, which the framework wrote as a reference such as "&#11;", reads as
    U+FFFD). The framework's own XML parser never sees a stored file. Writing is canonical: every
    value in a "val" attribute, so that whatever is read, written and read again is equal.

    Pure code: no file system, any thread.
*/
namespace PropertiesDocument
{
    /** What a document may hold. A file's owner sets which keys are its own: those are a fixed set
        with short values, so writing them can never push a file past what the next read accepts.
        Every other key, and an own key whose value is longer than ownValueMaxBytes, counts against
        maxForeignKeys and maxForeignBytes (measured as written, not as read).
    */
    struct Caps
    {
        int maxForeignKeys = 4096;
        std::size_t maxForeignBytes = 1024 * 1024;
        int maxDepth = 64;                      ///< of a nested value, the root element counting as 1
        int numOwnKeys = 0;
        std::function<bool (const juce::String&)> isOwnKey;

        /** Caps whose own keys are these (the other fields at their defaults). */
        static Caps withOwnKeys (const juce::StringArray& keys);

        /** Longest own value that is free of the caps: a full path fits. */
        static constexpr std::size_t ownValueMaxBytes = 4096;

        /** The largest document that a file within these caps can become when its own keys are
            written: what a read must admit so that the panel never refuses its own file.
        */
        std::size_t maxDocumentBytes() const;
    };

    enum class Problem
    {
        none,
        notXml,             ///< not well-formed XML in UTF-8
        hasDocumentType,    ///< a DTD: never written by us, and entities have no place in our files
        notProperties,      ///< well-formed, but not the properties shape
        tooDeep,            ///< a nested value deeper than Caps::maxDepth
        tooLarge            ///< more keys or more bytes than the caps
    };

    struct Parsed
    {
        Problem problem = Problem::none;
        juce::String detail;                               ///< line and reason, for messages
        juce::StringPairArray properties { false };        ///< file order; a repeated key keeps its first place and its last value

        bool ok() const noexcept { return problem == Problem::none; }
    };

    /** Parses a document's bytes and checks it against the caps. */
    Parsed parse (const void* data, std::size_t size, const Caps& caps);

    /** The canonical document: UTF-8, one line per key, every value in a "val" attribute.
        Characters that XML 1.0 cannot hold (control characters other than tab, line feed and
        carriage return) are written as U+FFFD.
    */
    juce::MemoryBlock write (const juce::StringPairArray& properties);

    /** The bytes write() spends on one key. */
    std::size_t entrySize (const juce::String& key, const juce::String& value);

    /** A stored double: the decimal number the text begins with (after ASCII white space: a
        sign, digits with at most one point, an exponent), as the framework reads it, whatever the
        locale and without its arithmetic overflow on long digit strings. Hexadecimal reads as the
        framework reads it ("0x10" is 0). 0 when the text does not begin with a finite number
        ("nan", "1e999"), which no level can be.
    */
    double numberOf (const juce::String& text);

    /** A stored bool: true when the whole number the text begins with is not 0, as the framework
        reads it ("1", "2", "-3" are true; "0", "", "yes" are false), for any length of digits.
    */
    bool flagOf (const juce::String& text);
}
