#include "support/PanelFixture.h"

#include <cmath>

namespace Keys = SettingsFile::Keys;

namespace
{
    /** Writes a settings file as a previous session (or a user with an editor) left it. */
    void writeSettingsText (const juce::String& xml)
    {
        const auto file = FreshSettingsFile::file();
        file.getParentDirectory().createDirectory();
        ASSERT_TRUE (file.replaceWithText (xml));
    }

    juce::String settingsXml (std::initializer_list<std::pair<const char*, const char*>> values)
    {
        juce::XmlElement root ("PROPERTIES");
        for (auto [name, value] : values)
        {
            auto* e = root.createNewChildElement ("VALUE");
            e->setAttribute ("name", name);
            e->setAttribute ("val", value);
        }
        return root.toString();
    }

    juce::StringArray keysInFileOrder()
    {
        juce::StringArray keys;
        if (auto xml = juce::parseXML (FreshSettingsFile::file()))
            for (auto* e : xml->getChildIterator())
                keys.add (e->getStringAttribute ("name"));
        return keys;
    }
}

class SettingsFileTest : public PanelFixture
{
protected:
    /** A new panel on a file as a previous session (or a user with an editor) left it. The old
        panel goes first: its teardown writes the file too.
    */
    void reopenPanelWith (const juce::String& fileText)
    {
        panel = nullptr;
        writeSettingsText (fileText);
        panel = std::make_unique<MainComponent> (ports);
    }
};

TEST_F (SettingsFileTest, AMissingFileRestoresTheFactoryState)
{
    panel->restoreProperties();

    for (int s = 0; s < 4; ++s)
        for (int d = 0; d < 4; ++d)
        {
            EXPECT_EQ (panel->m_sourceVolumeArray[s][d], _static_default_volume_array[s][d]);
            EXPECT_FALSE (panel->m_sourceMuteArray[s][d]);
        }

    for (int d = 0; d < 4; ++d)
    {
        EXPECT_EQ (panel->m_outputVolumeArray[d], 0.0);
        EXPECT_FALSE (panel->m_outputMuteArray[d]);
    }

    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ (panel->m_ssButtons[slot]->getButtonText(), "Snapshot " + juce::String (slot + 1));

    EXPECT_FALSE (panel->m_hwControlAllowed);
    EXPECT_EQ (panel->m_selectedTargets, juce::Array<int> { 0 });
}

TEST_F (SettingsFileTest, RestoresStoredValuesAndFallsBackPerKey)
{
    reopenPanelWith (settingsXml ({
        { "Snapshot0", "Band" }, { "Snapshot2", "" }, { "EnableContrlWhileUIopen", "1" },
        { "vol23", "-20.00186" }, { "mute23", "1" }, { "volOut1", "-30.0" }, { "muteOut3", "1" },
        { "Phase1", "1" }, { "48V2", "1" }, { "Target1", "1" },
    }));
    giveOpenOutput ("out");

    panel->restoreProperties();

    EXPECT_EQ (panel->m_ssButtons[0]->getButtonText(), "Band");
    EXPECT_EQ (panel->m_ssButtons[1]->getButtonText(), "Snapshot 2");
    EXPECT_EQ (panel->m_ssButtons[2]->getButtonText(), "Snapshot 3"); // stored empty
    EXPECT_TRUE (panel->m_hwControlAllowed);
    EXPECT_EQ (panel->m_sourceVolumeArray[2][3], -20.00186);
    EXPECT_TRUE (panel->m_sourceMuteArray[2][3]);
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], 0.0);              // missing: factory
    EXPECT_EQ (panel->m_outputVolumeArray[1], -30.0);
    EXPECT_TRUE (panel->m_outputMuteArray[3]);
    EXPECT_FALSE (panel->m_phase1.getToggleState());
    EXPECT_TRUE (panel->m_phase2.getToggleState());
    EXPECT_TRUE (panel->m_48V2.getToggleState());
    EXPECT_TRUE (panel->m_trgButtons[1]->getToggleState());
    EXPECT_EQ (panel->m_selectedTargets, juce::Array<int> { 1 });

    // The restored input types and phase mode go to the interface; nothing else does.
    EXPECT_EQ (sentBytes(), (std::vector<Bytes> {
        { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x40, 0x00, 0xF7 },
        { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x41, 0x04, 0xF7 },
        { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x62, 0x08, 0xF7 },
    }));
}

