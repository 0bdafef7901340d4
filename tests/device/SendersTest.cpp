#include "support/PanelFixture.h"

#include <cmath>

namespace
{
    const double storedFloor = 20.0 * std::log10 (1.0 / 32767.0);
}

using Senders = PanelFixture;

TEST_F (Senders, SourceLevelSendsOneFrameAndStoresWhatWasSent)
{
    giveOpenOutput ("out-1");

    panel->sendVolumeFromInputToSelectedOutputs (2, 1, -20.0, false, false);
    panel->sendVolumeFromInputToSelectedOutputs (0, 0, 0.0, false, false);
    panel->sendVolumeFromInputToSelectedOutputs (3, 2, -90.0, true, false);
    panel->sendVolumeFromInputToSelectedOutputs (1, 3, -120.0, false, false);

    EXPECT_EQ (sentBytes(), (std::vector<Bytes> {
        frame ({ 0x0A, 0x00, 0x19, 0x4C }),
        frame ({ 0x00, 0x01, 0x7F, 0x7F }),
        frame ({ 0x13, 0x40, 0x00, 0x01 }),
        frame ({ 0x19, 0x00, 0x00, 0x00 }),
    }));

    EXPECT_NEAR (panel->m_sourceVolumeArray[2][1], -20.00186, 0.000005);
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], 0.0);
    EXPECT_DOUBLE_EQ (panel->m_sourceVolumeArray[3][2], storedFloor);
    EXPECT_DOUBLE_EQ (panel->m_sourceVolumeArray[1][3], storedFloor);
    EXPECT_TRUE (panel->m_sourceMuteArray[3][2]);
    EXPECT_FALSE (panel->m_sourceMuteArray[2][1]);
}

TEST_F (Senders, SoloWinsOverMuteAndIsRemembered)
{
    giveOpenOutput ("out-1");

    panel->m_sourceMuteArray[2][2] = true;
    panel->sendVolumeFromInputToSelectedOutputs (2, 2, 0.0, true, true);

    EXPECT_EQ (sentBytes(), std::vector<Bytes> { frame ({ 0x12, 0x01, 0x7F, 0x7F }) });
    EXPECT_FALSE (panel->m_sourceMuteArray[2][2]);
    EXPECT_TRUE (panel->m_sourceSoloArray[2][2]);
}

TEST_F (Senders, LevelsAboveZeroAndNotANumberNeverSpillIntoFlagBits)
{
    giveOpenOutput ("out-1");

    panel->sendVolumeFromInputToSelectedOutputs (0, 1, 12.0, false, false);
    panel->sendVolumeFromInputToSelectedOutputs (0, 2, std::nan (""), true, false);
    panel->sendOutputVolume (1, 40.0, false);

    EXPECT_EQ (sentBytes(), (std::vector<Bytes> {
        frame ({ 0x08, 0x01, 0x7F, 0x7F }),
        frame ({ 0x10, 0x40, 0x00, 0x00 }),
        frame ({ 0x67, 0x09, 0x7F, 0x7F }),
    }));
    EXPECT_EQ (panel->m_sourceVolumeArray[0][1], 0.0);
    EXPECT_DOUBLE_EQ (panel->m_sourceVolumeArray[0][2], storedFloor);
}

TEST_F (Senders, OutputLevelCarriesOutputAndMuteInTheFirstByteAndStoresNothing)
{
    giveOpenOutput ("out-1");
    const auto before = panel->m_outputVolumeArray[3];

    panel->sendOutputVolume (3, 0.0, true);
    panel->sendOutputVolume (0, -90.0, false);
    panel->sendOutputVolume (2, -20.0, false);

    EXPECT_EQ (sentBytes(), (std::vector<Bytes> {
        frame ({ 0x67, 0x1D, 0x7F, 0x7F }),
        frame ({ 0x67, 0x00, 0x00, 0x01 }),
        frame ({ 0x67, 0x10, 0x19, 0x4C }),
    }));
    EXPECT_EQ (panel->m_outputVolumeArray[3], before);
    EXPECT_FALSE (panel->m_outputMuteArray[3]);
}

