#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>

/** An open MIDI input endpoint. Owned by its MidiDeviceListEntry; message thread. */
class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;

    /** Starts delivering messages to the callback given when the port was opened. */
    virtual void start() = 0;

    /** Stops delivery; once it returns, no callback of this port is running or will run. */
    virtual void stop() = 0;

    virtual juce::MidiDeviceInfo getDeviceInfo() const = 0;
};

/** An open MIDI output endpoint. Owned by its MidiDeviceListEntry; message thread. */
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;

    virtual bool isBackgroundThreadRunning() const = 0;

    /** Starts the thread that sends the messages queued by sendBlockOfMessages. */
    virtual void startBackgroundThread() = 0;

    /** Queues a block of messages to leave at millisecondCounterToStartAt (the clock of
        juce::Time::getMillisecondCounter), in order behind the messages already waiting.
    */
    virtual void sendBlockOfMessages (const juce::MidiBuffer& buffer,
                                      double millisecondCounterToStartAt,
                                      double samplesPerSecondForBuffer) = 0;

    virtual juce::MidiDeviceInfo getDeviceInfo() const = 0;
};

/** The system's MIDI endpoints: what is there and how to open it.

    The product uses the framework's MIDI classes (ALSA on Linux); tests plug in simulated
    endpoints. Listing and opening happen on the message thread; an open input calls its callback
    on its own thread.
*/
class MidiPortSystem
{
public:
    virtual ~MidiPortSystem() = default;

    /** The system's MIDI sources, in the system's order. */
    virtual juce::Array<juce::MidiDeviceInfo> getAvailableInputs() = 0;

    /** The system's MIDI destinations, in the system's order. */
    virtual juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() = 0;

    /** Opens an input by identifier; null when it cannot be opened. Not started yet. */
    virtual std::unique_ptr<MidiInputPort> openInput (const juce::String& identifier,
                                                      juce::MidiInputCallback* callback) = 0;

    /** Opens an output by identifier; null when it cannot be opened. */
    virtual std::unique_ptr<MidiOutputPort> openOutput (const juce::String& identifier) = 0;
};

/** The framework's own MIDI endpoints. Lives for the whole program. */
MidiPortSystem& getSystemMidiPorts();
