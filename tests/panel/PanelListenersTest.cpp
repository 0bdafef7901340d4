#include "mixer/TimerIds.h"
#include "support/PanelFixture.h"

/** The panel's own listener callbacks, which run before a control's action: a strip mute takes
    over from mute-all, and any slider move means no snapshot is recalled any more.
*/
class PanelListeners : public PanelFixture
{
protected:
    PanelListeners()
    {
        panel->enableAllElements (true);
        panel->runSnapshotDialog = [] (juce::DialogWindow&) {}; // a snapshot click would wait on its dialog
    }

    /** A click as the framework delivers it: the toggle flips, then listeners, then the action. */
    static void click (juce::Button& button)
    {
        button.setToggleState (!button.getToggleState(), juce::sendNotificationSync);
    }

    void turnOnMuteAll() { panel->m_muteAllButton.setToggleState (true, juce::dontSendNotification); }

    void recallAllSnapshotButtons()
    {
        for (auto* recall : panel->m_ssButtons)
            recall->setToggleState (true, juce::dontSendNotification);
    }

    int recalledSnapshotButtons() const
    {
        int on = 0;
        for (auto* recall : panel->m_ssButtons)
            on += recall->getToggleState() ? 1 : 0;
        return on;
    }
};

TEST_F (PanelListeners, AStripMuteTurnsMuteAllOffWithoutItsActionOtherButtonsLeaveItOn)
{
    for (auto* stripMute : panel->m_stripMuteButtons)
    {
        SCOPED_TRACE (stripMute->getName().toStdString());
        turnOnMuteAll();
        click (*stripMute);

        EXPECT_TRUE (stripMute->getToggleState());
        EXPECT_FALSE (panel->m_muteAllButton.getToggleState());
        EXPECT_FALSE (panel->isTimerRunning (muteAllOutputsTimer)) << "the mute-all action did not run";
        EXPECT_FALSE (panel->isTimerRunning (muteAllSourcesTimer));
    }

    // Targets, snapshots, solos and phase are not mutes.
    turnOnMuteAll();
    for (auto* other : {(juce::Button*)panel->m_trgButtons[1], (juce::Button*)panel->m_ssButtons[0],
                        (juce::Button*)panel->m_sscButtons[2], (juce::Button*)panel->m_soloOutButtons[0],
                        (juce::Button*)&panel->m_phase1})
    {
        click (*other);
        EXPECT_TRUE (panel->m_muteAllButton.getToggleState()) << other->getName();
    }

    // With mute-all off, a strip mute changes nothing of it.
    panel->m_muteAllButton.setToggleState (false, juce::dontSendNotification);
    click (*panel->m_muteOutButtons[1]);
    EXPECT_FALSE (panel->m_muteAllButton.getToggleState());
}

TEST_F (PanelListeners, MovingAnyFaderOrPanClearsTheRecalledSnapshotButtonsSilentValuesDoNot)
{
    juce::Array<juce::Slider*> sliders;
    const auto addAll = [&sliders] (auto& group) { for (auto* s : group) if (s != nullptr) sliders.add (s); };
    addAll (panel->m_vSliders1);
    addAll (panel->m_vSliders2);   // Out 1/2, then empty entries
    addAll (panel->m_hSliders1);
    addAll (panel->m_hSliders2);
    ASSERT_EQ (sliders.size(), 9);

    for (auto* slider : sliders)
    {
        SCOPED_TRACE (slider->getName().toStdString());
        recallAllSnapshotButtons();

        // What a refresh or a report does: the value moves, nothing is told.
        slider->setValue (-0.5, juce::dontSendNotification);
        EXPECT_EQ (recalledSnapshotButtons(), 4);

        slider->setValue (-1.0, juce::sendNotificationSync);
        EXPECT_EQ (recalledSnapshotButtons(), 0);
    }
}
