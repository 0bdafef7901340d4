#include "device/ProtocolParser.h"
#include "mixer/TimerIds.h"
#include "panel/InputTypeItems.h"
#include "support/MessageLoop.h"
#include "support/PanelFixture.h"
#include "support/RepaintRecorder.h"
#include "support/SimulatedTalvoZ3.h"

#include <cmath>
#include <thread>

namespace
{
    juce::MidiMessage messageOf (const Bytes& b)
    {
        return juce::MidiMessage (b.data(), static_cast<int> (b.size()));
    }

    /** A complete report for a command, chosen so that it changes the panel's state when applied. */
    Bytes effectiveReport (std::uint8_t command)
    {
        switch (command)
        {
            case 0x40: case 0x41: return frame ({ command, 0x0B });
            case 0x60:            return frame ({ command, 0x3F });
            case 0x64: case 0x65: return frame ({ command, 0x0F });
            case 0x67:            return frame ({ command, 0x1D, 0x7F, 0x7F });
            case 0x70:            return frame ({ command, 0x02, 0x55 });
            case 0x78:            return { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 'Z', 'Z', 0x00, 0xF7 };
            case 0x79: case 0x7A: return frame ({ command, 'v', '2', '3', '4' });
            default:              return frame ({ command, 0x01, 0x7F, 0x7F });
        }
    }

    /** Every value the parser may write, as text, so a difference shows in the failure message. */
    juce::String describe (MainComponent& p)
    {
        juce::StringArray s;
        for (int src = 0; src < 4; ++src)
            for (int d = 0; d < 4; ++d)
                s.add (juce::String (p.m_sourceVolumeArray[src][d], 6) + (p.m_sourceMuteArray[src][d] ? "m" : ""));
        for (int o = 0; o < 4; ++o)
            s.add ("out" + juce::String (p.m_outputVolumeArray[o], 6) + (p.m_outputMuteArray[o] ? "m" : ""));
        for (auto f : p.m_mixer.hwFlags)
            s.add ("flag" + juce::String (f));
        s.add ("ext" + juce::String (p.m_mixer.hwFlagExt) + "/" + juce::String (p.m_mixer.hwFlagExtReserved));
        s.add ("led" + juce::String (p.m_mixer.midiLedState) + "/" + juce::String (p.m_mixer.midiLedPulse));
        s.add ("ver" + juce::String::toHexString (p.m_mixer.versionSTC) + "/" + juce::String::toHexString (p.m_mixer.versionRWA));
        s.add ("serial'" + p.m_mixer.serial + "'");
        for (auto m : p.m_meterLevels)
            s.add ("meter" + juce::String (m));
        for (auto* box : p.m_inputTypeBoxes)
            s.add ("box" + juce::String (box->getNumItems()) + "/" + juce::String (box->getSelectedId()));
        s.add ("48V" + juce::String (int (p.m_48V1.getToggleState())) + juce::String (int (p.m_48V2.getToggleState())));
        s.add ("states" + juce::String (p.stateReplyCount));
        s.add (p.m_noDeviceMessageYet ? "noMessageYet" : "messageSeen");
        s.add ("timers" + juce::String (int (p.isTimerRunning (uiRefreshTimer))) + juce::String (int (p.isTimerRunning (levelControlsTimer))));
        return s.joinIntoString (" ");
    }
}

class IncomingMidi : public PanelFixture
{
protected:
    /** As the MIDI thread would deliver it, then drained as the message thread would. */
    void receive (const Bytes& bytes)
    {
        panel->handleIncomingMidiMessage (nullptr, messageOf (bytes));
        panel->handleUpdateNowIfNeeded();
    }

    /** Records the repaints of the six meters; the meters must be visible to be repainted. */
    void watchMeters()
    {
        for (auto* meter : { &panel->m_in1Meter, &panel->m_in2Meter, &panel->m_playbackMeterLeft,
                             &panel->m_playbackMeterRight, &panel->m_outputMeterLeft, &panel->m_outputMeterRight })
        {
            meter->setVisible (true);
            auto* recorder = new RepaintRecorder();
            meter->setCachedComponentImage (recorder);
            recorders.push_back (recorder);
        }

        repaintCounts(); // becoming visible repaints too
    }

