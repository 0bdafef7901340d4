#include "support/SimulatedMidiPorts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
    struct CountingCallback final : public juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage&) override
        {
            ++received;
            if (onMessage)
                onMessage();
        }

        std::atomic<int> received { 0 };
        std::function<void()> onMessage;
    };
}

// The concurrency tests close ports while the simulated MIDI thread delivers; the double must not
// race itself there, or the sanitizers report the test support instead of the product.
TEST (SimulatedMidiPorts, APortClosedDuringADeliveryHearsNothingMoreAndIsNotTouched)
{
    SimulatedMidiPorts ports;
    ports.addInput ("Talvo z3", "a");
    ports.addInput ("Talvo z3", "b");

    CountingCallback first, second;
    auto a = ports.openInput ("a", &first);
    auto b = ports.openInput ("b", &second);
    a->start();
    b->start();

    // The first port's callback closes the second while the same delivery is under way.
    first.onMessage = [&] { b = nullptr; };
    ports.deliverToInputs (juce::MidiMessage::noteOn (1, 60, 0.5f));
    EXPECT_EQ (first.received, 1);
    EXPECT_EQ (second.received, 0);
    EXPECT_EQ (ports.numOpenInputs(), 1);

    // Opening and closing on one thread while another delivers.
    first.onMessage = nullptr;
    std::atomic<bool> stop { false };
    std::thread midiThread ([&]
                            {
                                while (! stop)
                                    ports.deliverToInputs (juce::MidiMessage::noteOn (1, 61, 0.5f));
                            });
    for (int i = 0; i < 2000; ++i)
    {
        auto port = ports.openInput ("b", &second);
        port->start();
    }
    stop = true;
    midiThread.join();

    a = nullptr;
    EXPECT_EQ (ports.numOpenInputs(), 0);
}
