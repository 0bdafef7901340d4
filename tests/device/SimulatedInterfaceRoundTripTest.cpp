#include "device/SysExMessages.h"
#include "support/MessageLoop.h"
#include "support/PanelFixture.h"
#include "support/SimulatedInterfaceFixture.h"
#include "support/SimulatedTalvoZ3.h"

#include <thread>

class SimulatedInterfaceRoundTrip : public SimulatedInterfaceFixture
{
protected:
    /** What one port scan tick does when the interface's ports have appeared. */
    void connect()
    {
        ASSERT_TRUE (openInterfacePort (true));
        ASSERT_TRUE (openInterfacePort (false));
    }
};

TEST_F (SimulatedInterfaceRoundTrip, SendersSetTheInterfaceMatrixAndAStateRequestBringsItBackQuantised)
{
    connect();

    juce::Random random (20261207);
    double sentDb[4][4], storedDb[4][4];
    bool sentMute[4][4];

    for (unsigned char s = 0; s < 4; ++s)
    {
        for (unsigned char d = 0; d < 4; ++d)
        {
            const auto pick = random.nextInt (8);
            sentDb[s][d] = pick == 0 ? 0.0 : pick == 1 ? -90.0 : pick == 2 ? -20.0 : -95.0 * random.nextDouble();
            sentMute[s][d] = random.nextBool();
            panel->sendVolumeFromInputToSelectedOutputs (s, d, sentDb[s][d], sentMute[s][d], false);
            storedDb[s][d] = panel->m_sourceVolumeArray[s][d];
        }
    }

    const double outputDb[4] = { 0.0, -6.0, -20.0, -90.0 };
    const bool outputMute[4] = { false, true, false, true };
    for (int o = 0; o < 4; ++o)
        panel->sendOutputVolume (static_cast<char> (o), outputDb[o], outputMute[o]);

    ASSERT_TRUE (interface->waitUntilIdle());

    for (int s = 0; s < 4; ++s)
        for (int d = 0; d < 4; ++d)
            EXPECT_EQ (interface->sourceLevel (s, d), (SimulatedTalvoZ3::Level { dbToHwLevel (sentDb[s][d]), sentMute[s][d] }))
                << s << " -> " << d;

    for (int o = 0; o < 4; ++o)
        EXPECT_EQ (interface->outputLevel (o), (SimulatedTalvoZ3::Level { dbToHwLevel (outputDb[o]), outputMute[o] })) << o;

    // Forget everything, then ask the interface.
    for (auto& row : panel->m_sourceVolumeArray)
        for (auto& cell : row)
            cell = 6.0;
    for (auto& level : panel->m_outputVolumeArray)
        level = 6.0;

    panel->sendStateRequestToHardware();

    ASSERT_TRUE (pumpMessagesUntil ([this] { return panel->stateReplyCount == 1 && panel->m_mixer.serial.isNotEmpty()
                                                 && panel->m_mixer.versionRWA != 0 && panel->m_mixer.versionSTC != 0; }));

    for (int s = 0; s < 4; ++s)
    {
        for (int d = 0; d < 4; ++d)
        {
            EXPECT_EQ (panel->m_sourceVolumeArray[s][d], storedDb[s][d]) << s << " -> " << d;
            EXPECT_EQ (panel->m_sourceMuteArray[s][d], sentMute[s][d]); // what was sent, not read back
        }
    }

    for (int o = 0; o < 4; ++o)
    {
        const auto bytes = hwLevelBytes (dbToHwLevel (outputDb[o]));
        EXPECT_EQ (panel->m_outputVolumeArray[o], hwLevelToDb (bytes.b1, bytes.b2, bytes.b3)) << o;
        EXPECT_EQ (panel->m_outputMuteArray[o], outputMute[o]) << o;
    }

    EXPECT_EQ (panel->m_mixer.versionSTC, 0x313066);
    EXPECT_EQ (panel->m_mixer.versionRWA, 0x313137);
    EXPECT_EQ (panel->m_mixer.serial, "TZ3A00042");

    // The interface heard exactly what the panel sent, in order.
    const auto sent = ports.sentMessagesTo (interface->outputIdentifier);
    const auto heard = interface->receivedMessages();
    ASSERT_EQ (heard.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ (bytesOf (heard[i]), bytesOf (sent[i])) << i;
}

TEST_F (SimulatedInterfaceRoundTrip, InputTypesAndPhaseGoOutAndInputReportsComeBack)
{
    connect();

    panel->m_48V1.setToggleState (true, juce::dontSendNotification);
    panel->setInputChannelConfig();
    panel->m_phase1.setToggleState (true, juce::dontSendNotification);
    panel->setRoutingAndPhaseMode();
    ASSERT_TRUE (interface->waitUntilIdle());

    EXPECT_TRUE (interface->inputState (0).phantomPower);
    EXPECT_FALSE (interface->inputState (1).phantomPower);
    EXPECT_EQ (interface->phaseMode(), 0x04);

    // A jack goes into input 2: the interface reports line mode and the panel offers LINE and HI-Z.
    interface->plugConnector (1, SimulatedTalvoZ3::Connector::jack);
    ASSERT_TRUE (pumpMessagesUntil ([this] { return panel->m_inputTypeBox2.getNumItems() == 2; }));
    EXPECT_EQ (panel->m_inputTypeBox2.getText(), "LINE");

    panel->m_inputTypeBox2.setSelectedId (2, juce::dontSendNotification);
    panel->setInputChannelConfig();
    ASSERT_TRUE (interface->waitUntilIdle());
    EXPECT_TRUE (interface->inputState (1).hiZ);

    // The next state dump confirms it; nothing the parser does sends anything back.
    panel->m_inputTypeBox2.setSelectedId (1, juce::dontSendNotification);
    interface->clearReceived();
    interface->sendStateDump();
    ASSERT_TRUE (pumpMessagesUntil ([this] { return panel->m_inputTypeBox2.getSelectedId() == 2; }));
    EXPECT_TRUE (panel->m_48V1.getToggleState());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (30);
    EXPECT_TRUE (interface->receivedMessages().empty());
}

TEST_F (SimulatedInterfaceRoundTrip, AnUnpluggedInterfaceIsClosedByTheNextScanAndReopenedWhenItReturns)
{
    connect();
    ASSERT_EQ (ports.numOpenInputs(), 1);

    interface->unplug();
    EXPECT_TRUE (panel->updateDeviceList (true));
    EXPECT_TRUE (panel->updateDeviceList (false));
    EXPECT_EQ (ports.numOpenInputs(), 0);
    EXPECT_EQ (ports.numOpenOutputs(), 0);

    panel->sendStateRequestToHardware();
    ASSERT_TRUE (interface->waitUntilIdle());
    EXPECT_TRUE (interface->receivedMessages().empty());

    interface->plugIn();
    connect();
    panel->sendStateRequestToHardware();
    ASSERT_TRUE (pumpMessagesUntil ([this] { return panel->stateReplyCount == 1; }));
}

//==============================================================================
namespace
{
    /** Stands in for the panel: records what an open input delivers and on which thread. */
    struct RecordingCallback final : juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& m) override
        {
            const std::lock_guard<std::mutex> guard (lock);
            messages.push_back (m);
            onMessageThread = onMessageThread || juce::MessageManager::getInstance()->isThisTheMessageThread();
        }

        std::vector<juce::MidiMessage> taken()
        {
            const std::lock_guard<std::mutex> guard (lock);
            return messages;
        }

        std::mutex lock;
        std::vector<juce::MidiMessage> messages;
        bool onMessageThread = false;
    };
}