    std::vector<int> repaintCounts()
    {
        std::vector<int> counts;
        for (auto* r : recorders)
            counts.push_back (std::exchange (r->count, 0));
        return counts;
    }

    std::vector<RepaintRecorder*> recorders; // owned by the meters
};

TEST_F (IncomingMidi, OutputLevelReportSetsLevelAndMuteAndArmsTheLevelRefresh)
{
    receive (frame ({ 0x67, 0x1D, 0x7F, 0x7F }));

    EXPECT_EQ (panel->m_outputVolumeArray[3], 0.0);
    EXPECT_TRUE (panel->m_outputMuteArray[3]);
    EXPECT_TRUE (panel->isTimerRunning (levelControlsTimer));
    EXPECT_EQ (panel->getTimerInterval (levelControlsTimer), 10);
    EXPECT_FALSE (panel->isTimerRunning (uiRefreshTimer));

    receive (frame ({ 0x67, 0x10, 0x19, 0x4C }));
    EXPECT_NEAR (panel->m_outputVolumeArray[2], -20.00186, 0.000005);
    EXPECT_FALSE (panel->m_outputMuteArray[2]);

    // Output indices 4 to 15 name no output.
    const auto before = describe (*panel);
    panel->stopTimer (levelControlsTimer);
    panel->fillOutputVolumeFromHW (0x20, 0x00, 0x01);
    panel->fillOutputVolumeFromHW (static_cast<char> (0x7B), 0x00, 0x01);
    EXPECT_FALSE (panel->isTimerRunning (levelControlsTimer));
    panel->startTimer (levelControlsTimer, 10);
    EXPECT_EQ (describe (*panel), before);
}

TEST_F (IncomingMidi, SourceLevelReportSetsTheCellButNotItsMute)
{
    receive (frame ({ 0x13, 0x00, 0x19, 0x4C }));
    EXPECT_NEAR (panel->m_sourceVolumeArray[3][2], -20.00186, 0.000005);
    EXPECT_TRUE (panel->isTimerRunning (uiRefreshTimer));
    EXPECT_EQ (panel->getTimerInterval (uiRefreshTimer), 10);

    panel->m_sourceVolumeArray[3][2] = -3.0;
    receive (frame ({ 0x13, 0x40, 0x19, 0x4C }));
    EXPECT_NEAR (panel->m_sourceVolumeArray[3][2], -20.00186, 0.000005);
    EXPECT_FALSE (panel->m_sourceMuteArray[3][2]);

    panel->m_sourceMuteArray[0][1] = true;
    receive (frame ({ 0x08, 0x01, 0x7F, 0x7F }));
    EXPECT_EQ (panel->m_sourceVolumeArray[0][1], 0.0);
    EXPECT_TRUE (panel->m_sourceMuteArray[0][1]);
}

TEST_F (IncomingMidi, CommandsTheTableIgnoresChangeNothing)
{
    const auto before = describe (*panel).replace ("noMessageYet", "messageSeen");

    for (int c = 0; c < 256; ++c)
    {
        const auto command = static_cast<std::uint8_t> (c);
        if (ProtocolParser::layoutLength (command) > 6)
            continue; // a command the panel reads

        receive (effectiveReport (command));
        EXPECT_EQ (describe (*panel), before) << "command " << c;
    }
}

