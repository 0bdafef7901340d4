#pragma once

#include "platform/AudioHardware.h"

#include <juce_core/juce_core.h>

#include <optional>

/** What the interface's ALSA sound card offers: the input and the output audio device the
    presence layer binds, and the rate its streams run at.

    Read from sysfs (the card's pcm children) and /proc/asound (the streams' hardware parameters)
    rather than by opening the card: a sound server usually holds it open, and opening it would
    take it away from the server. Pure functions of what they are given; any thread.
*/
namespace AlsaCardDevices
{
    /** The rate reported while no stream of the card runs and none has run since it appeared:
        the rate sound servers open cards at unless told otherwise.
    */
    constexpr double idleRate = 48000.0;

    struct Card
    {
        juce::String id;                ///< the card's ALSA id ("z3"), from its "id" attribute
        int capturePcms = 0, playbackPcms = 0;
    };

    /** Counts a card's streams from the names of its sysfs children ("pcmC1D0p", "pcmC1D0c"). */
    void countPcm (Card&, const juce::String& childName);

    /** The audio device of one direction (scopeInput or scopeOutput); empty when the card has no
        stream in that direction. Name and manufacturer are the USB device's strings, so that the
        presence layer's name and manufacturer checks see what they see on the USB side. Its rate
        is fixed: without a sound server to ask, Linux has no device-wide rate to set.
    */
    std::optional<AudioDeviceDescription> deviceFor (const Card&, std::uint32_t scope,
                                                     const juce::String& usbVendorName,
                                                     const juce::String& usbProductName, double rate);

    /** The rate of a running stream of the card whose /proc/asound folder is given (playback
        before capture); empty when none runs. Reads at most a few small files.
    */
    std::optional<double> runningRate (const juce::File& procCardFolder);

    /** Parses one "hw_params" file's text; empty when it says "closed" or holds no rate. */
    std::optional<double> rateFromHwParams (const juce::String& text);
}
