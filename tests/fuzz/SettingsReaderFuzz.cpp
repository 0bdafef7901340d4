// The settings file's way in: the checked parse with the settings caps, then every key the panel
// reads. Whatever is accepted must read back equal once written, and stay accepted when the panel
// writes its own keys over it.

#include "storage/SettingsFile.h"

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

    /** Every key the panel reads, read as each kind of value it may be. */
    void readEveryKey (const juce::StringPairArray& settings)
    {
        volatile double sum = 0.0;
        for (const auto& key : SettingsFile::Keys::all())
        {
            const auto text = settings.getValue (key, {});
            sum = sum + PropertiesDocument::numberOf (text) + (PropertiesDocument::flagOf (text) ? 1 : 0) + text.length();
        }
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

    readEveryKey (parsed.properties);

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