TEST_F (IncomingMidi, EveryShortMessageOfEveryCommandChangesNothing)
{
    const auto before = describe (*panel);

    for (int c = 0; c < 256; ++c)
    {
        const auto full = effectiveReport (static_cast<std::uint8_t> (c));

        // Messages reach the panel whole or not at all; a zero-length one cannot exist.
        for (size_t length = 1; length < full.size(); ++length)
        {
            const Bytes prefix (full.begin(), full.begin() + static_cast<std::ptrdiff_t> (length));
            const auto truncated = ProtocolParser::parse (prefix.data(), prefix.size()).type
                                       == ProtocolParser::Report::Type::truncated;
            if (! truncated)
                continue; // the serial text ended by its 0x00 before the closing F7

            receive (prefix);
            panel->handleProtocolMessage (messageOf (prefix));
            ASSERT_EQ (describe (*panel), before) << "command " << c << " length " << length;
        }
    }

    // The complete reports do change something, so the short ones were tested on real content.
    for (std::uint8_t c : { 0x00, 0x1B, 0x40, 0x41, 0x60, 0x64, 0x65, 0x67, 0x70, 0x78, 0x79, 0x7A })
    {
        auto fresh = std::make_unique<MainComponent> (ports);
        const auto freshBefore = describe (*fresh);
        fresh->handleProtocolMessage (messageOf (effectiveReport (c)));
        EXPECT_NE (describe (*fresh).replace ("messageSeen", "noMessageYet"), freshBefore) << int (c);
    }
}

TEST_F (IncomingMidi, MeterReportsSetTheirByteAndRepaintTheMetersShowingIt)
{
    watchMeters();
    // In 1, In 2, DAW left, DAW right, Out left, Out right
    using Counts = std::vector<int>;

    receive (frame ({ 0x70, 0x04, 0x50 }));
    EXPECT_EQ (repaintCounts(), (Counts { 0, 0, 0, 0, 0, 0 }));
    EXPECT_EQ (panel->m_meterLevels[0], 1);

    receive (frame ({ 0x70, 0x01, 0x50 }));
    EXPECT_EQ (panel->m_meterLevels[1], 0x50);
    EXPECT_EQ (repaintCounts(), (Counts { 0, 1, 0, 0, 0, 0 }));

    receive (frame ({ 0x70, 0x03, 0x21 }));
    EXPECT_EQ (panel->m_meterLevels[3], 0x21);
    EXPECT_EQ (repaintCounts(), (Counts { 0, 0, 1, 1, 0, 1 }));

    receive (frame ({ 0x70, 0x02, 0x22 }));
    EXPECT_EQ (panel->m_meterLevels[2], 0x22);
    EXPECT_EQ (repaintCounts(), (Counts { 0, 0, 1, 1, 1, 0 }));

    receive (frame ({ 0x70, 0x00, 0x64 }));
    EXPECT_EQ (panel->m_meterLevels[0], 0x64);
    EXPECT_EQ (repaintCounts(), (Counts { 1, 0, 0, 0, 0, 0 }));

    EXPECT_FALSE (panel->isTimerRunning (uiRefreshTimer));
}

TEST_F (IncomingMidi, InputReportsSetTypeAndPhantomPowerWithoutSendingAnything)
{
    giveOpenOutput ("out-1");
    panel->enableAllElements (true);

    auto& box = panel->m_inputTypeBox1;
    auto& phantom = panel->m_48V1;

    receive (frame ({ 0x40, 0x0B }));
    EXPECT_EQ (box.getNumItems(), 2);
    EXPECT_EQ (box.getSelectedId(), 2);
    EXPECT_EQ (box.getText(), "HI-Z");
    EXPECT_FALSE (phantom.getToggleState());
    EXPECT_FALSE (phantom.isVisible());

    receive (frame ({ 0x40, 0x03 }));
    EXPECT_EQ (box.getText(), "LINE");

    phantom.setToggleState (true, juce::dontSendNotification);
    receive (frame ({ 0x40, 0x07 })); // line mode turns phantom power off whatever bit 2 says
    EXPECT_EQ (box.getText(), "LINE");
    EXPECT_FALSE (phantom.getToggleState());

    receive (frame ({ 0x40, 0x04 }));
    EXPECT_EQ (box.getNumItems(), 1);
    EXPECT_EQ (box.getText(), "MIC");
    EXPECT_TRUE (phantom.getToggleState());
    EXPECT_TRUE (phantom.isVisible());

    receive (frame ({ 0x40, 0x00 }));
    EXPECT_EQ (box.getText(), "MIC");
    EXPECT_FALSE (phantom.getToggleState());

    receive (frame ({ 0x41, 0x0C }));
    EXPECT_EQ (panel->m_inputTypeBox2.getText(), "MIC");
    EXPECT_TRUE (panel->m_48V2.getToggleState());
    EXPECT_EQ (box.getText(), "MIC");
    EXPECT_FALSE (phantom.getToggleState());

    // Neither a change callback nor a click runs, now or later.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (30);
    EXPECT_TRUE (ports.sentMessages().empty());
}

