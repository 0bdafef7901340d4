#pragma once

#include "device/MidiPortSystem.h"

#include <memory>
#include <mutex>
#include <vector>

/** MIDI endpoints for tests: they appear, vanish, are renamed or reordered, and may refuse to open.

    Every message handed to an open output is recorded in order, with the output it went to, and
    passed on to onMessageSent (the wire to a simulated interface). Inputs deliver messages from
    whichever thread calls deliverToInputs, as a real MIDI input thread would.
*/
class SimulatedMidiPorts final : public MidiPortSystem
{
public:
    SimulatedMidiPorts();
    ~SimulatedMidiPorts() override;

    struct SentMessage
    {
        juce::String outputIdentifier;
        juce::MidiMessage message;
        double scheduledTime = 0.0;
    };

    //==============================================================================
    // The system's endpoint lists, in order
    void setInputs (juce::Array<juce::MidiDeviceInfo> endpoints);
    void setOutputs (juce::Array<juce::MidiDeviceInfo> endpoints);
    void addInput (const juce::String& name, const juce::String& identifier);
    void addOutput (const juce::String& name, const juce::String& identifier);
    void removeInput (const juce::String& identifier);
    void removeOutput (const juce::String& identifier);

    /** Endpoints with these identifiers cannot be opened. */
    void setRefusesToOpen (const juce::String& identifier, bool refuses);

    //==============================================================================
    // What the panel did
    std::vector<SentMessage> sentMessages() const;
    std::vector<juce::MidiMessage> sentMessagesTo (const juce::String& outputIdentifier) const;
    void clearSentMessages();

    int numOpenInputs() const;
    int numOpenOutputs() const;
    int numStartedOutputThreads() const;
    bool isInputOpen (const juce::String& identifier) const;
    bool isOutputOpen (const juce::String& identifier) const;
    int numOpenCalls() const;

    /** Delivers a message to every started input (or only the one with this identifier). */
    void deliverToInputs (const juce::MidiMessage& message, const juce::String& identifier = {});

    /** Called for every message handed to an open output, on the sender's thread. */
    std::function<void (const juce::String& outputIdentifier, const juce::MidiMessage&)> onMessageSent;

    //==============================================================================
    juce::Array<juce::MidiDeviceInfo> getAvailableInputs() override;
    juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() override;
    std::unique_ptr<MidiInputPort> openInput (const juce::String& identifier, juce::MidiInputCallback* callback) override;
    std::unique_ptr<MidiOutputPort> openOutput (const juce::String& identifier) override;

private:
    struct InputLine;
    class Input;
    class Output;
    friend class Input;
    friend class Output;

    void recordSent (const juce::String& identifier, const juce::MidiBuffer& buffer, double time);

    mutable std::recursive_mutex lock;
    juce::Array<juce::MidiDeviceInfo> inputs, outputs;
    juce::StringArray refusing;
    std::vector<std::shared_ptr<InputLine>> openInputs;
    std::vector<Output*> openOutputs;
    std::vector<SentMessage> sent;
    int openCalls = 0;
};

/** Shorthand for an endpoint description. */
inline juce::MidiDeviceInfo midiEndpoint (const juce::String& name, const juce::String& identifier)
{
    return juce::MidiDeviceInfo (name, identifier);
}

/** The bytes of a message, for comparisons in tests. */
std::vector<std::uint8_t> bytesOf (const juce::MidiMessage& message);