class SimulatedInterface : public ::testing::Test
{
protected:
    SimulatedInterface()
    {
        input = ports.openInput (interface->inputIdentifier, &callback);
        input->start();
        output = ports.openOutput (interface->outputIdentifier);
        output->startBackgroundThread();
    }

    ~SimulatedInterface() override
    {
        interface.reset();
        input.reset();
        output.reset();
    }

    void hostSends (const juce::MidiMessage& m)
    {
        juce::MidiBuffer block;
        block.addEvent (m, 0);
        output->sendBlockOfMessages (block, 0.0, 44100.0);
    }

    SimulatedMidiPorts ports;
    std::unique_ptr<SimulatedTalvoZ3> interface = std::make_unique<SimulatedTalvoZ3> (ports);
    RecordingCallback callback;
    std::unique_ptr<MidiInputPort> input;
    std::unique_ptr<MidiOutputPort> output;
};

TEST_F (SimulatedInterface, AnswersAStateRequestWithItsWholeStateFromItsOwnThread)
{
    interface->setSourceLevel (2, 3, { 3276, true });
    interface->setOutputLevel (1, { 16422, true });
    interface->setInputState (0, { SimulatedTalvoZ3::Connector::jack, true, false });

    hostSends (SysExMessages::stateRequest());
    ASSERT_TRUE (interface->waitUntilIdle());

    const auto replies = callback.taken();
    ASSERT_EQ (replies.size(), 16u + 4u + 2u + 1u);
    EXPECT_FALSE (callback.onMessageThread);

    // Source by source, destination by destination; then the outputs, the inputs, the end mark.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ (replies[static_cast<size_t> (i)].getRawData()[5], sourceLevelCommand (i / 4, i % 4)) << i;

    EXPECT_EQ (bytesOf (replies[11]), bytesOf (SysExMessages::sourceLevel (2, 3, hwLevelBytes (3276, 0x40))));
    EXPECT_EQ (bytesOf (replies[17]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x67, 0x0D, 0x00, 0x26, 0xF7 }));
    EXPECT_EQ (bytesOf (replies[20]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x40, 0x0B, 0xF7 }));
    EXPECT_EQ (bytesOf (replies[21]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x41, 0x00, 0xF7 }));
    EXPECT_EQ (bytesOf (replies[22]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x7F, 0x7F, 0xF7 }));
}

