#include "DiscardingPorts.h"
#include "device/SysExMessages.h"
#include "panel/MainComponent.h"

#include <benchmark/benchmark.h>

namespace
{
    struct PanelWithOutputs
    {
        explicit PanelWithOutputs (int numOutputs)
        {
            for (int i = 0; i < numOutputs; ++i)
            {
                MidiDeviceListEntry::Ptr entry = new MidiDeviceListEntry ({ "Talvo z3 DAW Control", juce::String (i) });
                entry->outputDevice = ports.openOutput (juce::String (i));
                panel.midiOutputs.add (entry);
            }
        }

        DiscardingPorts ports;
        MainComponent panel { ports };
    };
}

static void DbToHwLevel (benchmark::State& state)
{
    double dB = -90.0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize (dbToHwLevel (dB));
        dB = dB >= 0.0 ? -90.0 : dB + 0.5;
    }
    state.SetItemsProcessed (state.iterations());
}
BENCHMARK (DbToHwLevel);

static void HwLevelToDb (benchmark::State& state)
{
    std::uint8_t b3 = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize (hwLevelToDb (1, 0x40, b3));
        b3 = static_cast<std::uint8_t> ((b3 + 1) & 0x7F);
    }
    state.SetItemsProcessed (state.iterations());
}
BENCHMARK (HwLevelToDb);

static void SourceLevelFrame (benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize (SysExMessages::sourceLevel (2, 3, hwLevelBytes (dbToHwLevel (-20.0), 0x40)));
    state.SetItemsProcessed (state.iterations());
}
BENCHMARK (SourceLevelFrame);

/** One fader step: encode, store, frame and hand to every open output. */
static void SendVolumeToOutputs (benchmark::State& state)
{
    PanelWithOutputs fixture (static_cast<int> (state.range (0)));
    double dB = -90.0;

    for (auto _ : state)
    {
        fixture.panel.sendVolumeFromInputToSelectedOutputs (2, 3, dB, false, false);
        dB = dB >= 0.0 ? -90.0 : dB + 0.5;
    }
    state.SetItemsProcessed (state.iterations());
}
BENCHMARK (SendVolumeToOutputs)->Arg (0)->Arg (1)->Arg (2);

/** The restore's full matrix resend. */
static void SendAllSourceLevels (benchmark::State& state)
{
    PanelWithOutputs fixture (2);
    for (auto _ : state)
        fixture.panel.sendAllSourceLevelsDownToHW (false);
    state.SetItemsProcessed (state.iterations() * 16);
}
BENCHMARK (SendAllSourceLevels);
