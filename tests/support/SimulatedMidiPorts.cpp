#include "support/SimulatedMidiPorts.h"

#include <algorithm>

/** What delivery needs of an input, shared with deliverToInputs so that a port closed while a
    message is on its way is only told to stop, never touched after it is gone.
*/
struct SimulatedMidiPorts::InputLine
{
    juce::MidiDeviceInfo info;
    juce::MidiInputCallback* callback = nullptr;
    std::mutex deliveryLock;
    bool started = false;

    void deliver (const juce::MidiMessage& message)
    {
        const std::lock_guard<std::mutex> guard (deliveryLock);
        if (started && callback != nullptr)
            callback->handleIncomingMidiMessage (nullptr, message);
    }
};

class SimulatedMidiPorts::Input final : public MidiInputPort
{
public:
    Input (SimulatedMidiPorts& s, std::shared_ptr<InputLine> l) : system (s), line (std::move (l)) {}

    ~Input() override
    {
        stop();
        const std::lock_guard<std::recursive_mutex> guard (system.lock);
        auto& list = system.openInputs;
        list.erase (std::remove (list.begin(), list.end(), line), list.end());
    }

    void start() override
    {
        const std::lock_guard<std::mutex> guard (line->deliveryLock);
        line->started = true;
    }

    // Taking the delivery lock waits for a callback in progress, as the real MIDI layer does.
    void stop() override
    {
        const std::lock_guard<std::mutex> guard (line->deliveryLock);
        line->started = false;
    }

    juce::MidiDeviceInfo getDeviceInfo() const override { return line->info; }

private:
    SimulatedMidiPorts& system;
    std::shared_ptr<InputLine> line;
};

class SimulatedMidiPorts::Output final : public MidiOutputPort
{
public:
    Output (SimulatedMidiPorts& s, juce::MidiDeviceInfo i) : system (s), info (std::move (i)) {}

    ~Output() override
    {
        const std::lock_guard<std::recursive_mutex> guard (system.lock);
        auto& list = system.openOutputs;
        list.erase (std::remove (list.begin(), list.end(), this), list.end());
    }

    bool isBackgroundThreadRunning() const override { return threadRunning; }
    void startBackgroundThread() override           { threadRunning = true; }

    void sendBlockOfMessages (const juce::MidiBuffer& buffer, double time, double) override
    {
        // Sending before the thread runs loses the messages with the real port; catch it here.
        jassert (threadRunning);
        if (threadRunning)
            system.recordSent (info.identifier, buffer, time);
    }

    juce::MidiDeviceInfo getDeviceInfo() const override { return info; }

    bool threadRunning = false;

private:
    SimulatedMidiPorts& system;
    juce::MidiDeviceInfo info;
};

SimulatedMidiPorts::SimulatedMidiPorts() = default;

SimulatedMidiPorts::~SimulatedMidiPorts()
{
    // Every port must be closed (its panel destroyed) before the endpoints go.
    jassert (openInputs.empty() && openOutputs.empty());
}

void SimulatedMidiPorts::setInputs (juce::Array<juce::MidiDeviceInfo> endpoints)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    inputs = std::move (endpoints);
}

void SimulatedMidiPorts::setOutputs (juce::Array<juce::MidiDeviceInfo> endpoints)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    outputs = std::move (endpoints);
}

void SimulatedMidiPorts::addInput (const juce::String& name, const juce::String& identifier)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    inputs.add (midiEndpoint (name, identifier));
}

void SimulatedMidiPorts::addOutput (const juce::String& name, const juce::String& identifier)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    outputs.add (midiEndpoint (name, identifier));
}

void SimulatedMidiPorts::removeInput (const juce::String& identifier)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    inputs.removeIf ([&] (const auto& e) { return e.identifier == identifier; });
}

void SimulatedMidiPorts::removeOutput (const juce::String& identifier)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    outputs.removeIf ([&] (const auto& e) { return e.identifier == identifier; });
}

void SimulatedMidiPorts::setRefusesToOpen (const juce::String& identifier, bool refuses)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    refusing.removeString (identifier);
    if (refuses)
        refusing.add (identifier);
}