TEST_F (SimulatedInterface, AnswersVersionAndSerialRequestsUnlessToldToStaySilent)
{
    interface->setFirmwareVersions ("V10F", "x118");
    interface->setSerialNumber ("SN1");

    hostSends (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionSTC));
    hostSends (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionRWA));
    hostSends (SysExMessages::serialNumberRequest());
    ASSERT_TRUE (interface->waitUntilIdle());

    auto replies = callback.taken();
    ASSERT_EQ (replies.size(), 3u);
    EXPECT_EQ (bytesOf (replies[0]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x79, 'V', '1', '0', 'F', 0xF7 }));
    EXPECT_EQ (bytesOf (replies[1]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x7A, 'x', '1', '1', '8', 0xF7 }));
    EXPECT_EQ (bytesOf (replies[2]), (Bytes { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 'S', 'N', '1', 0x00, 0xF7 }));

    interface->setAnswersRequests (false);
    hostSends (SysExMessages::stateRequest());
    hostSends (SysExMessages::serialNumberRequest());
    ASSERT_TRUE (interface->waitUntilIdle());
    EXPECT_EQ (callback.taken().size(), 3u);
    EXPECT_EQ (interface->receivedCommands(), (std::vector<std::uint8_t> { 0x79, 0x7A, 0x78, 0x7F, 0x78 }));
}

TEST_F (SimulatedInterface, AppliesResetsLocksAndTheMidiButtonAndIgnoresOtherMakersMessages)
{
    hostSends (SysExMessages::sourceLevel (0, 0, hwLevelBytes (100, 0x40)));
    hostSends (SysExMessages::oneByte (SysExCommand::routingAndPhaseMode, 0x0C));
    hostSends (SysExMessages::oneByte (SysExCommand::hwControlLock, 0x01));
    hostSends (SysExMessages::oneByte (SysExCommand::midiButton, 0x7F));
    ASSERT_TRUE (interface->waitUntilIdle());
    EXPECT_EQ (interface->sourceLevel (0, 0), (SimulatedTalvoZ3::Level { 100, true }));
    EXPECT_EQ (interface->phaseMode(), 0x0C);
    EXPECT_EQ (interface->hwControlLockCount(), 1);
    EXPECT_EQ (interface->midiButtonPresses(), 1);

    hostSends (SysExMessages::oneByte (SysExCommand::resetBegin, 0x00));
    hostSends (SysExMessages::oneByte (SysExCommand::resetFactoryDefaults, 0x00));
    hostSends (SysExMessages::oneByte (SysExCommand::resetMonitoring, 0x00));
    ASSERT_TRUE (interface->waitUntilIdle());
    EXPECT_EQ (interface->factoryResetCount(), 1);
    EXPECT_EQ (interface->sourceLevel (0, 0), (SimulatedTalvoZ3::Level { hwLevelUnity, false }));
    EXPECT_EQ (interface->sourceLevel (2, 2), (SimulatedTalvoZ3::Level { 1, false }));
    EXPECT_EQ (interface->phaseMode(), 0x00);

    // Another maker's frame, and a frame cut short, leave the matrix alone.
    auto other = bytesOf (SysExMessages::sourceLevel (0, 0, hwLevelBytes (5, 0)));
    hostSends (juce::MidiMessage (other.data(), 8));
    other[1] = 0x41;
    hostSends (juce::MidiMessage (other.data(), static_cast<int> (other.size())));
    ASSERT_TRUE (interface->waitUntilIdle());
    EXPECT_EQ (interface->sourceLevel (0, 0), (SimulatedTalvoZ3::Level { hwLevelUnity, false }));
    EXPECT_TRUE (callback.taken().empty());
}

TEST_F (SimulatedInterface, BurstsArriveInOrderFromItsThread)
{
    interface->sendMeterBurst (1000);
    interface->sendMidiActivityBurst (8, { 0x01, 0x3C });
    ASSERT_TRUE (interface->waitUntilIdle());

    const auto got = callback.taken();
    ASSERT_EQ (got.size(), 1008u);
    EXPECT_FALSE (callback.onMessageThread);
    EXPECT_EQ (bytesOf (got[0]), bytesOf (SimulatedTalvoZ3::meterReport (0, 0)));
    EXPECT_EQ (bytesOf (got[999]), bytesOf (SimulatedTalvoZ3::meterReport (3, 249 % 101)));
    EXPECT_EQ (bytesOf (got[1001]), bytesOf (SimulatedTalvoZ3::midiActivityReport (0x3C)));
}
