#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>
#include <optional>

/** The frame a second launch sends its command line in: the text's length in bytes as four bytes,
    least significant first, then the text as UTF-8. Pure code with juce_core only (the fuzz
    targets link it alone); any thread.

    A frame is refused, and its text never reaches the panel, when its length is over the cap (known
    from the first four bytes, so a reader never waits for text it would not take) or its text is
    not strict UTF-8 or holds a NUL: nothing a command line can be, and nothing the framework's
    strings keep unchanged.
*/
namespace HandOverFrame
{
    constexpr size_t headerBytes = 4;

    /** The longest command line taken: far more than any launch needs, little for the panel to hold. */
    constexpr size_t maxTextBytes = 64 * 1024;

    struct Reading
    {
        enum class Status
        {
            complete,     ///< commandLine holds the text; frameBytes is the frame's size
            incomplete,   ///< more bytes are needed: frameBytes as far as is known yet
            refused       ///< too long or not a command line; read no further
        };

        Status status = Status::incomplete;

        /** Bytes the frame takes: the header alone until it is complete, then header and text.
            Never more than headerBytes + maxTextBytes.
        */
        size_t frameBytes = headerBytes;

        juce::String commandLine;
    };

    /** Reads the one frame at the start of the bytes received so far; bytes after it are ignored. */
    Reading read (const std::uint8_t* data, size_t size);

    /** The frame for a command line, or nothing when read() would refuse it. */
    std::optional<juce::MemoryBlock> write (const juce::String& commandLine);
}
