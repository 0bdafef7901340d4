#include "device/SysExMessages.h"
#include "dialogs/TalvoSnapshotWindow.h"
#include "storage/SnapshotFile.h"
#include "storage/StoredProperties.h"
#include "mixer/TimerIds.h"
#include "support/PanelFixture.h"

namespace
{
    double storedLevel (int s, int d) { return (s * 4 + d) % 7 == 3 ? -90.0 : -2.5 * (s * 4 + d); }
    bool storedMute (int s, int d)    { return (s * 4 + d) % 5 == 1; }

    /** Slot file with the stored levels, HP1 at -30/-30, Out 1/2 at -6/-6, all outputs muted,
        phase 1 on, target 1 only; minus the keys dropped, plus the keys set.
    */
    void writeSlot (int slot, juce::StringArray drop = {}, std::initializer_list<std::pair<const char*, const char*>> set = {})
    {
        TalvoSnapShotParameter r;
        for (int i = 0; i < 16; ++i)
        {
            r.vol[i / 4][i % 4] = storedLevel (i / 4, i % 4);
            r.mute[i / 4][i % 4] = storedMute (i / 4, i % 4);
        }
        const double outs[4] = { -30.0, -30.0, -6.0, -6.0 };
        for (int k = 0; k < 4; ++k)
            r.volOut[k] = outs[k];
        r.muteOut[0] = r.muteOut[1] = r.muteOut[2] = r.muteOut[3] = r.Phase[0] = r.Target[1] = true;

        auto p = SnapshotFile::keyValues (r);
        for (auto& key : drop)
            p.remove (juce::StringRef (key));
        for (auto [key, value] : set)
            p.set (key, value);
        const auto file = SnapshotFile::fileForSlot (slot);
        file.getParentDirectory().createDirectory();
        ASSERT_TRUE (StoredProperties::write (file, p));
    }

    Bytes sourceLevelBytes (int s, int d, bool mute)
    {
        return bytesOf (SysExMessages::sourceLevel (s, d, hwLevelBytes (dbToHwLevel (storedLevel (s, d)), mute ? sourceLevelMuteFlag : 0)));
    }

    Bytes outputLevelBytes (int k, double dB, bool mute)
    {
        return bytesOf (SysExMessages::outputLevel (hwLevelBytes (dbToHwLevel (dB), outputLevelFlags (k, mute))));
    }
}

class SnapshotRecall : public PanelFixture
{
protected:
    SnapshotRecall()
    {
        for (int slot = 0; slot < 4; ++slot)
            SnapshotFile::fileForSlot (slot).deleteFile();
        giveOpenOutput ("out");
        panel->runSnapshotDialog = [this] (juce::DialogWindow& dialog)
        {
            ++dialogRuns;
            if (onDialog)
                onDialog (*dynamic_cast<TalvoSnapshotWindow*> (dialog.getContentComponent()));
        };
    }

    void recall (int slot)
    {
        ports.clearSentMessages();
        panel->presetContex (panel->m_ssButtons[slot], slot, true);
    }

    int dialogRuns = 0;
    std::function<void (TalvoSnapshotWindow&)> onDialog;
};

TEST_F (SnapshotRecall, AValidFileGoesToTheMixerTheControlsAndTheInterface)
{
    writeSlot (2);
    panel->m_ssButtons[0]->setToggleState (true, juce::dontSendNotification);
    recall (2);

    EXPECT_EQ (dialogRuns, 0);
    EXPECT_FALSE (panel->m_ssButtons[0]->getToggleState());
    EXPECT_TRUE (panel->m_ssButtons[2]->getToggleState());
    EXPECT_TRUE (panel->m_phase1.getToggleState() && ! panel->m_phase2.getToggleState());
    EXPECT_EQ (panel->m_selectedTargets, juce::Array<int> { 1 });
    EXPECT_TRUE (panel->m_trgButtons[1]->getToggleState() && ! panel->m_trgButtons[0]->getToggleState());
    EXPECT_EQ (panel->m_vSliders1[0]->getValue(), storedLevel (2, 0)); // In 1 strip, HP1 target

    // The changed phase toggle sends the phase mode; then every source in order, then the
    // outputs following the (off) mute-all button, HP1 at 0 dB whatever was stored.
    std::vector<Bytes> expected { frame ({ 0x62, 0x04 }) };
    for (int i = 0; i < 16; ++i)
        expected.push_back (sourceLevelBytes (i / 4, i % 4, storedMute (i / 4, i % 4)));
    for (auto [k, dB] : { std::pair { 0, 0.0 }, { 1, 0.0 }, { 2, -6.0 }, { 3, -6.0 } })
        expected.push_back (outputLevelBytes (k, dB, false));
    EXPECT_EQ (sentBytes(), expected);
    EXPECT_EQ (panel->m_sourceMuteArray[0][1], true);
    EXPECT_FALSE (panel->m_outputMuteArray[2]);

    EXPECT_EQ (panel->getTimerInterval (uiRefreshTimer), 10);
    EXPECT_EQ (panel->getTimerInterval (levelControlsTimer), 10);

    panel->m_muteAllButton.setToggleState (true, juce::dontSendNotification);
    recall (2);
    const auto sent = sentBytes();
    ASSERT_EQ (sent.size(), 20u); // the phase toggles are already as stored
    EXPECT_EQ (sent[0], sourceLevelBytes (0, 0, true));
    EXPECT_EQ (sent[19], outputLevelBytes (3, -6.0, true));
    EXPECT_TRUE (panel->m_outputMuteArray[0] && panel->m_outputMuteArray[3]);
}

