#include "storage/SettingsFile.h"

#include "mixer/MixerModel.h"

namespace SettingsFile
{
    namespace
    {
        constexpr int numPhaseButtons = 2;
        constexpr int numInputs = 2;
        constexpr int numTargets = 2;

    }

    juce::File folder()
    {
        return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
                   .getChildFile ("Talvoz3Panel");
    }

    juce::File defaultFile()
    {
        return folder().getChildFile ("Talvoz3Panel.settings");
    }

    const PropertiesDocument::Caps& caps()
    {
        static const auto settingsCaps = PropertiesDocument::Caps::withOwnKeys (Keys::all());
        return settingsCaps;
    }

    juce::Time staleTemporariesBefore()
    {
        return juce::Time::getCurrentTime() - juce::RelativeTime::minutes (1);
    }

    StoredProperties::Result readChecked (const juce::File& file)
    {
        return StoredProperties::read (file, caps());
    }

    juce::String StartupCheck::message (const juce::File& file) const
    {
        if (notOurs.isNotEmpty())
            return "Talvo z3 Control: the panel saves no settings or snapshots in this session: " + notOurs
                 + " (a run as another user, such as root, that kept this user's HOME)"
                 + (refused() ? ". The settings file " + read.describe() + "; the panel starts with default settings." : ".");

        if (! refused())
            return {};

        juce::String text;
        text << "Talvo z3 Control: the settings file \"" << file.getFullPathName() << "\" " << read.describe();

        if (savingOff)
            text << " and could not be moved aside; the panel starts with default settings and saves none in this session.";
        else
            text << "; it was moved unchanged to \"" << keptAs.getFullPathName() << "\" and the panel starts with default settings.";

        return text;
    }

    StartupCheck checkBeforeLoading (const juce::File& file, const Reader& read)
    {
        StartupCheck check;
        check.notOurs = GuardedFile::whyWeMayNotWrite (file);
        if (check.notOurs.isNotEmpty())
        {
            check.read = read (file);
            check.savingOff = true;
            return check;
        }

        check.removedTemporaries = GuardedFile::removeStaleTemporaries (file, staleTemporariesBefore());

        check.read = read (file);
        if (check.refused())
        {
            check.keptAs = GuardedFile::setAside (file);
            check.savingOff = check.keptAs == juce::File();
        }
        return check;
    }

    namespace Keys
    {
        juce::String snapshotName (int slot)                    { return "Snapshot" + juce::String (slot); }
        juce::String snapshotPath (int slot)                    { return "PathToSnapshot" + juce::String (slot); }
        juce::String sourceLevel (int source, int destination)  { return "vol" + juce::String (source) + juce::String (destination); }
        juce::String sourceMute (int source, int destination)   { return "mute" + juce::String (source) + juce::String (destination); }
        juce::String outputLevel (int destination)              { return "volOut" + juce::String (destination); }
        juce::String outputMute (int destination)               { return "muteOut" + juce::String (destination); }
        juce::String phase (int index)                          { return "Phase" + juce::String (index); }
        juce::String phantomPower (int input)                   { return "48V" + juce::String (input); }
        juce::String target (int index)                         { return "Target" + juce::String (index); }

        const juce::StringArray& all()
        {
            static const auto keys = []
            {
                juce::StringArray k { windowPosition, resetNextBoot, enableControlWhileUiOpen };
                for (int slot = 0; slot < numSnapshotSlots; ++slot)
                    k.add (snapshotName (slot)), k.add (snapshotPath (slot));
                for (int source = 0; source < numMixerSources; ++source)
                    for (int destination = 0; destination < numMixerDestinations; ++destination)
                        k.add (sourceLevel (source, destination)), k.add (sourceMute (source, destination));
                for (int destination = 0; destination < numMixerDestinations; ++destination)
                    k.add (outputLevel (destination)), k.add (outputMute (destination));
                for (int index = 0; index < numPhaseButtons; ++index)
                    k.add (phase (index));
                for (int input = 1; input <= numInputs; ++input)
                    k.add (phantomPower (input));
                for (int index = 0; index < numTargets; ++index)
                    k.add (target (index));
                return k;
            }();
            return keys;
        }
    }

    juce::String defaultSnapshotName (int slot)
    {
        return "Snapshot " + juce::String (slot + 1);
    }
}