TEST_F (SettingsFileTest, DamagedAndHandEditedValuesGiveDefinedResults)
{
    reopenPanelWith (settingsXml ({
        { "vol00", "loud" }, { "vol01", "nan" }, { "vol02", "1e308" }, { "vol03", "-1e308" },
        { "mute00", "yes" }, { "mute01", "2" }, { "volOut0", "" }, { "Target0", "x" },
        // Long runs of digits overflowed the framework's number reading.
        { "vol10", "0e3086666662" }, { "mute10", "99999999999999999999" },
    }));
    giveOpenOutput ("out");

    panel->restoreProperties();
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], 0.0);   // not a number reads as 0
    EXPECT_FALSE (panel->m_sourceMuteArray[0][0]);        // "yes" is not a number: false
    EXPECT_TRUE (panel->m_sourceMuteArray[0][1]);         // any number but 0 is true
    EXPECT_EQ (panel->m_outputVolumeArray[0], 0.0);
    EXPECT_EQ (panel->m_sourceVolumeArray[1][0], 0.0);
    EXPECT_TRUE (panel->m_sourceMuteArray[1][0]);
    EXPECT_EQ (panel->m_selectedTargets, juce::Array<int> { 0 });

    // Whatever the file held, what goes to the interface is a valid frame and what is stored
    // afterwards is a level the interface can have.
    panel->sendAllSourceLevelsDownToHW (false);
    for (const auto& m : sentBytes())
        for (size_t i = 1; i + 1 < m.size(); ++i)
            ASSERT_LE (m[i], 0x7F);
    for (int d = 0; d < 4; ++d)
    {
        EXPECT_TRUE (std::isfinite (panel->m_sourceVolumeArray[0][d]));
        EXPECT_LE (panel->m_sourceVolumeArray[0][d], 0.0);
    }
}

TEST_F (SettingsFileTest, AFileThatIsNotXmlReadsAsEmptyAndIsNotWrittenBeforeARestore)
{
    reopenPanelWith ("<PROPERTIES><VALUE name=\"vol00\" val=\"-6\"");  // cut off mid-write

    panel->restoreProperties();
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], 0.0);

    panel->m_stateRestored = false;
    EXPECT_TRUE (panel->saveProperties());
    EXPECT_FALSE (FreshSettingsFile::file().exists());

    // Later saves write a new file, so the unreadable original was moved aside, unchanged.
    const auto copy = FreshSettingsFile::file().getSiblingFile ("Talvoz3Panel.settings.unreadable");
    EXPECT_EQ (copy.loadFileAsString(), "<PROPERTIES><VALUE name=\"vol00\" val=\"-6\"");
    copy.deleteFile();
}

TEST_F (SettingsFileTest, SavingBeforeAnyConnectionLeavesTheFileUntouched)
{
    reopenPanelWith (settingsXml ({ { "Snapshot1", "Live" }, { "vol00", "-12.5" }, { "Phase0", "1" } }));

    panel->m_sourceVolumeArray[0][0] = -60.0;
    panel->m_phase1.setToggleState (false, juce::dontSendNotification);
    EXPECT_TRUE (panel->saveProperties());
    panel = nullptr; // teardown saves too, and marks the next connection for a reset

    auto settings = storedSettings();
    EXPECT_EQ (settings->getValue ("Snapshot1"), "Live");
    EXPECT_EQ (settings->getDoubleValue ("vol00"), -12.5);
    EXPECT_TRUE (settings->getBoolValue ("Phase0"));
    EXPECT_TRUE (settings->getBoolValue (Keys::resetNextBoot));
}

TEST_F (SettingsFileTest, ASaveAfterARestoreWritesEveryKeyInItsOrder)
{
    panel->restoreProperties();
    panel->m_stateRestored = true;
    panel->m_sourceVolumeArray[3][1] = -45.0;
    panel->m_outputMuteArray[2] = true;
    panel->m_48V1.setToggleState (true, juce::dontSendNotification);
    panel->m_selectedTargets = { 0, 1 };

    EXPECT_TRUE (panel->saveProperties());

    // The mixer keys are on disk at once, in the order they were first written.
    juce::StringArray expected { "Snapshot0", "Snapshot1", "Snapshot2", "Snapshot3", "EnableContrlWhileUIopen" };
    for (int s = 0; s < 4; ++s)
        for (int d = 0; d < 4; ++d)
            expected.add ("vol" + juce::String (s) + juce::String (d));
    for (int s = 0; s < 4; ++s)
        for (int d = 0; d < 4; ++d)
            expected.add ("mute" + juce::String (s) + juce::String (d));
    for (int k = 0; k < 4; ++k)
        expected.addArray (juce::StringArray { "volOut" + juce::String (k), "muteOut" + juce::String (k) });

    EXPECT_EQ (keysInFileOrder(), expected);

    // The toggles follow with the store's own save (here: when the panel goes).
    panel->m_stateRestored = false;
    panel = nullptr;
    auto settings = storedSettings();
    EXPECT_EQ (settings->getDoubleValue ("vol31"), -45.0);
    EXPECT_TRUE (settings->getBoolValue ("muteOut2"));
    EXPECT_TRUE (settings->getBoolValue ("48V1"));
    EXPECT_TRUE (settings->getBoolValue ("Target0"));
    EXPECT_TRUE (settings->getBoolValue ("Target1"));
    EXPECT_FALSE (settings->getBoolValue ("Phase0"));
}

