#include "mixer/FluxrouteRoutingRecord.h"
#include "storage/SettingsFile.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"
#include "support/SimulatedHostFixture.h"
#include "support/SimulatedMidiPorts.h"

#include <gtest/gtest.h>

namespace
{
    class DeviceEvents : public ::testing::Test
    {
    protected:
        ~DeviceEvents() override
        {
            panel = nullptr;
        }

        void makePanel()
        {
            panel = std::make_unique<MainComponent> (ports);
        }

        std::vector<int> runningTimers() const
        {
            std::vector<int> running;
            for (int id = firmwareCheckTimer; id <= outputFaderIdleTimer; ++id)
                if (panel->isTimerRunning (id))
                    running.push_back (id);
            return running;
        }

        void stopAllTimers()
        {
            for (int id = firmwareCheckTimer; id <= outputFaderIdleTimer; ++id)
                panel->stopTimer (id);
        }

        bool storesMixerKeys() const
        {
            return panel->getUserSettings()->containsKey (SettingsFile::Keys::sourceLevel (0, 0));
        }

        ScopedSimulatedHost sim;
        SimulatedMidiPorts ports;
        std::unique_ptr<MainComponent> panel;
    };
}

//==============================================================================
TEST_F (DeviceEvents, AnInterfacePluggedInAtStartConnectsDuringConstruction)
{
    const auto talvo = sim.plugInTalvo();
    makePanel();

    EXPECT_EQ (runningTimers(), (std::vector<int> { firmwareCheckTimer, deviceArrivedTimer, midiPortScanTimer }));
    EXPECT_EQ (panel->getTimerInterval (midiPortScanTimer), 800);
    EXPECT_EQ (panel->getTimerInterval (firmwareCheckTimer), 10000);
    EXPECT_EQ (panel->getTimerInterval (deviceArrivedTimer), 1500);
    EXPECT_EQ (panel->m_mixer.sampleRate, 48000.0);
    EXPECT_EQ (panel->m_mixer.usbBuffer, 0);
    EXPECT_EQ (panel->m_mixer.bufferSize, 0);
    EXPECT_FALSE (panel->m_updateButton.isVisible());
    EXPECT_EQ (gInAudioObjectID, talvo.input);
    ASSERT_NE (gUSBdevice, nullptr);
    EXPECT_TRUE (gUSBdevice->getState()->isOpen());

    // An event without a panel is dropped.
    stopAllTimers();
    MainComponent::OnApiCallback (nullptr, nullptr, deviceArrived);
    EXPECT_TRUE (runningTimers().empty());
}

TEST_F (DeviceEvents, WithoutAnInterfaceThePanelWaits)
{
    makePanel();
    EXPECT_TRUE (runningTimers().empty());
    EXPECT_EQ (gUSBdevice, nullptr);
    EXPECT_EQ (panel->m_mixer.sampleRate, 0.0);
}

TEST_F (DeviceEvents, ArrivalBringsTheInputToTheOutputsRate)
{
    struct Case
    {
        int inputIgnoresSets;   // -1: never follows
        double stored;
    };

    for (const auto c : { Case { 0, 48000.0 }, Case { 1, 48000.0 }, Case { -1, 0.0 } })
    {
        SCOPED_TRACE (c.inputIgnoresSets);
        panel = nullptr;
        sim.resetEverything();

        auto input = ScopedSimulatedHost::talvoInput();
        input.nominalRate = 44100.0;
        input.rateSetsToIgnore = std::max (0, c.inputIgnoresSets);
        input.followsRateSets = c.inputIgnoresSets >= 0;
        const auto talvo = sim.plugInTalvo (input);

        makePanel();
        EXPECT_EQ (panel->m_mixer.sampleRate, c.stored);
        EXPECT_EQ (sim.host.audio.numRateSets (talvo.input), c.inputIgnoresSets == 0 ? 1 : 2);
        EXPECT_EQ (sim.host.audio.nominalRateOf (talvo.output), 48000.0);
        ASSERT_TRUE (sim.waitForAudioNotifications());
    }
}

TEST_F (DeviceEvents, RemovalDisconnectsAndSavesOnlyARestoredState)
{
    const auto talvo = sim.plugInTalvo();
    makePanel();
    panel->getUserSettings()->clear();

    panel->m_mixer.versionRWA = expectedVersionRWA;
    panel->m_mixer.versionSTC = expectedVersionSTC;
    panel->m_updateButton.setVisible (true);

    // Unplugged before the first restore: the start values must not overwrite the saved state.
    sim.host.usb.unplug (talvo.usb);
    sim.deliverRunLoop();

    EXPECT_EQ (panel->m_mixer.versionRWA, 0);
    EXPECT_EQ (panel->m_mixer.versionSTC, 0);
    EXPECT_FALSE (panel->isTimerRunning (firmwareCheckTimer));
    EXPECT_FALSE (panel->m_updateButton.isVisible());
    EXPECT_EQ (panel->getTimerInterval (disableControlsTimer), 10);
    EXPECT_EQ (panel->getTimerInterval (hideUpdateButtonTimer), 100);
    EXPECT_EQ (gInAudioObjectID, 0u);
    EXPECT_EQ (gOutAudioObjectID, 0u);
    EXPECT_FALSE (panel->m_stateRestored);
    EXPECT_FALSE (storesMixerKeys());

    // Plugged again and restored: the removal writes the mixer keys and leaves the flag clear.
    const auto usb = sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.deliverRunLoop();
    EXPECT_TRUE (panel->isTimerRunning (midiPortScanTimer));
    panel->m_stateRestored = true;

    sim.host.usb.unplug (usb);
    sim.deliverRunLoop();
    EXPECT_TRUE (storesMixerKeys());
    EXPECT_FALSE (panel->m_stateRestored);

    // From then on every removal saves, and a repeated one saves once more.
    panel->getUserSettings()->clear();
    MainComponent::OnApiCallback (panel.get(), nullptr, deviceRemoved);
    EXPECT_TRUE (storesMixerKeys());
    EXPECT_FALSE (panel->m_stateRestored);
}