TEST_F (IncomingMidi, MicrophoneReportOnADisabledPanelKeepsThePhantomButtonHidden)
{
    panel->enableAllElements (false);
    receive (frame ({ 0x41, 0x04 }));

    EXPECT_TRUE (panel->m_48V2.getToggleState());
    EXPECT_FALSE (panel->m_48V2.isVisible());
}

TEST_F (IncomingMidi, MidiActivityKeepsSteadyStateAndCollectsBlinkRequests)
{
    receive (frame ({ 0x60, 0x10 }));
    receive (frame ({ 0x60, 0x25 }));

    EXPECT_EQ (panel->m_mixer.midiLedState, 0x01);
    EXPECT_EQ (panel->m_mixer.midiLedPulse, 0x34);
    EXPECT_TRUE (panel->isTimerRunning (uiRefreshTimer));

    receive (frame ({ 0x60, 0x42 })); // bit 6 is no blink bit
    EXPECT_EQ (panel->m_mixer.midiLedState, 0x02);
    EXPECT_EQ (panel->m_mixer.midiLedPulse, 0x34);
}

TEST_F (IncomingMidi, HardwareFlagsAreSplitIntoBits)
{
    panel->m_mixer.hwFlagExtReserved = 7;

    receive (frame ({ 0x64, 0x7A }));
    receive (frame ({ 0x65, 0x7E }));

    EXPECT_EQ (std::vector<int> (std::begin (panel->m_mixer.hwFlags), std::end (panel->m_mixer.hwFlags)),
               (std::vector<int> { 0, 1, 0, 1 }));
    EXPECT_EQ (panel->m_mixer.hwFlagExt, 0);
    EXPECT_EQ (panel->m_mixer.hwFlagExtReserved, 0);

    receive (frame ({ 0x65, 0x01 }));
    EXPECT_EQ (panel->m_mixer.hwFlagExt, 1);
    EXPECT_FALSE (panel->isTimerRunning (uiRefreshTimer));
}

TEST_F (IncomingMidi, VersionsAndSerialNumberGoIntoTheMirror)
{
    receive (frame ({ 0x7A, 0x55, '1', '1', '7' }));
    receive (frame ({ 0x79, 0x00, '1', '0', 'f' }));
    EXPECT_EQ (panel->m_mixer.versionRWA, expectedVersionRWA);
    EXPECT_EQ (panel->m_mixer.versionSTC, expectedVersionSTC);

    receive ({ 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 'T', 'Z', '3', 'A', '4', '2', 0x00, 0xF7 });
    EXPECT_EQ (panel->m_mixer.serial, "TZ3A42");

    receive ({ 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 0xF7 });
    EXPECT_EQ (panel->m_mixer.serial, "ABCDEFGHIJKLM");

    receive ({ 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 'W', 'X', 'Y', 'Z', 0xF7 });
    EXPECT_EQ (panel->m_mixer.serial, "WXYZ");

    // Bytes no valid message carries still give a text, one character each.
    receive ({ 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 'A', 0xC3, 0xFF, 0x00, 0xF7 });
    EXPECT_EQ (panel->m_mixer.serial.length(), 3);

    receive ({ 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x78, 0x00, 0xF7 });
    EXPECT_TRUE (panel->m_mixer.serial.isEmpty());
}

