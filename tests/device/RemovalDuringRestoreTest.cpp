#include "mixer/TimerIds.h"
#include "support/PanelFixture.h"

/** An interface pulled out after the port scan has armed the restore, before the state request
    has enabled the controls: the panel must go on waiting for a device, and no save may write
    mixer keys for an interface that is not there.
*/
TEST_F (PanelFixture, ARemovalInsideTheRestoreWindowKeepsThePanelWaitingAndSavesNothing)
{
    giveOpenOutput ("out");
    panel->getUserSettings()->setValue ("vol22", -6.0); // what a restore would bring back
    const auto storesMixerKeys = [this]
    { return panel->getUserSettings()->containsKey ("vol00"); };

    // Short intervals stand for the real 1500 and 130 ms; both are pending at the removal.
    panel->startTimer (restoreStateTimer, 40);
    panel->startTimer (stateRequestTimer, 20);
    panel->startTimer (periodicSaveTimer, 10); // still running from an earlier connection

    MainComponent::OnApiCallback (panel.get(), nullptr, deviceRemoved);
    EXPECT_FALSE (panel->isTimerRunning (restoreStateTimer));
    EXPECT_FALSE (panel->isTimerRunning (stateRequestTimer));

    juce::MessageManager::getInstance()->runDispatchLoopUntil (120);

    EXPECT_TRUE (panel->m_elementsDisabled) << "still \"Looking for Device\"";
    EXPECT_FALSE (panel->m_vSliders1[0]->isVisible());
    EXPECT_FALSE (panel->m_stateRestored);
    EXPECT_FALSE (storesMixerKeys());
    EXPECT_EQ (panel->m_sourceVolumeArray[2][2], -90.0) << "nothing restored into the model";
}