TEST_F (Senders, AllSourceLevelsLeaveSourceBySourceAndRequantiseTheMatrix)
{
    giveOpenOutput ("out-1");

    panel->m_sourceVolumeArray[2][3] = -20.0;
    panel->m_sourceMuteArray[3][0] = true;
    panel->m_sourceSoloArray[1][1] = true;

    panel->sendAllSourceLevelsDownToHW (false);

    const auto sent = sentBytes();
    ASSERT_EQ (sent.size(), 16u);

    const std::uint8_t expectedOrder[] = { 0x00, 0x08, 0x10, 0x18, 0x01, 0x09, 0x11, 0x19,
                                           0x02, 0x0A, 0x12, 0x1A, 0x03, 0x0B, 0x13, 0x1B };
    for (size_t i = 0; i < sent.size(); ++i)
    {
        EXPECT_EQ (sent[i].size(), 10u);
        EXPECT_EQ (sent[i][5], expectedOrder[i]) << i;
    }

    EXPECT_EQ (sent[11], frame ({ 0x1A, 0x00, 0x19, 0x4C }));     // In 1 -> Out 2 at -20 dB
    EXPECT_EQ (sent[3], frame ({ 0x18, 0x00, 0x00, 0x01 }));      // DAW 1 -> Out 2 at the floor
    EXPECT_EQ (sent[12][6] & 0x40, 0x40);                         // In 2 -> HP1 L stays muted
    EXPECT_NEAR (panel->m_sourceVolumeArray[2][3], -20.00186, 0.000005);
    EXPECT_TRUE (panel->m_sourceMuteArray[3][0]);
    EXPECT_FALSE (panel->m_sourceMuteArray[0][0]);
    EXPECT_FALSE (panel->m_sourceSoloArray[1][1]);
}

TEST_F (Senders, MuteAllSendsEveryCellMutedAndMarksTheMatrix)
{
    giveOpenOutput ("out-1");

    panel->sendAllSourceLevelsDownToHW (true);

    const auto sent = sentBytes();
    ASSERT_EQ (sent.size(), 16u);
    for (const auto& m : sent)
        EXPECT_EQ (m[6] & 0x40, 0x40);

    for (int s = 0; s < 4; ++s)
        for (int d = 0; d < 4; ++d)
        {
            EXPECT_TRUE (panel->m_sourceMuteArray[s][d]);
            EXPECT_FALSE (panel->m_sourceSoloArray[s][d]);
        }
}

TEST_F (Senders, PhaseModeComesFromBothPhaseButtonsOnly)
{
    giveOpenOutput ("out-1");

    panel->setRoutingAndPhaseMode (nullptr, 7);
    panel->m_phase1.setToggleState (true, juce::dontSendNotification);
    panel->setRoutingAndPhaseMode (&panel->m_phase2, 1);
    panel->m_phase2.setToggleState (true, juce::dontSendNotification);
    panel->setRoutingAndPhaseMode (&panel->m_phase1, 0);
    panel->m_phase1.setToggleState (false, juce::dontSendNotification);
    panel->setRoutingAndPhaseMode (nullptr, 0);

    EXPECT_EQ (sentBytes(), (std::vector<Bytes> {
        frame ({ 0x62, 0x00 }), frame ({ 0x62, 0x04 }), frame ({ 0x62, 0x0C }), frame ({ 0x62, 0x08 }),
    }));
}

TEST_F (Senders, PhaseButtonClicksToggleAndSend)
{
    giveOpenOutput ("out-1");

    // A click flips the toggle, then runs the action.
    panel->m_phase2.setToggleState (true, juce::sendNotificationSync);

    EXPECT_TRUE (panel->m_phase2.getToggleState());
    EXPECT_EQ (sentBytes(), std::vector<Bytes> { frame ({ 0x62, 0x08 }) });
}

