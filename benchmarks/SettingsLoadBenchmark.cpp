#include "storage/SettingsFile.h"
#include "storage/SettingsStore.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

// What a start costs for a settings file of state.range(0) keys: the checked read, then the
// store taking the keys. Shows why reads stop at the key cap: the store's key table (the
// framework's StringPairArray) is filled in time that grows with the square of the keys.
static void LoadSettingsFile (benchmark::State& state)
{
    const auto keys = static_cast<int> (state.range (0));
    const auto file = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("settings-benchmark-" + juce::String (static_cast<int> (::getpid())) + ".settings");
    juce::MemoryOutputStream text;
    text << "<PROPERTIES>";
    for (int i = 0; i < keys; ++i)
        text << "<VALUE name=\"key" << i << "\" val=\"" << i << "\"/>";
    text << "</PROPERTIES>";
    file.replaceWithText (text.toString());

    for (auto _ : state)
    {
        const auto checked = SettingsFile::readChecked (file);
        SettingsStore settings (file, SettingsFile::millisecondsBeforeSaving, false);
        settings.load (checked.properties);
        benchmark::DoNotOptimize (settings.getAllProperties().size());
    }

    state.SetItemsProcessed (state.iterations() * keys);
    file.deleteFile();
}
BENCHMARK (LoadSettingsFile)->Arg (80)->Arg (1024)->Arg (SettingsFile::caps().maxForeignKeys)->Arg (16384)->Unit (benchmark::kMillisecond);
