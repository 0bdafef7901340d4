#include "mixer/SnapshotFile.h"

#include "mixer/SafeXmlFile.h"
#include "mixer/SettingsFile.h"

namespace SnapshotFile
{
    namespace
    {
        namespace Stems = SettingsFile::Keys;

        constexpr const char* rootTag = "PROPERTIES";
        constexpr const char* valueTag = "VALUE";
        constexpr const char* nameAttribute = "name";
        constexpr const char* valueAttribute = "val";

        // The framework's own text for a stored value, so files read the same either way.
        juce::String text (double value)  { return juce::var (value).toString(); }
        juce::String text (bool value)    { return juce::var (value).toString(); }

        bool readBool (const juce::StringPairArray& p, const juce::String& key)
        {
            return p.getValue (key, {}).getIntValue() != 0;
        }

        std::optional<juce::StringPairArray> propertiesOf (const SafeXmlFile::Result& parsed)
        {
            if (! parsed.ok() || ! parsed.xml->hasTagName (rootTag))
                return std::nullopt;

            juce::StringPairArray p (false);
            for (auto* e : parsed.xml->getChildWithTagNameIterator (valueTag))
            {
                const auto name = e->getStringAttribute (nameAttribute);
                if (name.isEmpty())
                    continue;

                // A value that holds XML is stored as a child element, as the framework stores it.
                if (auto* child = e->getFirstChildElement())
                    p.set (name, child->toString (juce::XmlElement::TextFormat().singleLine().withoutHeader()));
                else
                    p.set (name, e->getStringAttribute (valueAttribute));
            }
            return p;
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

    std::optional<juce::StringPairArray> parseProperties (const juce::String& documentText)
    {
        return parseProperties (documentText.toRawUTF8(), documentText.getNumBytesAsUTF8());
    }

    std::optional<juce::StringPairArray> parseProperties (const void* data, size_t size)
    {
        return propertiesOf (SafeXmlFile::parse (data, size, {}));
    }

    std::unique_ptr<juce::XmlElement> toXml (const juce::StringPairArray& properties)
    {
        auto root = std::make_unique<juce::XmlElement> (rootTag);
        for (int i = 0; i < properties.size(); ++i)
        {
            auto* e = root->createNewChildElement (valueTag);
            e->setAttribute (nameAttribute, properties.getAllKeys()[i]);
            e->setAttribute (valueAttribute, properties.getAllValues()[i]);
        }
        return root;
    }

    std::optional<juce::StringPairArray> readProperties (const juce::File& file)
    {
        return propertiesOf (SafeXmlFile::read (file, {}));
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
                record.vol[i][j] = p[level].getDoubleValue();

                const auto mute = Stems::sourceMute (i, j);
                if (! has (mute))
                    return false;
                record.mute[i][j] = readBool (p, mute);
            }
        }

        for (int k = 0; k < numMixerDestinations; ++k)
        {
            const auto level = Stems::outputLevel (k);
            record.volOut[k] = has (level) ? p[level].getDoubleValue() : mixerFloorDb;
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

    bool write (const juce::File& file, const TalvoSnapShotParameter& record)
    {
        const auto target = file.isSymbolicLink() ? file.getLinkedTarget() : file;
        if (target.getFullPathName().isEmpty())
            return false;

        juce::StringPairArray properties (false);

        if (target.exists())
        {
            const auto existing = SafeXmlFile::read (target, {});
            if (existing.problem == SafeXmlFile::Problem::notARegularFile)
                return false;

            if (const auto read = propertiesOf (existing))
                properties = *read;
            else if (! (existing.problem == SafeXmlFile::Problem::notXml && isBlank (existing.bytes))
                     && SettingsFile::setAside (target) == juce::File())
                return false; // what could not be read is never overwritten
        }

        const auto values = keyValues (record);
        for (int i = 0; i < values.size(); ++i)
            properties.set (values.getAllKeys()[i], values.getAllValues()[i]);

        target.getParentDirectory().createDirectory();
        return toXml (properties)->writeTo (target);
    }
}