TEST_F (SettingsFileTest, ASaveUnderWayBlocksSavesAndRestores)
{
    panel->m_stateRestored = true;
    panel->m_saveInProgress = true;

    EXPECT_FALSE (panel->saveProperties());
    EXPECT_FALSE (FreshSettingsFile::file().exists());

    panel->m_sourceVolumeArray[2][2] = -3.0;
    panel->restoreProperties();
    EXPECT_EQ (panel->m_sourceVolumeArray[2][2], -3.0);  // the restore did nothing

    panel->m_saveInProgress = false;
    EXPECT_TRUE (panel->saveProperties());
    EXPECT_TRUE (FreshSettingsFile::file().exists());
}

TEST_F (SettingsFileTest, SavesReplaceTheFileWholeAndLeaveNoPartialFileBehind)
{
    panel->m_stateRestored = true;
    const auto folder = FreshSettingsFile::file().getParentDirectory();
    const auto filesBefore = folder.findChildFiles (juce::File::findFiles, false);   // earlier tests' snapshots

    for (int i = 0; i < 20; ++i)
    {
        panel->m_sourceVolumeArray[1][1] = -static_cast<double> (i);
        ASSERT_TRUE (panel->saveProperties());

        // After every save the file parses whole and holds the value just written.
        auto xml = juce::parseXML (FreshSettingsFile::file());
        ASSERT_NE (xml, nullptr);
        auto settings = storedSettings();
        EXPECT_EQ (settings->getDoubleValue ("vol11"), -static_cast<double> (i));
    }

    // The framework writes beside the file and renames: no temporary is left over.
    auto added = folder.findChildFiles (juce::File::findFiles, false);
    added.removeValuesIn (filesBefore);
    added.removeAllInstancesOf (FreshSettingsFile::file());
    EXPECT_TRUE (added.isEmpty()) << added.getFirst().getFileName();
}

TEST_F (SettingsFileTest, AFailedSaveIsPassedUpAndSaidOnceUntilASaveSucceeds)
{
    juce::StringArray said;
    auto* settings = panel->getUserSettings();
    settings->onSaveFailure = [&said] (const juce::String& problem) { said.add (problem); };
    panel->m_stateRestored = true;

    // A file where the settings folder should be: every write fails.
    const auto folder = FreshSettingsFile::file().getParentDirectory();
    const auto moved = folder.getSiblingFile ("Talvoz3Panel.moved");
    ASSERT_TRUE (! folder.exists() || folder.moveFileTo (moved));
    ASSERT_TRUE (folder.replaceWithText ("in the way"));

    for (const double level : { -1.0, -2.0, -3.0 })
    {
        panel->m_sourceVolumeArray[0][0] = level;
        EXPECT_FALSE (panel->saveProperties());
        EXPECT_TRUE (settings->getSaveProblem().contains (FreshSettingsFile::file().getFullPathName())) << settings->getSaveProblem();
    }
    EXPECT_EQ (said.size(), 1);

    ASSERT_TRUE (folder.deleteFile());
    ASSERT_TRUE (! moved.exists() || moved.moveFileTo (folder));
    EXPECT_TRUE (panel->saveProperties());
    EXPECT_TRUE (settings->getSaveProblem().isEmpty());

    ASSERT_TRUE (folder.deleteRecursively() && folder.replaceWithText ("in the way"));
    panel->m_sourceVolumeArray[0][0] = -4.0;
    EXPECT_FALSE (panel->saveProperties());
    EXPECT_EQ (said.size(), 2);
    ASSERT_TRUE (folder.deleteFile());
}
