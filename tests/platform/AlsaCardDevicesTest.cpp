#include "platform/linux/AlsaCardDevices.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

TEST (AlsaCardDevices, TheRunningStreamGivesTheRateAndOddParametersGiveNone)
{
    using AlsaCardDevices::rateFromHwParams;
    EXPECT_EQ (rateFromHwParams ("access: RW_INTERLEAVED\nrate: 96000 (96000/1)\nperiod_size: 48\n"), 96000.0);
    EXPECT_FALSE (rateFromHwParams ("closed\n"));
    EXPECT_FALSE (rateFromHwParams ("rate: fast\n"));
    EXPECT_FALSE (rateFromHwParams ("rate: 99999999999999999999\n"));
    EXPECT_FALSE (rateFromHwParams ("rate: -48000\n"));
    EXPECT_FALSE (rateFromHwParams (""));

    const ScratchFolder card;
    const auto write = [&card] (const juce::String& path, const juce::String& text)
    {
        (card / path).getParentDirectory().createDirectory();
        ASSERT_TRUE ((card / path).replaceWithText (text));
    };
    EXPECT_FALSE (AlsaCardDevices::runningRate (card.folder));
    write ("pcm0p/sub0/hw_params", "closed\n");
    write ("pcm0c/sub0/hw_params", "rate: 44100 (44100/1)\n");
    EXPECT_EQ (AlsaCardDevices::runningRate (card.folder), 44100.0);   // only capture runs

    write ("pcm0p/sub0/hw_params", "rate: 88200 (88200/1)\n");
    EXPECT_EQ (AlsaCardDevices::runningRate (card.folder), 88200.0);   // playback first

    // A file far larger than any parameters is read only in part, and still understood.
    write ("pcm0p/sub0/hw_params", "rate: 32000 (32000/1)\n" + juce::String::repeatedString ("x", 1 << 20));
    EXPECT_EQ (AlsaCardDevices::runningRate (card.folder), 32000.0);
}

TEST (AlsaCardDevices, EachDirectionWithStreamsIsOneDeviceWhoseRateCannotBeSet)
{
    AlsaCardDevices::Card card;
    card.id = "z3";

    for (auto name : { "pcmC1D0p", "pcmC1D1p", "controlC1", "card1", "pcmC1D0c" })
        AlsaCardDevices::countPcm (card, name);

    EXPECT_EQ (card.playbackPcms, 2);
    EXPECT_EQ (card.capturePcms, 1);

    const auto input = AlsaCardDevices::deviceFor (card, AudioProperty::scopeInput, "OVK Vantoraklang GmbH", "Talvo z3", 44100.0);
    const auto output = AlsaCardDevices::deviceFor (card, AudioProperty::scopeOutput, "OVK Vantoraklang GmbH", "Talvo z3", 44100.0);
    ASSERT_TRUE (input && output);
    EXPECT_NE (input->uid, output->uid);
    EXPECT_EQ (input->name, "Talvo z3");
    EXPECT_EQ (output->manufacturer, "OVK Vantoraklang GmbH");
    EXPECT_EQ (input->inputBuffers, 1u);
    EXPECT_EQ (input->outputBuffers, 0u);
    EXPECT_EQ (output->outputBuffers, 2u);

    AudioHardware audio;
    const auto id = audio.addDevice (*output);
    const AudioPropertyAddress rate { AudioProperty::nominalSampleRate, AudioProperty::scopeWildcard, 0 };
    EXPECT_NE (audio.setNominalSampleRate (id, rate, 48000.0), 0);
    EXPECT_EQ (audio.nominalRateOf (id), 44100.0);

    AlsaCardDevices::Card playbackOnly;
    AlsaCardDevices::countPcm (playbackOnly, "pcmC2D0p");
    EXPECT_FALSE (AlsaCardDevices::deviceFor (playbackOnly, AudioProperty::scopeInput, "a", "b", 48000.0));
}
