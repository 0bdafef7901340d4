// The settings file's way in: the checked parse with the settings caps, then every key the panel
// reads. Whatever is accepted must read back equal once written, and stay accepted when the panel
// writes its own keys over it.

#include "mixer/SettingsFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
    void require (bool condition, const char* what)
    {
        if (! condition)
        {
            std::fprintf (stderr, "fuzz: %s\n", what);
            std::abort();
        }
    }

    void readEveryKey (const juce::PropertySet& settings)
    {
        namespace Keys = SettingsFile::Keys;
        volatile double sum = 0.0;
        for (int slot = 0; slot < 4; ++slot)
        {
            sum = sum + settings.getValue (Keys::snapshotName (slot)).length();
            sum = sum + settings.getValue (Keys::snapshotPath (slot)).length();
        }
        for (int s = 0; s < 4; ++s)
            for (int d = 0; d < 4; ++d)
                sum = sum + settings.getDoubleValue (Keys::sourceLevel (s, d)) + (settings.getBoolValue (Keys::sourceMute (s, d)) ? 1 : 0);
        for (int d = 0; d < 4; ++d)
            sum = sum + settings.getDoubleValue (Keys::outputLevel (d)) + (settings.getBoolValue (Keys::outputMute (d)) ? 1 : 0);
        for (int i = 0; i < 2; ++i)
            sum = sum + (settings.getBoolValue (Keys::phase (i)) ? 1 : 0) + (settings.getBoolValue (Keys::target (i)) ? 1 : 0)
                + (settings.getBoolValue (Keys::phantomPower (i + 1)) ? 1 : 0);
        sum = sum + (settings.getBoolValue (Keys::resetNextBoot) ? 1 : 0) + (settings.getBoolValue (Keys::enableControlWhileUiOpen) ? 1 : 0)
            + settings.getValue (Keys::windowPosition).length();
    }

    PropertiesDocument::Parsed reparse (const juce::StringPairArray& properties)
    {
        const auto written = PropertiesDocument::write (properties);
        require (written.getSize() <= SettingsFile::caps().maxDocumentBytes(), "wrote more than a read admits");
        return PropertiesDocument::parse (written.getData(), written.getSize(), SettingsFile::caps());
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto parsed = PropertiesDocument::parse (data, size, SettingsFile::caps());
    if (! parsed.ok())
        return 0;

    juce::PropertySet settings;
    settings.getAllProperties() = parsed.properties;
    readEveryKey (settings);

    const auto back = reparse (parsed.properties);
    require (back.ok(), "what was accepted was refused once written");
    require (back.properties == parsed.properties && back.properties.getAllKeys() == parsed.properties.getAllKeys(),
             "what was accepted read back different once written");

    // The panel's saves write its own keys, with values up to the length the caps leave free.
    auto saved = parsed.properties;
    const auto ownValue = saved.size() > 0 ? saved.getAllValues()[0].substring (0, 512) : juce::String ("-90.0");
    for (const auto& key : SettingsFile::Keys::all())
        saved.set (key, ownValue);
    require (reparse (saved).ok(), "the panel's own save made a file its next start refuses");
    return 0;
}
