#include "device/MidiPortSystem.h"

namespace
{
    class JuceMidiInputPort final : public MidiInputPort
    {
    public:
        explicit JuceMidiInputPort (std::unique_ptr<juce::MidiInput> in) : input (std::move (in)) {}

        void start() override                               { input->start(); }
        void stop() override                                { input->stop(); }
        juce::MidiDeviceInfo getDeviceInfo() const override { return input->getDeviceInfo(); }

    private:
        std::unique_ptr<juce::MidiInput> input;
    };

    class JuceMidiOutputPort final : public MidiOutputPort
    {
    public:
        explicit JuceMidiOutputPort (std::unique_ptr<juce::MidiOutput> out) : output (std::move (out)) {}

        bool isBackgroundThreadRunning() const override { return output->isBackgroundThreadRunning(); }

        // The framework starts its sending thread at its own fixed priority; JUCE 7 offers no way
        // to choose another from outside.
        void startBackgroundThread() override { output->startBackgroundThread(); }

        void sendBlockOfMessages (const juce::MidiBuffer& buffer, double startTime, double sampleRate) override
        {
            output->sendBlockOfMessages (buffer, startTime, sampleRate);
        }

        juce::MidiDeviceInfo getDeviceInfo() const override { return output->getDeviceInfo(); }

    private:
        std::unique_ptr<juce::MidiOutput> output;
    };

    class JuceMidiPortSystem final : public MidiPortSystem
    {
    public:
        juce::Array<juce::MidiDeviceInfo> getAvailableInputs() override  { return juce::MidiInput::getAvailableDevices(); }
        juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() override { return juce::MidiOutput::getAvailableDevices(); }

        std::unique_ptr<MidiInputPort> openInput (const juce::String& identifier, juce::MidiInputCallback* callback) override
        {
            if (auto input = juce::MidiInput::openDevice (identifier, callback))
                return std::make_unique<JuceMidiInputPort> (std::move (input));
            return {};
        }

        std::unique_ptr<MidiOutputPort> openOutput (const juce::String& identifier) override
        {
            if (auto output = juce::MidiOutput::openDevice (identifier))
                return std::make_unique<JuceMidiOutputPort> (std::move (output));
            return {};
        }
    };
}

MidiPortSystem& getSystemMidiPorts()
{
    static JuceMidiPortSystem ports;
    return ports;
}
