#include "device/ProtocolParser.h"
#include "mixer/TimerIds.h"
#include "panel/InputTypeItems.h"
#include "panel/MainComponent.h"

namespace
{
    void repaintIfPresent (juce::Component* c)
    {
        if (c != nullptr)
            c->repaint();
    }
}

void MainComponent::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    if (updaterRunning.load())
        return;

    // The trigger, which may post to the message queue, comes after the queue's lock is released,
    // so the message thread's exchange rarely has to wait for it.
    switch (midiInputQueue.push (message))
    {
        case MidiInputQueue::Overflow::none:
            break;

        case MidiInputQueue::Overflow::periodicStarts:
            juce::Logger::outputDebugString ("MIDI input: the panel is " + juce::String (MidiInputQueue::capacity)
                                             + " meter readings behind; dropping the oldest readings until it catches up");
            break;

        case MidiInputQueue::Overflow::answersStart:
            juce::Logger::outputDebugString ("MIDI input: the interface sent " + juce::String (MidiInputQueue::answerCapacity)
                                             + " reports the panel did not ask for; dropping the oldest until it catches up");
            break;
    }

    triggerAsyncUpdate();
}

void MainComponent::handleAsyncUpdate()
{
    midiInputQueue.drain ([this] (const juce::MidiMessage& message)
    {
        const auto* data = message.getRawData();
        const auto size = static_cast<std::size_t> (message.getRawDataSize());

        if (size == 0 || data[0] != SysEx::start)
            return;

        if (ProtocolParser::isStateReply (data, size))
        {
            if (stateReplyCount < 3)
                ++stateReplyCount;
            return;
        }

        handleProtocolMessage (message);
    });
}

void MainComponent::handleProtocolMessage (const juce::MidiMessage& message)
{
    using Type = ProtocolParser::Report::Type;

    const auto report = ProtocolParser::parse (message.getRawData(),
                                               static_cast<std::size_t> (message.getRawDataSize()));

    if (report.type == Type::notSysEx || report.type == Type::truncated)
        return;

    m_noDeviceMessageYet = false;

    switch (report.type)
    {
        case Type::sourceLevel:
            // The mute bit of the report is not taken: the panel's mute matrix holds what it sent.
            m_sourceVolumeArray[report.source][report.destination] = report.levelDb;
            startTimer (uiRefreshTimer, reportRefreshDelayMs);
            break;

        case Type::inputConfig:
        {
            auto* combo = m_inputTypeBoxes[report.input];
            auto* phantom = report.input == 0 ? &m_48V1 : &m_48V2;

            phantom->setToggleState (false, juce::dontSendNotification);

            if (report.inputConfig.lineMode)
            {
                setInputOptions (lineOption, combo, phantom);
                if (combo != nullptr)
                    combo->setSelectedId (report.inputConfig.hiZ ? InputTypeItem::hiZ : InputTypeItem::line, juce::dontSendNotification);
            }
            else
            {
                setInputOptions (micOption, combo, phantom);
                if (report.inputConfig.phantomPower)
                    phantom->setToggleState (true, juce::dontSendNotification);
            }
            break;
        }

        case Type::midiActivity:
            m_mixer.midiLedState = static_cast<std::uint8_t> (report.value & 0x03);
            m_mixer.midiLedPulse = static_cast<std::uint8_t> (m_mixer.midiLedPulse | (report.value & 0x3C));
            startTimer (uiRefreshTimer, reportRefreshDelayMs);
            break;

        case Type::hardwareFlags:
            for (int i = 0; i < 4; ++i)
                m_mixer.hwFlags[i] = (report.value >> i) & 0x01;
            break;

        case Type::hardwareFlagsExt:
            m_mixer.hwFlagExt = report.value & 0x01;
            m_mixer.hwFlagExtReserved = 0;
            break;

        case Type::outputLevel:
            fillOutputVolumeFromHW (static_cast<char> (report.bytes[0]),
                                    static_cast<char> (report.bytes[1]),
                                    static_cast<char> (report.bytes[2]));
            break;

        case Type::levelMeter:
            m_meterLevels[report.meterIndex] = report.meterLevel;
            repaintIfPresent (m_levelMeterByIndex[report.meterIndex]);

            // The DAW meters read the same two bytes as the output meters.
            if (report.meterIndex >= 2)
                for (auto* meter : m_playbackMeters)
                    repaintIfPresent (meter);
            break;

        case Type::serialNumber:
        {
            // Each byte is one character; bytes above 0x7F cannot come from a valid message but
            // must not break the text either.
            juce::juce_wchar characters[ProtocolParser::maxSerialCharacters + 1] {};
            for (std::size_t i = 0; i < report.serialLength; ++i)
                characters[i] = static_cast<juce::juce_wchar> (static_cast<std::uint8_t> (report.serial[i]));

            m_mixer.serial = juce::String (juce::CharPointer_UTF32 (characters));
            break;
        }

        case Type::firmwareVersionSTC:
            m_mixer.versionSTC = report.version;
            break;

        case Type::firmwareVersionRWA:
            m_mixer.versionRWA = report.version;
            break;

        case Type::notSysEx:
        case Type::truncated:
        case Type::ignored:
            break;
    }
}

void MainComponent::fillOutputVolumeFromHW (char b1, char b2, char b3)
{
    ProtocolParser::OutputLevel level;
    if (! ProtocolParser::decodeOutputLevel (static_cast<std::uint8_t> (b1),
                                             static_cast<std::uint8_t> (b2),
                                             static_cast<std::uint8_t> (b3), level))
        return;

    m_outputVolumeArray[level.output] = level.levelDb;
    m_outputMuteArray[level.output] = level.mute;
    startTimer (levelControlsTimer, reportRefreshDelayMs);
}
