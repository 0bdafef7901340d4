#pragma once

#include "device/MidiPortSystem.h"

#include <benchmark/benchmark.h>

/** MIDI endpoints for the benchmarks: no inputs, and outputs that accept and drop every block, so
    that only our side of the hand-over is measured.
*/
class DiscardingPorts final : public MidiPortSystem
{
public:
    class Output final : public MidiOutputPort
    {
    public:
        bool isBackgroundThreadRunning() const override { return running; }
        void startBackgroundThread() override           { running = true; }
        void sendBlockOfMessages (const juce::MidiBuffer& b, double, double) override
        {
            benchmark::DoNotOptimize (b.data.getRawDataPointer());
        }
        juce::MidiDeviceInfo getDeviceInfo() const override { return {}; }
        bool running = false;
    };

    juce::Array<juce::MidiDeviceInfo> getAvailableInputs() override  { return {}; }
    juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() override { return {}; }
    std::unique_ptr<MidiInputPort> openInput (const juce::String&, juce::MidiInputCallback*) override { return {}; }
    std::unique_ptr<MidiOutputPort> openOutput (const juce::String&) override { return std::make_unique<Output>(); }
};
