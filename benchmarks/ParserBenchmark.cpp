#include "DiscardingPorts.h"
#include "device/ProtocolParser.h"
#include "device/SysExMessages.h"
#include "panel/MainComponent.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
    /** A mix like the interface's traffic: mostly meters, some levels, activity and one of each
        rarer report.
    */
    std::vector<juce::MidiMessage> typicalReports()
    {
        using namespace SysExMessages;
        std::vector<juce::MidiMessage> reports;

        for (int i = 0; i < 48; ++i)
            reports.push_back (frame (0x70, { static_cast<std::uint8_t> (i % 4), static_cast<std::uint8_t> ((i * 7) % 101) }));
        for (int i = 0; i < 8; ++i)
            reports.push_back (sourceLevel (i % 4, (i / 4) % 4, hwLevelBytes (static_cast<HwLevel> (1000 + i))));
        for (int i = 0; i < 4; ++i)
            reports.push_back (outputLevel (hwLevelBytes (16422, outputLevelFlags (i, i == 2))));
        reports.push_back (oneByte (SysExCommand::midiActivity, 0x25));
        reports.push_back (oneByte (SysExCommand::inputConfig1, 0x04));
        reports.push_back (frame (0x7A, { 'v', '1', '1', '7' }));
        reports.push_back (frame (0x78, { 'T', 'Z', '3', 'A', '0', '0', '0', '4', '2', 0x00 }));
        return reports;
    }
}

/** Decoding alone: the pure parser on one core. */
static void ParseReport (benchmark::State& state)
{
    const auto reports = typicalReports();
    size_t i = 0;

    for (auto _ : state)
    {
        const auto& m = reports[i++ % reports.size()];
        auto report = ProtocolParser::parse (m.getRawData(), static_cast<size_t> (m.getRawDataSize()));
        benchmark::DoNotOptimize (report);
    }

    state.SetItemsProcessed (state.iterations());
}
BENCHMARK (ParseReport);

/** The message thread's work per report: decoding and applying it to the panel. */
static void HandleProtocolMessage (benchmark::State& state)
{
    DiscardingPorts ports;
    MainComponent panel (ports);
    const auto reports = typicalReports();
    size_t i = 0;

    for (auto _ : state)
        panel.handleProtocolMessage (reports[i++ % reports.size()]);

    state.SetItemsProcessed (state.iterations());
}
BENCHMARK (HandleProtocolMessage);

/** The MIDI input thread's cost per message: the locked append and the trigger. The queue is
    drained, untimed, whenever it is full, as the message thread would before it overflows.
*/
static void InputThreadAppend (benchmark::State& state)
{
    DiscardingPorts ports;
    MainComponent panel (ports);
    const auto reports = typicalReports();
    size_t i = 0;

    for (auto _ : state)
    {
        panel.handleIncomingMidiMessage (nullptr, reports[i++ % reports.size()]);

        if (i % static_cast<size_t> (MidiInputQueue::capacity) == 0)
        {
            state.PauseTiming();
            panel.handleUpdateNowIfNeeded();
            state.ResumeTiming();
        }
    }

    panel.handleUpdateNowIfNeeded();
    state.SetItemsProcessed (state.iterations());
}
BENCHMARK (InputThreadAppend);

/** Queue and parser together on one core: bursts of range(0) reports appended, then one drain.
    A burst beyond the queue's capacity loses its oldest reports on the input side, so it also
    measures the cost of dropping.
*/
static void QueueAndParse (benchmark::State& state)
{
    DiscardingPorts ports;
    MainComponent panel (ports);
    const auto reports = typicalReports();
    const auto burst = static_cast<size_t> (state.range (0));
    size_t i = 0;

    for (auto _ : state)
    {
        for (size_t n = 0; n < burst; ++n)
            panel.handleIncomingMidiMessage (nullptr, reports[i++ % reports.size()]);

        panel.handleUpdateNowIfNeeded();
    }

    state.SetItemsProcessed (state.iterations() * static_cast<int64_t> (burst));
}
BENCHMARK (QueueAndParse)->Arg (1)->Arg (64)->Arg (MidiInputQueue::capacity)->Arg (4096);
