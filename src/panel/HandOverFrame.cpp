#include "panel/HandOverFrame.h"

#include <cstring>

namespace HandOverFrame
{
namespace
{
    /** True when the bytes are UTF-8 as RFC 3629 has it (no overlong forms, no surrogates, nothing
        past U+10FFFF) without a NUL. The framework's own check lets overlong forms through, and its
        strings keep such bytes as they are, so a text it took could differ from the one it shows.
    */
    bool isStrictUtf8WithoutNul (const std::uint8_t* bytes, size_t size)
    {
        size_t i = 0;

        while (i < size)
        {
            const auto lead = bytes[i];

            if (lead == 0)
                return false;

            if (lead < 0x80)
            {
                ++i;
                continue;
            }

            // The lead byte says how many bytes follow; each length has a least value, below
            // which the same character has a shorter form.
            const auto extra = (lead & 0xE0) == 0xC0 ? 1u : (lead & 0xF0) == 0xE0 ? 2u : (lead & 0xF8) == 0xF0 ? 3u : 0u;
            if (extra == 0)
                return false;

            constexpr std::uint32_t lowestFor[] = { 0, 0x80, 0x800, 0x10000 };
            std::uint32_t value = lead & (0x3Fu >> extra);

            if (extra >= size - i)
                return false;

            for (size_t k = 1; k <= extra; ++k)
            {
                const auto next = bytes[i + k];
                if ((next & 0xC0) != 0x80)
                    return false;
                value = (value << 6) | (next & 0x3Fu);
            }

            if (value < lowestFor[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
                return false;

            i += extra + 1;
        }

        return true;
    }
}

Reading read (const std::uint8_t* data, size_t size)
{
    using Status = Reading::Status;
    Reading reading;

    if (data == nullptr || size < headerBytes)
        return reading;

    const auto length = static_cast<size_t> (data[0]) | (static_cast<size_t> (data[1]) << 8)
                      | (static_cast<size_t> (data[2]) << 16) | (static_cast<size_t> (data[3]) << 24);

    if (length > maxTextBytes)
    {
        reading.status = Status::refused;
        return reading;
    }

    reading.frameBytes = headerBytes + length;

    if (size < reading.frameBytes)
        return reading;

    const auto* text = data + headerBytes;

    if (! isStrictUtf8WithoutNul (text, length))
    {
        reading.status = Status::refused;
        return reading;
    }

    reading.status = Status::complete;
    reading.commandLine = juce::String::fromUTF8 (reinterpret_cast<const char*> (text), static_cast<int> (length));
    return reading;
}

std::optional<juce::MemoryBlock> write (const juce::String& commandLine)
{
    const auto length = commandLine.getNumBytesAsUTF8();
    const auto* text = reinterpret_cast<const std::uint8_t*> (commandLine.toRawUTF8());

    // A string made from bytes that are not UTF-8 keeps them: check what would go out.
    if (length > maxTextBytes || ! isStrictUtf8WithoutNul (text, length))
        return std::nullopt;

    juce::MemoryBlock frame (headerBytes + length);
    auto* bytes = static_cast<std::uint8_t*> (frame.getData());

    for (size_t i = 0; i < headerBytes; ++i)
        bytes[i] = static_cast<std::uint8_t> ((length >> (8 * i)) & 0xFF);

    if (length > 0)
        std::memcpy (bytes + headerBytes, text, length);

    return frame;
}
}
