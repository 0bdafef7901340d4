#include "platform/linux/AlsaCardDevices.h"

namespace
{
    constexpr juce::int64 largestHwParamsBytes = 4096;
}

void AlsaCardDevices::countPcm (Card& card, const juce::String& childName)
{
    if (! childName.startsWith ("pcmC") || ! childName.containsChar ('D'))
        return;

    if (childName.endsWithChar ('c'))
        ++card.capturePcms;
    else if (childName.endsWithChar ('p'))
        ++card.playbackPcms;
}

std::optional<AudioDeviceDescription> AlsaCardDevices::deviceFor (const Card& card, std::uint32_t scope,
                                                                  const juce::String& usbVendorName,
                                                                  const juce::String& usbProductName, double rate)
{
    const bool input = scope == AudioProperty::scopeInput;
    const auto streams = static_cast<std::uint32_t> (input ? card.capturePcms : card.playbackPcms);

    if (streams == 0)
        return std::nullopt;

    AudioDeviceDescription d;
    d.uid = "alsa:" + card.id + (input ? ":capture" : ":playback");
    d.name = usbProductName;
    d.manufacturer = usbVendorName;
    (input ? d.inputBuffers : d.outputBuffers) = streams;
    d.nominalRate = rate;
    d.rateIsFixed = true;
    return d;
}

std::optional<double> AlsaCardDevices::rateFromHwParams (const juce::String& text)
{
    for (const auto& line : juce::StringArray::fromLines (text))
    {
        if (! line.startsWith ("rate:"))
            continue;

        const auto value = line.fromFirstOccurrenceOf (":", false, false).trim().upToFirstOccurrenceOf (" ", false, false);

        if (! value.containsOnly ("0123456789"))
            return std::nullopt;

        const auto rate = value.getLargeIntValue();
        return rate > 0 && rate <= 1000000 ? std::optional<double> (static_cast<double> (rate)) : std::nullopt;
    }

    return std::nullopt;
}

std::optional<double> AlsaCardDevices::runningRate (const juce::File& procCardFolder)
{
    for (auto direction : { 'p', 'c' })
    {
        auto pcms = procCardFolder.findChildFiles (juce::File::findDirectories, false, "pcm*");
        pcms.sort();

        for (const auto& pcm : pcms)
        {
            if (! pcm.getFileName().endsWithChar (direction))
                continue;

            for (const auto& sub : pcm.findChildFiles (juce::File::findDirectories, false, "sub*"))
            {
                const auto params = sub.getChildFile ("hw_params");

                // procfs reports a size of 0 for every file, so read through a bounded stream.
                juce::FileInputStream in (params);

                if (! in.openedOk())
                    continue;

                juce::MemoryBlock block;
                in.readIntoMemoryBlock (block, largestHwParamsBytes);

                if (const auto rate = rateFromHwParams (block.toString()))
                    return rate;
            }
        }
    }

    return std::nullopt;
}
