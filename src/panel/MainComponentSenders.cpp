#include "device/SysExMessages.h"
#include "panel/InputTypeItems.h"
#include "panel/MainComponent.h"

namespace
{
    std::uint8_t inputConfigByte (int selectedItemId, bool phantomPowerOn) noexcept
    {
        switch (selectedItemId)
        {
            case InputTypeItem::hiZ:  return 0x08;
            case InputTypeItem::mic:  return phantomPowerOn ? 0x04 : 0x00;
            case InputTypeItem::line:
            default:                  return 0x00;
        }
    }
}

void MainComponent::sendToOutputs (const juce::MidiMessage& message)
{
    // One block per message, queued 1 ms ahead: each output's own thread sends it, in the order
    // handed over, and the message thread never waits on a port.
    juce::MidiBuffer block;
    block.addEvent (message, 0);

    for (auto* entry : midiOutputs)
    {
        auto* output = entry->outputDevice.get();
        if (output == nullptr)
            continue;

        if (! output->isBackgroundThreadRunning())
            output->startBackgroundThread();

        output->sendBlockOfMessages (block, juce::Time::getMillisecondCounter() + 1.0, 44100.0);
    }
}

void MainComponent::sendVolumeFromInputToSelectedOutputs (unsigned char source, unsigned char destination,
                                                          double dB, bool mute, bool solo)
{
    jassert (source < numMixerSources && destination < numMixerDestinations);
    source &= 0x03;
    destination &= 0x03;

    const auto muteBit = mute && ! solo;
    const auto bytes = hwLevelBytes (dbToHwLevel (dB), muteBit ? sourceLevelMuteFlag : 0);

    m_sourceVolumeArray[source][destination] = hwLevelToDb (bytes.b1, bytes.b2, bytes.b3);
    m_sourceMuteArray[source][destination] = muteBit;
    m_sourceSoloArray[source][destination] = solo;

    sendToOutputs (SysExMessages::sourceLevel (source, destination, bytes));
}

void MainComponent::sendOutputVolume (char output, double dB, bool mute)
{
    jassert (output >= 0 && output < numMixerDestinations);
    sendToOutputs (SysExMessages::outputLevel (hwLevelBytes (dbToHwLevel (dB), outputLevelFlags (output & 0x03, mute))));
}

void MainComponent::sendAllSourceLevelsDownToHW (bool muteAll)
{
    for (unsigned char source = 0; source < numMixerSources; ++source)
        for (unsigned char destination = 0; destination < numMixerDestinations; ++destination)
            sendVolumeFromInputToSelectedOutputs (source, destination,
                                                  m_sourceVolumeArray[source][destination],
                                                  muteAll || m_sourceMuteArray[source][destination],
                                                  false);
}

void MainComponent::setRoutingAndPhaseMode (juce::Button*, int)
{
    const auto data = static_cast<std::uint8_t> ((m_phase1.getToggleState() ? 0x04 : 0)
                                               | (m_phase2.getToggleState() ? 0x08 : 0));
    sendToOutputs (SysExMessages::oneByte (SysExCommand::routingAndPhaseMode, data));
}

void MainComponent::setInputChannelConfig()
{
    sendToOutputs (SysExMessages::oneByte (SysExCommand::inputConfig1,
                                           inputConfigByte (m_inputTypeBox1.getSelectedId(), m_48V1.getToggleState())));
    sendToOutputs (SysExMessages::oneByte (SysExCommand::inputConfig2,
                                           inputConfigByte (m_inputTypeBox2.getSelectedId(), m_48V2.getToggleState())));
}

void MainComponent::sendStateRequestToHardware()
{
    sendToOutputs (SysExMessages::stateRequest());
    sendToOutputs (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionSTC));
    sendToOutputs (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionRWA));
    sendToOutputs (SysExMessages::serialNumberRequest());
}
