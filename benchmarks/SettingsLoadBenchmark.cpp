#include "mixer/SettingsFile.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

// What a start costs for a settings file of state.range(0) keys: our check, then the framework's
// load (one PropertiesFile, which the settings store opens twice). Shows why the check stops at
// SettingsFile::maxKeys: the framework's key table grows in the square of the keys.
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

    auto options = SettingsFile::options();
    options.doNotSave = true;

    for (auto _ : state)
    {
        const auto checked = SettingsFile::readChecked (file);
        juce::PropertiesFile settings (file, options);
        benchmark::DoNotOptimize (settings.getAllProperties().size());
    }

    state.SetItemsProcessed (state.iterations() * keys);
    file.deleteFile();
}
BENCHMARK (LoadSettingsFile)->Arg (80)->Arg (1024)->Arg (SettingsFile::maxKeys)->Arg (16384)->Unit (benchmark::kMillisecond);