TEST_F (IncomingMidi, StateMessagesAreCountedUpToThreeAndNeverParsed)
{
    for (int i = 0; i < 5; ++i)
    {
        receive (frame ({ 0x7F, 0x7F }));
        EXPECT_EQ (panel->stateReplyCount, std::min (i + 1, 3));
    }
    EXPECT_TRUE (panel->m_noDeviceMessageYet);

    // Any other length or data byte is an ordinary, ignored message.
    receive (frame ({ 0x7F, 0x7F, 0x00 }));
    receive (frame ({ 0x7F, 0x01 }));
    EXPECT_EQ (panel->stateReplyCount, 3);
    EXPECT_FALSE (panel->m_noDeviceMessageYet);
}

TEST_F (IncomingMidi, NothingIsQueuedWhileTheUpdaterRunsButEarlierMessagesAreStillParsed)
{
    panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x67, 0x1D, 0x7F, 0x7F })));
    panel->updaterRunning = true;
    panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x67, 0x1C, 0x00, 0x01 })));
    EXPECT_EQ (panel->midiInputQueue.size(), 1);

    panel->handleUpdateNowIfNeeded();
    EXPECT_EQ (panel->m_outputVolumeArray[3], 0.0);
    EXPECT_TRUE (panel->m_outputMuteArray[3]);
    EXPECT_TRUE (panel->midiInputQueue.isEmpty());

    panel->updaterRunning = false;
    receive (frame ({ 0x67, 0x18, 0x7F, 0x7F }));
    EXPECT_FALSE (panel->m_outputMuteArray[3]);
}

TEST_F (IncomingMidi, ChannelAndSystemMessagesAreIgnored)
{
    const auto before = describe (*panel);

    for (const auto& m : { juce::MidiMessage::noteOn (1, 60, 0.5f), juce::MidiMessage::controllerEvent (2, 7, 100),
                           juce::MidiMessage::midiClock(), juce::MidiMessage::programChange (16, 3) })
    {
        panel->handleIncomingMidiMessage (nullptr, m);
        panel->handleUpdateNowIfNeeded();
    }

    EXPECT_EQ (describe (*panel), before);
}

TEST_F (IncomingMidi, ReportsQueuedTogetherAreAppliedInArrivalOrderByOneUpdate)
{
    for (std::uint8_t level : { 0x10, 0x20, 0x30 })
        panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x70, 0x01, level })));
    panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x70, 0x01, 0x05 })));
    EXPECT_EQ (panel->midiInputQueue.size(), 4);

    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    EXPECT_EQ (panel->m_meterLevels[1], 0x05);
    EXPECT_TRUE (panel->midiInputQueue.isEmpty());
}

TEST_F (IncomingMidi, AFloodWhileTheMessageThreadIsBusyEndsWithTheNewestStateAndIsReportedOnce)
{
    // Three queues' worth of Out 2 levels from another thread while this, the message thread, does
    // not drain; only the last report mutes it at 0 dB.
    ::testing::internal::CaptureStderr();
    std::thread ([this]
    {
        for (int k = 0; k < 3 * MidiInputQueue::capacity; ++k)
            panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x67, 0x18, std::uint8_t (k & 0x7F), 0x00 })));
        panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x67, 0x1D, 0x7F, 0x7F })));
    }).join();

    const juce::String log (::testing::internal::GetCapturedStderr());
    EXPECT_TRUE (log.contains ("dropping") && ! log.trim().containsChar ('\n')) << log;

    panel->handleUpdateNowIfNeeded();
    EXPECT_EQ (panel->m_outputVolumeArray[3], 0.0);
    EXPECT_TRUE (panel->m_outputMuteArray[3]);
}

