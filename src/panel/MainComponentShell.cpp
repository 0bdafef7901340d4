#include "device/RegisterDeviceCallBacksMac.h"
#include "mixer/FluxrouteRoutingRecord.h"
#include "storage/SettingsFile.h"
#include "panel/MainComponent.h"

namespace
{
    constexpr int factoryWindowWidth = 323;
    constexpr int factoryWindowHeight = 884;

    /** The interface's factory stream format: 4 channels of packed signed 24-bit at 48 kHz. */
    AudioStreamFormat factoryStreamFormat()
    {
        AudioStreamFormat format;
        format.mSampleRate = 48000.0;
        format.mFormatID = AudioProperty::formatLinearPCM;
        format.mFormatFlags = 12;
        format.mBytesPerPacket = 12;
        format.mFramesPerPacket = 1;
        format.mBytesPerFrame = 12;
        format.mChannelsPerFrame = 4;
        format.mBitsPerChannel = 24;
        return format;
    }
}

void MainComponent::savedWindowPosition (juce::String state)
{
    if (auto* settings = getUserSettings())
        settings->setValue (SettingsFile::Keys::windowPosition, state);
}

void MainComponent::setFactoryDefaults()
{
    setPhysicalStreamFormat (gInAudioObjectID, AudioProperty::scopeInput, factoryStreamFormat());
    setPhysicalStreamFormat (gOutAudioObjectID, AudioProperty::scopeOutput, factoryStreamFormat());

    resetMyDeviceMixer();

    if (auto* window = getParentComponent())
    {
        window->setVisible (false);
        window->centreWithSize (factoryWindowWidth, factoryWindowHeight);
    }
}