TEST_F (Senders, InputConfigFollowsTheTypeBoxAndThePhantomButton)
{
    giveOpenOutput ("out-1");

    struct Case { int option; int selectId; bool phantom; std::uint8_t expected; };
    const Case cases[] = {
        { MainComponent::micOption,  3, true,  0x04 },
        { MainComponent::micOption,  3, false, 0x00 },
        { MainComponent::lineOption, 1, true,  0x00 },
        { MainComponent::lineOption, 2, false, 0x08 },
        { MainComponent::lineOption, 2, true,  0x08 },
        { 0,                         0, true,  0x00 }, // nothing selected
    };

    for (const auto& c : cases)
    {
        ports.clearSentMessages();
        panel->setInputOptions (c.option, &panel->m_inputTypeBox1, &panel->m_48V1);
        panel->m_inputTypeBox1.setSelectedId (c.selectId, juce::dontSendNotification);
        panel->m_48V1.setToggleState (c.phantom, juce::dontSendNotification);

        panel->setInputChannelConfig();

        // Input 2 stays in microphone mode without phantom power: 0x00 whatever input 1 does.
        EXPECT_EQ (sentBytes(), (std::vector<Bytes> { frame ({ 0x40, c.expected }), frame ({ 0x41, 0x00 }) }))
            << c.option << " " << c.selectId << " " << c.phantom;
    }

    ports.clearSentMessages();
    panel->m_48V2.setToggleState (true, juce::dontSendNotification);
    panel->setInputChannelConfig();
    EXPECT_EQ (sentBytes(), (std::vector<Bytes> { frame ({ 0x40, 0x00 }), frame ({ 0x41, 0x04 }) }));
}

TEST_F (Senders, StateRequestAsksForStateVersionsAndSerialInOrder)
{
    giveOpenOutput ("out-1");

    panel->sendStateRequestToHardware();

    EXPECT_EQ (sentBytes(), (std::vector<Bytes> {
        frame ({ 0x7F, 0x01 }), frame ({ 0x79, 0x00 }), frame ({ 0x7A, 0x00 }), frame ({ 0x78 }),
    }));
}

TEST_F (Senders, WithoutOpenOutputsNothingIsSentButTheMatrixIsStillUpdated)
{
    // A closed entry in the list is skipped too.
    panel->midiOutputs.add (new MidiDeviceListEntry (midiEndpoint ("Talvo z3 DAW Control", "closed")));

    panel->sendVolumeFromInputToSelectedOutputs (2, 2, -20.0, true, false);
    panel->sendStateRequestToHardware();

    EXPECT_TRUE (ports.sentMessages().empty());
    EXPECT_NEAR (panel->m_sourceVolumeArray[2][2], -20.00186, 0.000005);
    EXPECT_TRUE (panel->m_sourceMuteArray[2][2]);
}

TEST_F (Senders, TwoOpenOutputsEachGetEveryMessageInListOrder)
{
    giveOpenOutput ("out-a");
    giveOpenOutput ("out-b");
    EXPECT_EQ (ports.numStartedOutputThreads(), 0); // started on first use only

    panel->sendStateRequestToHardware();
    panel->sendOutputVolume (0, 0.0, false);

    EXPECT_EQ (ports.numStartedOutputThreads(), 2);

    const auto sent = ports.sentMessages();
    ASSERT_EQ (sent.size(), 10u);
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ (sent[i].outputIdentifier, i % 2 == 0 ? "out-a" : "out-b") << i;

    const auto toA = ports.sentMessagesTo ("out-a");
    const auto toB = ports.sentMessagesTo ("out-b");
    ASSERT_EQ (toA.size(), 5u);
    for (size_t i = 0; i < toA.size(); ++i)
        EXPECT_EQ (bytesOf (toA[i]), bytesOf (toB[i]));

    // Queued one millisecond ahead, never in the past, never out of order.
    const auto now = juce::Time::getMillisecondCounter();
    double previous = 0.0;
    for (const auto& s : sent)
    {
        EXPECT_GE (s.scheduledTime, previous);
        EXPECT_LE (s.scheduledTime, now + 1.0);
        previous = s.scheduledTime;
    }
}
