#include "device/SysExMessages.h"
#include "storage/SnapshotFile.h"
#include "dialogs/TalvoSnapshotWindow.h"
#include "support/MessageLoop.h"
#include "support/PanelFixture.h"
#include "support/SimulatedInterfaceFixture.h"
#include "support/SimulatedTalvoZ3.h"

class SnapshotEndToEnd : public SimulatedInterfaceFixture
{
protected:
    SnapshotEndToEnd()  { SnapshotFile::fileForSlot (0).deleteFile(); }

    /** Runs the message loop until the interface has received count messages and applied them. */
    bool interfaceReceives (size_t count)
    {
        pumpMessagesUntil ([&] { return interface->receivedMessages().size() >= count; }, 5000);
        return interface->receivedMessages().size() == count && interface->waitUntilIdle();
    }

    /** Every gain and mute, and the Out 1/2 strip at outDb. */
    void sendMix (double offset, double outDb)
    {
        for (unsigned char i = 0; i < 16; ++i)
            panel->sendVolumeFromInputToSelectedOutputs (i / 4, i % 4, -1.0 - offset - i, offset == 0.0 && i % 2 == 0, false);
        panel->m_vSliders2[0]->setValue (outDb, juce::dontSendNotification);
        panel->sendOutputLevelsFromStrips (false);
    }
};

TEST_F (SnapshotEndToEnd, ASavedSnapshotBringsTheInterfaceBackAfterTheMixChanged)
{
    for (auto isInput : { true, false })
        ASSERT_TRUE (openInterfacePort (isInput));
    panel->enableAllElements (true); // as the state request after a connection does
    sendMix (0.0, -10.0);
    ASSERT_TRUE (interfaceReceives (20));

    // Save slot 1 through the real dialog, change the mix, then click the recall button.
    juce::MessageManager::callAsync ([this] { panel->m_snapshotWindow->saveButton.triggerClick(); });
    panel->m_sscButtons[0]->onClick();
    ASSERT_TRUE (SnapshotFile::fileForSlot (0).existsAsFile());

    sendMix (20.0, -40.0);
    ASSERT_TRUE (interfaceReceives (40));
    interface->clearReceived();
    panel->m_ssButtons[0]->triggerClick();
    ASSERT_TRUE (interfaceReceives (20));

    const auto received = interface->receivedMessages();
    for (int i = 0; i < 16; ++i)
    {
        const SimulatedTalvoZ3::Level level { dbToHwLevel (-1.0 - i), i % 2 == 0 };
        const auto bytes = hwLevelBytes (level.level, level.mute ? sourceLevelMuteFlag : 0);
        EXPECT_EQ (bytesOf (received[(size_t) i]), bytesOf (SysExMessages::sourceLevel (i / 4, i % 4, bytes))) << i;
        EXPECT_EQ (interface->sourceLevel (i / 4, i % 4), level) << i;
    }
    for (auto [k, dB] : { std::pair { 0, 0.0 }, { 1, 0.0 }, { 2, -10.0 }, { 3, -10.0 } })
    {
        const auto bytes = hwLevelBytes (dbToHwLevel (dB), outputLevelFlags (k, false));
        EXPECT_EQ (bytesOf (received[(size_t) (16 + k)]), bytesOf (SysExMessages::outputLevel (bytes))) << k;
        EXPECT_EQ (interface->outputLevel (k), (SimulatedTalvoZ3::Level { dbToHwLevel (dB), false })) << k;
    }
}