TEST_F (DeviceEvents, APropertyChangeOnTheAudioThreadStartsTheRatePoll)
{
    const auto talvo = sim.plugInTalvo();
    makePanel();
    stopAllTimers();

    sim.host.audio.notifyPropertyChanged (talvo.output, { AudioProperty::mute, AudioProperty::scopeOutput, 0 });
    ASSERT_TRUE (sim.waitForAudioNotifications());

    EXPECT_EQ (runningTimers(), (std::vector<int> { sampleRateSyncTimer }));
    EXPECT_EQ (panel->getTimerInterval (sampleRateSyncTimer), 50);
}

TEST_F (DeviceEvents, PowerEventsChangeNothing)
{
    sim.plugInTalvo();
    makePanel();

    const auto timersBefore = runningTimers();
    const auto rateBefore = panel->m_mixer.sampleRate;
    const auto inBefore = gInAudioObjectID.load();

    for (auto message : { PowerEvents::canSystemSleep, PowerEvents::systemWillSleep,
                          PowerEvents::systemWillPowerOn, PowerEvents::systemHasPoweredOn })
        sim.host.power.send (message, nullptr);

    sim.deliverRunLoop();

    for (auto event : { systemWillSleep, systemWillPowerOn, systemHasPoweredOn, static_cast<OVK_CallbackEvent> (4),
                        static_cast<OVK_CallbackEvent> (99) })
        MainComponent::OnApiCallback (panel.get(), nullptr, event);

    EXPECT_EQ (runningTimers(), timersBefore);
    EXPECT_EQ (panel->m_mixer.sampleRate, rateBefore);
    EXPECT_EQ (gInAudioObjectID, inBefore);
    EXPECT_EQ (sim.host.power.acknowledgements().size(), 2u);
}

TEST_F (DeviceEvents, AChangeStillOnItsWayWhenThePanelGoesIsDropped)
{
    const auto talvo = sim.plugInTalvo();
    makePanel();

    // The listener runs at once on the audio thread and waits for the message thread, which is
    // busy destroying the panel.
    sim.host.audio.changeNominalRate (talvo.input, 96000.0);
    juce::Thread::sleep (20);
    panel = nullptr;

    EXPECT_TRUE (sim.waitForAudioNotifications());
    EXPECT_EQ (mydeviceStruct.context.load(), nullptr);
}

TEST_F (DeviceEvents, ASecondPanelTakesTheEventsAndKeepsThemWhenTheFirstGoes)
{
    const auto talvo = sim.plugInTalvo();
    makePanel();
    auto second = std::make_unique<MainComponent> (ports);
    EXPECT_EQ (mydeviceStruct.context.load(), second.get());
    EXPECT_TRUE (second->isTimerRunning (midiPortScanTimer));

    panel = nullptr;
    EXPECT_EQ (mydeviceStruct.context.load(), second.get());

    sim.host.usb.unplug (talvo.usb);
    sim.deliverRunLoop();
    EXPECT_TRUE (second->isTimerRunning (disableControlsTimer));

    second = nullptr;
    EXPECT_EQ (mydeviceStruct.context.load(), nullptr);
}

//==============================================================================
TEST_F (DeviceEvents, FactoryDefaultsSetTheStreamFormatsAndResetTheRoutingRecord)
{
    const auto talvo = sim.plugInTalvo();
    makePanel();

    fluxrouteTestFlag = false;
    MyDeviceMixer.gainDb[2][3] = -6.0;
    MyDeviceMixer.routed[2][3] = true;

    panel->setFactoryDefaults();

    const auto in = sim.host.audio.physicalFormatOf (talvo.input, AudioProperty::scopeInput);
    const auto out = sim.host.audio.physicalFormatOf (talvo.output, AudioProperty::scopeOutput);
    ASSERT_TRUE (in.has_value() && out.has_value());
    EXPECT_EQ (*in, *out);
    EXPECT_EQ (in->mSampleRate, 48000.0);
    EXPECT_EQ (in->mFormatID, AudioProperty::formatLinearPCM);
    EXPECT_EQ (in->mFormatFlags, 12u);
    EXPECT_EQ (in->mBytesPerPacket, 12u);
    EXPECT_EQ (in->mFramesPerPacket, 1u);
    EXPECT_EQ (in->mBytesPerFrame, 12u);
    EXPECT_EQ (in->mChannelsPerFrame, 4u);
    EXPECT_EQ (in->mBitsPerChannel, 24u);
    EXPECT_FALSE (sim.host.audio.physicalFormatOf (talvo.input, AudioProperty::scopeOutput).has_value());

    EXPECT_EQ (MyDeviceMixer.gainDb[2][3], 0.0);
    EXPECT_FALSE (MyDeviceMixer.routed[2][3]);
    EXPECT_TRUE (fluxrouteTestFlag);

    // Every other reset writes the test pattern.
    panel->setFactoryDefaults();
    EXPECT_TRUE (MyDeviceMixer.routed[1][1]);
    EXPECT_FALSE (fluxrouteTestFlag);

    // Without bound devices the format sets go nowhere, and nothing fails.
    gInAudioObjectID = 0;
    gOutAudioObjectID = 0;
    panel->setFactoryDefaults();
    EXPECT_EQ (sim.host.audio.numFormatSets (talvo.input), 2);
}
