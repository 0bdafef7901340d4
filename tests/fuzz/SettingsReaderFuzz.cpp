// The settings file's way in: our checked reader (regular file, size, nesting, root and key count),
// then the framework's own XML properties load, then every key the panel reads.

#include "mixer/SafeXmlFile.h"
#include "mixer/SettingsFile.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace
{
    /** The deepest element of a parsed tree, walked without recursion. */
    int depthOf (const juce::XmlElement& root)
    {
        int deepest = 0;
        std::vector<std::pair<const juce::XmlElement*, int>> pending { { &root, 1 } };
        while (! pending.empty())
        {
            const auto [element, depth] = pending.back();
            pending.pop_back();
            deepest = std::max (deepest, depth);
            for (auto* child = element->getFirstChildElement(); child != nullptr; child = child->getNextElement())
                pending.emplace_back (child, depth + 1);
        }
        return deepest;
    }

    void require (bool condition, const char* what)
    {
        if (! condition)
        {
            std::fprintf (stderr, "fuzz: %s\n", what);
            std::abort();
        }
    }

    struct ScratchFile
    {
        ~ScratchFile() { file.deleteFile(); }
        juce::File file = juce::File::getSpecialLocation (juce::File::tempDirectory)
                              .getChildFile ("settings-fuzz-" + juce::String (static_cast<int> (::getpid())) + ".settings");
    };

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
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static ScratchFile scratch;

    // The pure check: whatever it passes, the parser went no deeper than it measured.
    const SafeXmlFile::Limits limits;
    const auto parsed = SafeXmlFile::parse (data, size, limits);
    if (parsed.ok())
        require (depthOf (*parsed.xml) <= limits.maxDepth, "parsed deeper than the measured depth");

    // The file path, as the panel takes it at start (written plainly: a synced write per input
    // would leave the time budget to the disk). Only text the check passes reaches the framework.
    if (! parsed.ok())
        return 0;

    {
        std::ofstream out (scratch.file.getFullPathName().toStdString(), std::ios::binary | std::ios::trunc);
        out.write (reinterpret_cast<const char*> (data), static_cast<std::streamsize> (size));
        if (! out)
            return 0;
    }

    const auto checked = SettingsFile::readChecked (scratch.file);
    if (! checked.ok())
        return 0;

    require (checked.xml->hasTagName ("PROPERTIES"), "accepted a file without the settings root");
    require (checked.xml->getNumChildElements() <= SettingsFile::maxKeys, "accepted more keys than the cap");

    auto options = SettingsFile::options();
    options.doNotSave = true;
    options.millisecondsBeforeSaving = 0;
    juce::PropertiesFile settings (scratch.file, options);
    readEveryKey (settings);
    return 0;
}