TEST_F (SnapshotRecall, StoredOutputsTargetsAndMissingKeys)
{
    writeSlot (0, {}, { { "Target1", "0" }, { "volOut2", "0" }, { "volOut3", "-45" } });
    recall (0);
    EXPECT_EQ (panel->m_selectedTargets, juce::Array<int> { 0 });
    EXPECT_EQ (panel->m_vSliders2[0]->getValue(), 0.0);
    EXPECT_EQ (panel->m_hSliders2[0]->getValue(), -0.5);

    // Out 1 missing: -90 dB before the fader conversion, so the balance goes fully right.
    writeSlot (1, { "volOut2" }, { { "volOut3", "0" } });
    recall (1);
    EXPECT_EQ (panel->m_hSliders2[0]->getValue(), 1.0);
    EXPECT_EQ (sentBytes()[18], outputLevelBytes (2, -90.0, false));

    writeSlot (1, {}, { { "vol00", "nan" }, { "vol01", "1e308" }, { "volOut2", "-inf" }, { "volOut3", "inf" } });
    recall (1);
    for (const auto& m : sentBytes())
        for (size_t i = 1; i + 1 < m.size(); ++i)
            ASSERT_LE (m[i], 0x7F);
    EXPECT_EQ (dialogRuns, 0);

    // One required key missing: nothing is applied, the dialog opens instead.
    writeSlot (3, { "mute23" });
    recall (3);
    EXPECT_EQ (dialogRuns, 1);
    EXPECT_TRUE (sentBytes().empty());
    EXPECT_TRUE (panel->m_ssButtons[3]->getToggleState());
}

TEST_F (SnapshotRecall, AFileWithAReferenceTheFrameworksWriterMadeRecalls)
{
    writeSlot (1, {}, { { "Description", "Live" } });
    const auto file = SnapshotFile::fileForSlot (1);
    const auto text = file.loadFileAsString().replace ("val=\"Live\"", "val=\"Li&#x0b;ve\"");
    ASSERT_TRUE (text.contains ("&#x0b;") && file.replaceWithText (text));
    recall (1);
    EXPECT_EQ (dialogRuns, 0);
    EXPECT_TRUE (panel->m_sourceMuteArray[0][1] && panel->m_phase1.getToggleState());
}

TEST_F (SnapshotRecall, AnEditPressSavesTheStateOfThePressAndAnEmptyNameNamesTheSlot)
{
    panel->m_sourceVolumeArray[2][3] = -17.0;
    onDialog = [this] (TalvoSnapshotWindow& w)
    {
        EXPECT_EQ (w.descriptionField.getText(), SnapshotFile::defaultDescription);
        panel->m_sourceVolumeArray[2][3] = -33.0; // while the dialog is open
        w.nameField.setText ({}, juce::dontSendNotification);
        w.saveButton.onClick();
    };
    panel->m_sscButtons[1]->onClick();

    TalvoSnapShotParameter saved;
    ASSERT_TRUE (SnapshotFile::load (SnapshotFile::fileForSlot (1), saved));
    EXPECT_EQ (saved.vol[2][3], -17.0);
    EXPECT_EQ (panel->m_ssButtons[1]->getButtonText(), "Name2");
    EXPECT_EQ (panel->getUserSettings()->getValue ("Snapshot1"), "Name2");
    EXPECT_EQ (panel->m_snapshotDialog, nullptr);
}

TEST_F (SnapshotRecall, CancelStillStoresThePathAndTheUnchangedName)
{
    panel->m_ssButtons[0]->setButtonText ("Drums");
    panel->m_ssButtons[2]->setToggleState (true, juce::dontSendNotification);
    onDialog = [] (TalvoSnapshotWindow& w)
    {
        w.nameField.setText ("Other", juce::dontSendNotification);
        w.buttonClicked (&w.cancelButton);
    };
    panel->m_sscButtons[0]->onClick();

    EXPECT_EQ (panel->m_ssButtons[0]->getButtonText(), "Drums");
    EXPECT_TRUE (panel->m_ssButtons[2]->getToggleState()); // an edit press leaves the recall buttons
    EXPECT_EQ (panel->getUserSettings()->getValue ("Snapshot0"), "Drums");
    EXPECT_EQ (panel->getUserSettings()->getValue ("PathToSnapshot0"), SnapshotFile::fileForSlot (0).getFullPathName());
    EXPECT_FALSE (SnapshotFile::fileForSlot (0).exists());
}

TEST_F (SnapshotRecall, TheDialogIsCentredOnTheScreenNotOverTheActiveWindow)
{
    // The panel's window, active, in a corner of the screen.
    juce::DocumentWindow window ("main", juce::Colours::black, 0, false);
    window.setContentNonOwned (panel.get(), false);
    window.setBounds (0, 0, 200, 300);
    window.addToDesktop();
    window.setVisible (true);
    window.toFront (true);
    for (int i = 0; i < 50 && juce::TopLevelWindow::getActiveTopLevelWindow() != &window; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

    juce::Point<int> dialogCentre;
    panel->runSnapshotDialog = [&dialogCentre] (juce::DialogWindow& dialog)
    { dialogCentre = dialog.getBounds().getCentre(); };
    panel->m_sscButtons[0]->onClick();

    const auto screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    EXPECT_LE (dialogCentre.getDistanceFrom (screen.getCentre()), 1);
}
