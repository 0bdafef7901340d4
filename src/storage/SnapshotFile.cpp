#include "storage/SnapshotFile.h"

#include "storage/SettingsFile.h"
#include "storage/StoredProperties.h"

namespace SnapshotFile
{
    namespace
    {
        namespace Stems = SettingsFile::Keys;

        // The framework's own text for a stored value, so files read the same either way.
        juce::String text (double value)  { return juce::var (value).toString(); }
        juce::String text (bool value)    { return juce::var (value).toString(); }

        bool readBool (const juce::StringPairArray& p, const juce::String& key)
        {
            return PropertiesDocument::flagOf (p.getValue (key, {}));
        }

        /** Nothing but white space: nothing that a save could lose. */
        bool isBlank (const juce::MemoryBlock& bytes)
        {
            for (size_t i = 0; i < bytes.getSize(); ++i)
                if (! juce::CharacterFunctions::isWhitespace (static_cast<char> (bytes[i])))
                    return false;
            return true;
        }
    }

    juce::File fileForSlot (int slot)
    {
        return SettingsFile::folder().getChildFile ("Snapshot " + juce::String (slot + 1) + ".Talvoz3");
    }

    const PropertiesDocument::Caps& caps()
    {
        static const auto snapshotCaps = PropertiesDocument::Caps::withOwnKeys (keyValues ({}).getAllKeys());
        return snapshotCaps;
    }

    juce::StringPairArray keyValues (const TalvoSnapShotParameter& record)
    {
        juce::StringPairArray p (false);
        p.set (Keys::name, record.Name);
        p.set (Keys::description, record.Description);
        p.set (Keys::lastFile, record.LastFile.getFullPathName());

        for (int i = 0; i < numMixerSources; ++i)
        {
            for (int j = 0; j < numMixerDestinations; ++j)
            {
                p.set (Stems::sourceLevel (i, j), text (record.vol[i][j]));
                p.set (Stems::sourceMute (i, j), text (record.mute[i][j]));
            }
        }

        for (int k = 0; k < numMixerDestinations; ++k)
        {
            p.set (Stems::outputLevel (k), text (record.volOut[k]));
            p.set (Stems::outputMute (k), text (record.muteOut[k]));
        }

        for (int n = 0; n < 2; ++n)
            p.set (Stems::phase (n), text (record.Phase[n]));

        for (int n = 0; n < 2; ++n)
            p.set (Stems::target (n), text (record.Target[n]));

        jassert (p.size() == numKeys);
        return p;
    }

    std::optional<juce::StringPairArray> parseProperties (const void* data, size_t size)
    {
        auto parsed = PropertiesDocument::parse (data, size, caps());
        if (! parsed.ok())
            return std::nullopt;
        return std::move (parsed.properties);
    }

    std::optional<juce::StringPairArray> readProperties (const juce::File& file)
    {
        auto read = StoredProperties::read (file, caps());
        if (! read.ok())
            return std::nullopt;
        return std::move (read.properties);
    }
    bool readRecord (const juce::StringPairArray& p, TalvoSnapShotParameter& record)
    {
        const auto& keys = p.getAllKeys();
        const auto has = [&keys] (const juce::String& key) { return keys.contains (key); };

        if (! has (Keys::name))
            return false;
        record.Name = p[Keys::name];

        if (! has (Keys::description))
            return false;
        record.Description = p[Keys::description];

        for (int i = 0; i < numMixerSources; ++i)
        {
            for (int j = 0; j < numMixerDestinations; ++j)
            {
                const auto level = Stems::sourceLevel (i, j);
                if (! has (level))
                    return false;
                record.vol[i][j] = PropertiesDocument::numberOf (p[level]);

                const auto mute = Stems::sourceMute (i, j);
                if (! has (mute))
                    return false;
                record.mute[i][j] = readBool (p, mute);
            }
        }

        for (int k = 0; k < numMixerDestinations; ++k)
        {
            const auto level = Stems::outputLevel (k);
            record.volOut[k] = has (level) ? PropertiesDocument::numberOf (p[level]) : mixerFloorDb;
            record.muteOut[k] = readBool (p, Stems::outputMute (k));
        }

        for (int n = 0; n < 2; ++n)
        {
            record.Phase[n] = readBool (p, Stems::phase (n));
            record.Target[n] = readBool (p, Stems::target (n));
        }

        return true;
    }

    bool load (const juce::File& file, TalvoSnapShotParameter& record)
    {
        const auto properties = readProperties (file);
        return properties.has_value() && readRecord (*properties, record);
    }

    GuardedFile::Written write (const juce::File& file, const TalvoSnapShotParameter& record)
    {
        if (file.getFullPathName().isEmpty())
            return { "no path" };

        const auto existing = StoredProperties::read (file, caps());
        if (existing.fileProblem == GuardedFile::Problem::notARegularFile)
            return { file.getFullPathName().quoted() + " is not a regular file" };

        auto properties = existing.properties;
        const bool unreadable = ! existing.ok() && ! existing.missing();
        const bool blank = existing.fileProblem == GuardedFile::Problem::none && isBlank (existing.bytes);

        // What could not be read is never overwritten. A link stays where it is: the file it
        // names is set aside, and the new one is written through the link.
        if (unreadable && ! blank && GuardedFile::setAside (file.isSymbolicLink() ? file.getLinkedTarget() : file) == juce::File())
            return { file.getFullPathName().quoted() + " " + existing.describe() + " and cannot be moved aside" };

        const auto values = keyValues (record);
        for (int i = 0; i < values.size(); ++i)
            properties.set (values.getAllKeys()[i], values.getAllValues()[i]);

        return StoredProperties::write (file, properties);
    }

    int removeStaleTemporaries()
    {
        const auto before = SettingsFile::staleTemporariesBefore();
        int removed = 0;
        for (int slot = 0; slot < SettingsFile::numSnapshotSlots; ++slot)
        {
            const auto file = fileForSlot (slot);
            removed += GuardedFile::removeStaleTemporaries (file, before);
        }
        return removed;
    }
}