std::vector<SimulatedMidiPorts::SentMessage> SimulatedMidiPorts::sentMessages() const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return sent;
}

std::vector<juce::MidiMessage> SimulatedMidiPorts::sentMessagesTo (const juce::String& outputIdentifier) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    std::vector<juce::MidiMessage> result;
    for (const auto& s : sent)
        if (s.outputIdentifier == outputIdentifier)
            result.push_back (s.message);
    return result;
}

void SimulatedMidiPorts::clearSentMessages()
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    sent.clear();
}

int SimulatedMidiPorts::numOpenInputs() const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return static_cast<int> (openInputs.size());
}

int SimulatedMidiPorts::numOpenOutputs() const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return static_cast<int> (openOutputs.size());
}

int SimulatedMidiPorts::numStartedOutputThreads() const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return static_cast<int> (std::count_if (openOutputs.begin(), openOutputs.end(),
                                            [] (auto* o) { return o->threadRunning; }));
}

bool SimulatedMidiPorts::isInputOpen (const juce::String& identifier) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return std::any_of (openInputs.begin(), openInputs.end(),
                        [&] (const auto& line) { return line->info.identifier == identifier; });
}

bool SimulatedMidiPorts::isOutputOpen (const juce::String& identifier) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return std::any_of (openOutputs.begin(), openOutputs.end(),
                        [&] (auto* o) { return o->getDeviceInfo().identifier == identifier; });
}

int SimulatedMidiPorts::numOpenCalls() const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return openCalls;
}

void SimulatedMidiPorts::deliverToInputs (const juce::MidiMessage& message, const juce::String& identifier)
{
    std::vector<std::shared_ptr<InputLine>> targets;
    {
        const std::lock_guard<std::recursive_mutex> guard (lock);
        for (const auto& line : openInputs)
            if (identifier.isEmpty() || line->info.identifier == identifier)
                targets.push_back (line);
    }

    // Delivery happens outside the list lock so that a panel may close ports meanwhile; each line
    // is kept alive by this list, and a port closed since it was taken has been stopped, so it
    // hears nothing more.
    for (const auto& line : targets)
        line->deliver (message);
}

juce::Array<juce::MidiDeviceInfo> SimulatedMidiPorts::getAvailableInputs()
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return inputs;
}

juce::Array<juce::MidiDeviceInfo> SimulatedMidiPorts::getAvailableOutputs()
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return outputs;
}

std::unique_ptr<MidiInputPort> SimulatedMidiPorts::openInput (const juce::String& identifier, juce::MidiInputCallback* callback)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    ++openCalls;

    for (const auto& endpoint : inputs)
    {
        if (endpoint.identifier == identifier && ! refusing.contains (identifier))
        {
            auto line = std::make_shared<InputLine>();
            line->info = endpoint;
            line->callback = callback;
            openInputs.push_back (line);
            return std::make_unique<Input> (*this, std::move (line));
        }
    }
    return {};
}

std::unique_ptr<MidiOutputPort> SimulatedMidiPorts::openOutput (const juce::String& identifier)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    ++openCalls;

    for (const auto& endpoint : outputs)
    {
        if (endpoint.identifier == identifier && ! refusing.contains (identifier))
        {
            auto output = std::make_unique<Output> (*this, endpoint);
            openOutputs.push_back (output.get());
            return output;
        }
    }
    return {};
}

void SimulatedMidiPorts::recordSent (const juce::String& identifier, const juce::MidiBuffer& buffer, double time)
{
    std::function<void (const juce::String&, const juce::MidiMessage&)> wire;
    {
        const std::lock_guard<std::recursive_mutex> guard (lock);
        for (const auto metadata : buffer)
            sent.push_back ({ identifier, metadata.getMessage(), time });
        wire = onMessageSent;
    }

    if (wire)
        for (const auto metadata : buffer)
            wire (identifier, metadata.getMessage());
}

std::vector<std::uint8_t> bytesOf (const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    return { data, data + message.getRawDataSize() };
}
