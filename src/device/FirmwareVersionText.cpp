#include "device/FirmwareVersionText.h"

juce::String firmwareVersionText (int version)
{
    if (version == 0)
        return {};

    const auto bits = static_cast<juce::uint32> (version);
    juce::String text;

    const auto append = [&text] (juce::uint32 byte)
    {
        if (byte != 0)
            text << juce::String::charToString (static_cast<juce::juce_wchar> (byte));
    };

    append ((bits >> 24) & 0xFF);
    append ((bits >> 16) & 0xFF);
    text << ".";
    append ((bits >> 8) & 0xFF);
    append (bits & 0xFF);

    return text.toUpperCase();
}
