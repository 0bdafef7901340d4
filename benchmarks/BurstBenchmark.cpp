#include "DiscardingPorts.h"
#include "device/SysExMessages.h"
#include "device/SysExProtocol.h"
#include "panel/MainComponent.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace juce
{
    // The framework's step of its message loop: with false it sleeps until something arrives,
    // as the product's loop does.
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace
{
    constexpr int burstSize = 100000;

    /** Precede the time and the drops in the output of a first-burst run (the panel prints lines
        of its own).
    */
    constexpr const char* firstBurstTag = "first burst seconds: ";
    constexpr const char* firstBurstDroppedTag = "first burst dropped: ";

    /** count meter reports, then a serial-number report that tells the message thread the burst
        has been parsed.
    */
    std::vector<juce::MidiMessage> meterBurst (int count, const char* marker)
    {
        std::vector<juce::MidiMessage> reports;
        reports.reserve (static_cast<size_t> (count) + 1);
        for (int k = 0; k < count; ++k)
            reports.push_back (SysExMessages::frame (0x70, { static_cast<std::uint8_t> (k % 4),
                                                             static_cast<std::uint8_t> ((k / 4) % 101) }));

        std::vector<std::uint8_t> serial { SysEx::start, SysEx::manufacturerId[0], SysEx::manufacturerId[1],
                                           SysEx::manufacturerId[2], SysEx::deviceModelId, 0x78, 'T', 'Z', '3', 'A' };
        for (const auto* c = marker; *c != 0; ++c)
            serial.push_back (static_cast<std::uint8_t> (*c));
        serial.push_back (0x00);
        serial.push_back (SysEx::end);
        reports.emplace_back (serial.data(), static_cast<int> (serial.size()));
        return reports;
    }

    /** How the stand-in for the MIDI input thread hands the reports over. */
    enum class Pace
    {
        flat,        ///< as fast as it can: it outruns the parser, and the queue drops the oldest
        withinQueue  ///< never more than half a queue ahead of the parser, as a real link's rate keeps it
    };

    /** One burst through the real two-thread path: a thread standing in for the MIDI input
        thread hands the reports over one by one while the message thread runs its loop until the
        last one is parsed. Seconds from the first hand-over to the last parse.
    */
    double runBurst (MainComponent& panel, const std::vector<juce::MidiMessage>& reports, const juce::String& expectedSerial,
                     Pace pace = Pace::flat)
    {
        const auto start = std::chrono::steady_clock::now();

        std::thread midiInputThread ([&]
                                     {
                                         for (size_t i = 0; i < reports.size(); ++i)
                                         {
                                             // Looked at every 64 reports, so the look does not contend for the lock.
                                             if (pace == Pace::withinQueue && i % 64 == 0)
                                                 while (panel.midiInputQueue.size() >= MidiInputQueue::capacity / 2)
                                                     std::this_thread::yield();

                                             panel.handleIncomingMidiMessage (nullptr, reports[i]);
                                         }
                                     });

        while (panel.m_mixer.serial != expectedSerial)
            juce::dispatchNextMessageOnSystemQueue (false);

        const auto end = std::chrono::steady_clock::now();
        midiInputThread.join();
        return std::chrono::duration<double> (end - start).count();
    }
}

/** The first burst of a fresh process: each iteration starts this program anew to run one. */
int runFirstBurstInThisProcess()
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    DiscardingPorts ports;
    MainComponent panel (ports);
    const auto reports = meterBurst (burstSize, "FIRST");
    const auto seconds = runBurst (panel, reports, "TZ3AFIRST");
    std::printf ("\n%s%.9f\n%s%lld\n", firstBurstTag, seconds, firstBurstDroppedTag,
                 static_cast<long long> (panel.midiInputQueue.numDropped()));
    return 0;
}

static void FirstBurstInFreshProcess (benchmark::State& state)
{
    juce::int64 dropped = 0;

    for (auto _ : state)
    {
        juce::ChildProcess child;
        if (! child.start (juce::StringArray { juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName(),
                                               "--first-burst-only" }))
        {
            state.SkipWithError ("could not start the benchmark program again");
            return;
        }

        const auto output = child.readAllProcessOutput();
        const auto seconds = output.fromLastOccurrenceOf (firstBurstTag, false, false).getDoubleValue();
        if (seconds <= 0.0)
        {
            state.SkipWithError ("the first-burst run reported nothing");
            return;
        }
        state.SetIterationTime (seconds);
        dropped += output.fromLastOccurrenceOf (firstBurstDroppedTag, false, false).getLargeIntValue();
    }

    state.SetItemsProcessed (state.iterations() * burstSize);
    state.counters["dropped"] = benchmark::Counter (static_cast<double> (dropped), benchmark::Counter::kAvgIterations);
}
BENCHMARK (FirstBurstInFreshProcess)->UseManualTime()->Iterations (10)->Unit (benchmark::kMillisecond);

/** Every later burst of the same panel. */
static void LaterBurstsThroughTwoThreads (benchmark::State& state)
{
    DiscardingPorts ports;
    MainComponent panel (ports);
    const std::vector<juce::MidiMessage> bursts[] { meterBurst (burstSize, "EVEN"), meterBurst (burstSize, "ODD") };
    const auto pace = static_cast<Pace> (state.range (0));
    int n = 0;

    for (auto _ : state)
    {
        const auto odd = (n++ % 2) == 1;
        state.SetIterationTime (runBurst (panel, bursts[odd ? 1 : 0], odd ? "TZ3AODD" : "TZ3AEVEN", pace));
    }

    state.SetItemsProcessed (state.iterations() * burstSize);
    state.counters["dropped"] = benchmark::Counter (static_cast<double> (panel.midiInputQueue.numDropped()),
                                                    benchmark::Counter::kAvgIterations);
}
BENCHMARK (LaterBurstsThroughTwoThreads)->Arg (static_cast<int> (Pace::flat))->Arg (static_cast<int> (Pace::withinQueue))
    ->UseManualTime()->Iterations (20)->Unit (benchmark::kMillisecond);