TEST_F (IncomingMidi, AnswersQueuedBeforeAQueueOfMeterReadingsAreStillApplied)
{
    // The input type and the version are asked for once: the readings that follow them before
    // the message thread drains must not push them out.
    ::testing::internal::CaptureStderr();
    std::thread ([this]
    {
        panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x40, 0x0B })));
        panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x79, 'v', '1', '0', 'f' })));
        for (int k = 0; k <= MidiInputQueue::capacity; ++k)
            panel->handleIncomingMidiMessage (nullptr, messageOf (frame ({ 0x70, std::uint8_t (k % 4), std::uint8_t (k % 101) })));
    }).join();
    ::testing::internal::GetCapturedStderr();

    panel->handleUpdateNowIfNeeded();
    EXPECT_EQ (panel->m_inputTypeBoxes[0]->getSelectedId(), InputTypeItem::hiZ);
    EXPECT_EQ (panel->m_mixer.versionSTC, 0x313066);
    EXPECT_EQ (panel->m_meterLevels[0], MidiInputQueue::capacity % 101);
}

//==============================================================================
class IncomingBurst : public IncomingMidi
{
protected:
    IncomingBurst()
    {
        panel->updateDeviceList (true);
        panel->openMIDIDevice (true, "DAW Control", "DAW Control", "DUMMY_NOT_IN_USE");
    }

    ~IncomingBurst() override
    {
        interface.reset(); // stops its thread before the panel goes
    }

    std::unique_ptr<SimulatedTalvoZ3> interface = std::make_unique<SimulatedTalvoZ3> (ports);
    std::vector<std::pair<int, int>> parsed;
};

TEST_F (IncomingBurst, HundredThousandReportsFromAnotherThreadAreParsedCompletelyAndInOrder)
{
    // Each repaint of a meter shows the level byte just parsed for it; the levels follow the
    // report's position, so a lost, doubled or reordered report changes the sequence.
    ASSERT_TRUE (ports.isInputOpen (interface->inputIdentifier));

    panel->m_playbackMeters.clear(); // only the four indexed meters are watched
    parsed.reserve (100000);

    for (int index = 0; index < 4; ++index)
    {
        auto* meter = panel->m_levelMeterByIndex[index];
        meter->setVisible (true);
        auto* recorder = new RepaintRecorder ([this, index]
        {
            parsed.emplace_back (index, panel->m_meterLevels[index]);
        });
        meter->setCachedComponentImage (recorder);
    }

    parsed.clear(); // becoming visible repaints too

    constexpr int numReports = 100000;
    auto levelOf = [] (int k) { return (k / 4) % 128; };

    // The link keeps within half the bounded queue, as a real link's rate does; it waits about 10 s
    // in all at most, so that a stuck panel fails the test instead of hanging it.
    auto waits = std::make_shared<int> (0);
    interface->sendGenerated (numReports, [this, levelOf, waits] (int k)
    {
        while (panel->midiInputQueue.size() >= MidiInputQueue::capacity / 2 && (*waits)++ < 100000)
            std::this_thread::sleep_for (std::chrono::microseconds (100));
        return SimulatedTalvoZ3::meterReport (k % 4, levelOf (k));
    });

    pumpMessagesUntil ([&] { return parsed.size() >= static_cast<size_t> (numReports); }, 60000);

    ASSERT_TRUE (interface->waitUntilIdle());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    ASSERT_EQ (parsed.size(), static_cast<size_t> (numReports));
    EXPECT_EQ (panel->midiInputQueue.numDropped(), 0);
    for (int k = 0; k < numReports; ++k)
        ASSERT_EQ (parsed[static_cast<size_t> (k)], std::make_pair (k % 4, levelOf (k))) << "report " << k;
}

TEST_F (IncomingMidi, EchoedRequestsAreTooShortToBeRepliesAndLeaveTheMirrorAlone)
{
    // A version request read as a reply would take its closing F7 and two bytes beyond it as the
    // version: a wrong version that the firmware check would answer with the updater.
    receive (frame ({ 0x79, 0x00 }));
    receive (frame ({ 0x7A, 0x00 }));
    EXPECT_EQ (panel->m_mixer.versionSTC, 0);
    EXPECT_EQ (panel->m_mixer.versionRWA, 0);

    // The serial request ends at once: an empty text, as a reply with no characters gives.
    panel->m_mixer.serial = "TZ3A42";
    receive (frame ({ 0x78 }));
    EXPECT_TRUE (panel->m_mixer.serial.isEmpty());
}
