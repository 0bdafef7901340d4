#include "support/SimulatedHostFixture.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace
{
    /** Receives the presence layer's events as the panel would, recording each with the thread it
        came on and the virtual time.
    */
    struct EventLog
    {
        struct Event
        {
            OVK_CallbackEvent event;
            bool onMessageThread;
            std::int64_t atMs;
            void* reserved;
        };

        static void callback (void* context, void* reserved, OVK_CallbackEvent event)
        {
            auto& log = *static_cast<EventLog*> (context);
            const std::lock_guard<std::mutex> guard (log.lock);
            log.events.push_back ({ event, juce::MessageManager::existsAndIsCurrentThread(),
                                    PlatformClock::nowMs(), reserved });
        }

        std::vector<OVK_CallbackEvent> kinds() const
        {
            const std::lock_guard<std::mutex> guard (lock);
            std::vector<OVK_CallbackEvent> result;
            for (const auto& e : events)
                result.push_back (e.event);
            return result;
        }

        std::vector<Event> all() const
        {
            const std::lock_guard<std::mutex> guard (lock);
            return events;
        }

        void clear()
        {
            const std::lock_guard<std::mutex> guard (lock);
            events.clear();
        }

        mutable std::mutex lock;
        std::vector<Event> events;
    };

    class PresenceLayer : public ::testing::Test
    {
    protected:
        void init()
        {
            initDevice (&EventLog::callback, &log, 0x7A1C, 0x0025, "Talvo z3", "Talvo z3", "OVK Vantoraklang GmbH");
        }

        ScopedSimulatedHost sim;
        EventLog log;
    };

    using Events = std::vector<OVK_CallbackEvent>;

    const AudioPropertyAddress rateAddress { AudioProperty::nominalSampleRate, AudioProperty::scopeGlobal, 0 };
}

//==============================================================================
TEST_F (PresenceLayer, AnInterfaceAlreadyPluggedInArrivesInsideInitDevice)
{
    const auto talvo = sim.plugInTalvo();
    sim.host.runLoop.clear(); // nothing registered yet, so nothing can be waiting

    init();

    const auto events = log.all();
    ASSERT_EQ (events.size(), 1u);
    EXPECT_EQ (events[0].event, deviceArrived);
    EXPECT_TRUE (events[0].onMessageThread);
    EXPECT_EQ (events[0].reserved, nullptr);
    EXPECT_EQ (gInAudioObjectID, talvo.input);
    EXPECT_EQ (gOutAudioObjectID, talvo.output);
    EXPECT_EQ (PlatformClock::totalSleptMs(), 0);
    EXPECT_EQ (sim.host.audio.numListeners (talvo.input), 1);
    EXPECT_EQ (sim.host.audio.numListeners (talvo.output), 1);
}

TEST_F (PresenceLayer, PlugAndUnplugAreReportedOnTheMessageThreadAndUnbind)
{
    init();
    EXPECT_TRUE (log.kinds().empty());

    // Scripted from another thread, as the bus would; delivered through the message thread.
    ScopedSimulatedHost::PluggedInterface talvo;
    std::thread ([&] { talvo = sim.plugInTalvo(); }).join();
    sim.deliverRunLoop();

    EXPECT_EQ (log.kinds(), (Events { deviceArrived }));
    EXPECT_EQ (gInAudioObjectID, talvo.input);

    std::thread ([&] { sim.host.usb.unplug (talvo.usb); }).join();
    sim.deliverRunLoop();

    const auto events = log.all();
    ASSERT_EQ (events.size(), 2u);
    EXPECT_EQ (events[1].event, deviceRemoved);
    EXPECT_TRUE (events[0].onMessageThread && events[1].onMessageThread);
    EXPECT_EQ (gInAudioObjectID, 0u);
    EXPECT_EQ (gOutAudioObjectID, 0u);

    // Replugging binds again; the listener installed before stays single.
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.deliverRunLoop();
    EXPECT_EQ (log.kinds(), (Events { deviceArrived, deviceRemoved, deviceArrived }));
    EXPECT_EQ (sim.host.audio.numListeners (talvo.input), 1);
}

TEST_F (PresenceLayer, UsbIdentityMustMatchExactly)
{
    init();
    sim.addAudioDevice (ScopedSimulatedHost::talvoInput());
    sim.addAudioDevice (ScopedSimulatedHost::talvoOutput());

    auto lowerCaseVendor = ScopedSimulatedHost::talvoUsbDevice();
    lowerCaseVendor.properties.set ("USB Vendor Name", "OVK VANTORAKLANG GmbH");

    auto otherProduct = ScopedSimulatedHost::talvoUsbDevice();
    otherProduct.properties.set ("idProduct", 0x0026);

    auto otherVendor = ScopedSimulatedHost::talvoUsbDevice();
    otherVendor.properties.set ("idVendor", 0x7A1D);

    auto longerName = ScopedSimulatedHost::talvoUsbDevice();
    longerName.properties.set ("USB Product Name", "Talvo z3 Pro");

    auto noIds = ScopedSimulatedHost::talvoUsbDevice();
    noIds.properties.remove ("idProduct");

    auto unreadable = ScopedSimulatedHost::talvoUsbDevice();
    unreadable.propertiesReadable = false;

    for (const auto& d : { lowerCaseVendor, otherProduct, otherVendor, longerName, noIds, unreadable })
        sim.plugInUsb (d);

    sim.deliverRunLoop();
    EXPECT_TRUE (log.kinds().empty());
    EXPECT_EQ (gInAudioObjectID, 0u);

    // An absent vendor name reads as empty text, which is not ours either.
    auto noVendorName = ScopedSimulatedHost::talvoUsbDevice();
    noVendorName.properties.remove ("USB Vendor Name");
    const auto entry = sim.plugInUsb (noVendorName);
    sim.deliverRunLoop();
    sim.host.usb.unplug (entry);
    sim.deliverRunLoop();
    EXPECT_TRUE (log.kinds().empty());
}

TEST_F (PresenceLayer, AudioDevicesAreFoundByNameAndManufacturer)
{
    struct Case
    {
        const char* name;
        const char* manufacturer;
        bool binds;
    };

    const Case cases[] = {
        { "Talvo z3", "ovk vantoraklang gmbh", true },   // manufacturer: letter case ignored
        { "TALVO Z3", "OVK Vantoraklang GmbH", true },   // name: letter case ignored
        { "Talvo", "OVK Vantoraklang GmbH", true },      // a leading part of the name
        { "", "OVK Vantoraklang GmbH", true },           // an empty name is a leading part too
        { "talvo", "OVK Vantoraklang GmbH", false },     // the leading part is compared exactly
        { "Talvo z3 Pro", "OVK Vantoraklang GmbH", false },
        { "Talvo z3", "OVK Vantoraklang", false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name + juce::String (" / ") + c.manufacturer);
        sim.resetEverything();
        log.clear();

        auto input = ScopedSimulatedHost::talvoInput();
        auto output = ScopedSimulatedHost::talvoOutput();
        input.name = output.name = c.name;
        input.manufacturer = output.manufacturer = c.manufacturer;
        sim.plugInTalvo (input, output);

        init();
        EXPECT_EQ (log.kinds() == Events { deviceArrived }, c.binds);
        EXPECT_EQ (gInAudioObjectID != 0, c.binds);
    }
}

TEST_F (PresenceLayer, DevicesAreBoundOnlyForDirectionsWithStreams)
{
    // An input-only device first, an output-only one later; a stranger and a device whose reads
    // fail in between.
    auto stranger = ScopedSimulatedHost::talvoOutput();
    stranger.name = "Built-in Output";
    stranger.manufacturer = "Someone";

    auto broken = ScopedSimulatedHost::talvoOutput();
    broken.failingReads = { AudioProperty::deviceUID };

    const auto input = sim.addAudioDevice (ScopedSimulatedHost::talvoInput());
    sim.addAudioDevice (stranger);
    const auto brokenId = sim.addAudioDevice (broken);
    const auto output = sim.addAudioDevice (ScopedSimulatedHost::talvoOutput());
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());

    init();
    EXPECT_EQ (gInAudioObjectID, input);
    EXPECT_EQ (gOutAudioObjectID, output);
    EXPECT_EQ (sim.host.audio.numListeners (brokenId), 0);
}

TEST_F (PresenceLayer, WhenSeveralDevicesFitTheLastInListOrderIsBoundAndEachListens)
{
    const auto first = sim.addAudioDevice (ScopedSimulatedHost::talvoInput());
    const auto output = sim.addAudioDevice (ScopedSimulatedHost::talvoOutput());
    const auto last = sim.addAudioDevice (ScopedSimulatedHost::talvoInput());
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());

    init();
    EXPECT_EQ (gInAudioObjectID, last);
    EXPECT_EQ (gOutAudioObjectID, output);
    EXPECT_EQ (sim.host.audio.numListeners (first), 1);
    EXPECT_EQ (sim.host.audio.numListeners (last), 1);
}

TEST_F (PresenceLayer, OneDeviceServesBothDirectionsWhetherOrNotASecondListenerIsAccepted)
{
    for (const bool refuses : { false, true })
    {
        SCOPED_TRACE (refuses ? "second installation refused" : "second installation accepted");
        sim.resetEverything();
        log.clear();

        auto both = ScopedSimulatedHost::talvoInput();
        both.outputBuffers = 2;
        both.refusesRepeatedListener = refuses;
        const auto id = sim.addAudioDevice (both);
        sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());

        init();
        EXPECT_EQ (gInAudioObjectID, id);
        EXPECT_EQ (gOutAudioObjectID, id);
        EXPECT_EQ (log.kinds(), (Events { deviceArrived }));
        EXPECT_EQ (sim.host.audio.numListeners (id), 1);
    }

    // A device whose listener cannot be installed at all is not bound.
    sim.resetEverything();
    log.clear();
    auto deaf = ScopedSimulatedHost::talvoInput();
    deaf.outputBuffers = 1;
    deaf.listenerInstallStatus = -50;
    sim.addAudioDevice (deaf);
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    init();
    EXPECT_EQ (gInAudioObjectID, 0u);
    EXPECT_TRUE (log.kinds().empty());
}

TEST_F (PresenceLayer, AnOutputPublishedASecondLateIsBoundByTheSecondAttempt)
{
    init();

    auto late = ScopedSimulatedHost::talvoOutput();
    late.publishedAtMs = 1000;
    const auto talvo = sim.plugInTalvo (ScopedSimulatedHost::talvoInput(), late);
    sim.deliverRunLoop();

    const auto events = log.all();
    ASSERT_EQ (events.size(), 1u);
    EXPECT_EQ (events[0].event, deviceArrived);
    EXPECT_EQ (events[0].atMs, 1000);
    EXPECT_EQ (gOutAudioObjectID, talvo.output);
}

TEST_F (PresenceLayer, AnOutputThatNeverAppearsEndsTheHandlerAfterFiveSecondsWithoutAnEvent)
{
    init();

    sim.addAudioDevice (ScopedSimulatedHost::talvoInput());
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.deliverRunLoop();

    EXPECT_TRUE (log.kinds().empty());
    EXPECT_EQ (PlatformClock::nowMs(), 5000);

    // A failing device list binds nothing either, and is retried the same way.
    sim.faults.setDeviceListStatus (-1);
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.deliverRunLoop();
    EXPECT_EQ (PlatformClock::nowMs(), 10000);
    EXPECT_TRUE (log.kinds().empty());
}

TEST_F (PresenceLayer, IdentifiersLeftFromAnEarlierBindingCountAsBound)
{
    gInAudioObjectID = 77;
    gOutAudioObjectID = 78;
    init();

    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.deliverRunLoop();
    EXPECT_EQ (log.kinds(), (Events { deviceArrived }));
    EXPECT_EQ (PlatformClock::totalSleptMs(), 0);
}

//==============================================================================
TEST_F (PresenceLayer, ARateChangeIsSpreadToTheOtherDeviceAndReportedOnlyForKnownRates)
{
    auto input = ScopedSimulatedHost::talvoInput();
    auto output = ScopedSimulatedHost::talvoOutput();
    input.nominalRate = output.nominalRate = 44100.0;
    const auto talvo = sim.plugInTalvo (input, output);
    init();
    log.clear();

    // 48000 on the input: reported, and the output follows (whose own change is reported too).
    sim.host.audio.changeNominalRate (talvo.input, 48000.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
    EXPECT_EQ (sim.host.audio.nominalRateOf (talvo.output), 48000.0);
    EXPECT_EQ (log.kinds(), (Events { devicePropertyChanged, devicePropertyChanged }));

    for (const auto& e : log.all())
        EXPECT_FALSE (e.onMessageThread);

    // 32000 is one of the reported rates as well.
    log.clear();
    sim.host.audio.changeNominalRate (talvo.output, 32000.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
    EXPECT_EQ (sim.host.audio.nominalRateOf (talvo.input), 32000.0);
    EXPECT_EQ (log.kinds(), (Events { devicePropertyChanged, devicePropertyChanged }));

    // 22050 is not, but the other device still follows.
    log.clear();
    sim.host.audio.changeNominalRate (talvo.output, 22050.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
    EXPECT_EQ (sim.host.audio.nominalRateOf (talvo.input), 22050.0);
    EXPECT_EQ (log.kinds(), Events {});
}

TEST_F (PresenceLayer, TheListenerRaisesOneEventPerReactedToAddress)
{
    auto input = ScopedSimulatedHost::talvoInput();
    input.failingReads = { AudioProperty::volumeScalar };
    const auto talvo = sim.plugInTalvo (input);
    init();
    log.clear();

    const auto call = [&] (AudioObjectID device, std::vector<AudioPropertyAddress> addresses)
    {
        log.clear();
        EXPECT_EQ (myAudioObjectPropertyListenerProc (device, static_cast<std::uint32_t> (addresses.size()),
                                                      addresses.data(), &mydeviceStruct), 0);
        return log.kinds();
    };

    const AudioPropertyAddress mute { AudioProperty::mute, AudioProperty::scopeOutput, 0 };
    const AudioPropertyAddress thru { AudioProperty::playThru, AudioProperty::scopeInput, 0 };
    const AudioPropertyAddress volume { AudioProperty::volumeScalar, AudioProperty::scopeOutput, 0 };
    const AudioPropertyAddress source { AudioProperty::dataSource, AudioProperty::scopeOutput, 0 };
    const AudioPropertyAddress other { fourCharCode ("abcd"), AudioProperty::scopeGlobal, 0 };

    EXPECT_EQ (call (talvo.input, { rateAddress }), (Events { devicePropertyChanged }));
    EXPECT_EQ (call (talvo.input, { mute, thru, source }), (Events (3, devicePropertyChanged)));
    EXPECT_EQ (call (talvo.input, { volume }), Events {});            // its read fails here
    EXPECT_EQ (call (talvo.output, { volume }), (Events { devicePropertyChanged }));
    EXPECT_EQ (call (talvo.input, { other }), Events {});
    EXPECT_EQ (call (9999, { rateAddress, mute }), (Events { devicePropertyChanged })); // an unknown device: the rate read fails

    // Defined behaviour for nonsense: no record, no addresses.
    log.clear();
    EXPECT_EQ (myAudioObjectPropertyListenerProc (talvo.input, 1, &mute, nullptr), 0);
    EXPECT_EQ (myAudioObjectPropertyListenerProc (talvo.input, 3, nullptr, &mydeviceStruct), 0);
    EXPECT_TRUE (log.kinds().empty());
}

//==============================================================================
TEST_F (PresenceLayer, SettingTheRateReportsWhetherTheDevicesAgree)
{
    const auto talvo = sim.plugInTalvo();

    // 32000 goes through the physical format: two channels of 16 bits. The devices are bound by
    // hand here, before any listener exists, so that no listener's own alignment can be counted.
    gInAudioObjectID = talvo.input;
    gOutAudioObjectID = talvo.output;
    EXPECT_TRUE (hw_setSampleRate (32000.0));
    for (auto device : { talvo.input, talvo.output })
    {
        const auto format = sim.host.audio.physicalFormatOf (device, AudioProperty::scopeWildcard);
        ASSERT_TRUE (format.has_value());
        EXPECT_EQ (format->mSampleRate, 32000.0);
        EXPECT_EQ (format->mFormatID, AudioProperty::formatLinearPCM);
        EXPECT_EQ (format->mFormatFlags, 0x0cu);
        EXPECT_EQ (format->mBytesPerPacket, 4u);
        EXPECT_EQ (format->mFramesPerPacket, 1u);
        EXPECT_EQ (format->mBytesPerFrame, 4u);
        EXPECT_EQ (format->mChannelsPerFrame, 2u);
        EXPECT_EQ (format->mBitsPerChannel, 16u);
        EXPECT_EQ (format->mReserved, 0u);
        EXPECT_EQ (sim.host.audio.numRateSets (device), 0);
    }

    init();

    // The listeners align the devices too; let them settle before the next set.
    ASSERT_TRUE (sim.waitForAudioNotifications());

    EXPECT_TRUE (hw_setSampleRate (96000.0));
    EXPECT_EQ (sim.host.audio.nominalRateOf (talvo.input), 96000.0);
    EXPECT_EQ (sim.host.audio.nominalRateOf (talvo.output), 96000.0);
    EXPECT_EQ (PlatformClock::totalSleptMs(), 0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
}

TEST_F (PresenceLayer, AgreementCountsNotTheRequestedRate)
{
    auto input = ScopedSimulatedHost::talvoInput();
    auto output = ScopedSimulatedHost::talvoOutput();
    input.followsRateSets = output.followsRateSets = false;
    sim.plugInTalvo (input, output);
    init();

    EXPECT_TRUE (hw_setSampleRate (44100.0));   // both stay at 48000: they agree
    EXPECT_EQ (PlatformClock::totalSleptMs(), 0);
}

TEST_F (PresenceLayer, DisagreeingDevicesAreJudgedAgainAfter300Milliseconds)
{
    auto input = ScopedSimulatedHost::talvoInput();
    input.followsRateSets = false;
    input.nominalRate = 44100.0;
    sim.plugInTalvo (input);
    init();

    EXPECT_FALSE (hw_setSampleRate (48000.0));
    EXPECT_EQ (PlatformClock::totalSleptMs(), 300);
    EXPECT_EQ (hw_getAlignedSampleRate(), 0.0);

    // Nothing bound: both reads fail alike, which is no agreement.
    gInAudioObjectID = 0;
    gOutAudioObjectID = 0;
    EXPECT_FALSE (hw_setSampleRate (48000.0));
    EXPECT_EQ (hw_getAlignedSampleRate(), 0.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
}

TEST_F (PresenceLayer, TheAlignedRateFollowsTheOutput)
{
    auto input = ScopedSimulatedHost::talvoInput();
    input.nominalRate = 44100.0;
    const auto talvo = sim.plugInTalvo (input);
    init();

    EXPECT_EQ (hw_getAlignedSampleRate(), 48000.0);
    EXPECT_EQ (sim.host.audio.nominalRateOf (talvo.input), 48000.0);
    EXPECT_EQ (hw_getAlignedSampleRate(), 48000.0);

    // An unreadable output gives "unknown" without touching anything.
    sim.resetEverything();
    auto unreadable = ScopedSimulatedHost::talvoOutput();
    unreadable.failingReads = { AudioProperty::nominalSampleRate };
    const auto second = sim.plugInTalvo (input, unreadable);
    init();
    EXPECT_EQ (hw_getAlignedSampleRate(), 0.0);
    EXPECT_EQ (sim.host.audio.numRateSets (second.input), 0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
}

//==============================================================================
TEST_F (PresenceLayer, ARepeatedInitDeviceArrivesAgainButReportsEachChangeOnce)
{
    const auto talvo = sim.plugInTalvo();
    init();
    init();
    EXPECT_EQ (log.kinds(), (Events { deviceArrived, deviceArrived }));
    EXPECT_EQ (sim.host.usb.numNotifications(), 2);
    EXPECT_EQ (sim.host.power.numRegistrations(), 1);
    EXPECT_EQ (sim.host.audio.numListeners (talvo.input), 1);

    log.clear();
    sim.host.audio.changeNominalRate (talvo.output, 96000.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
    EXPECT_EQ (log.kinds(), (Events { devicePropertyChanged, devicePropertyChanged }));

    log.clear();
    sim.host.power.send (PowerEvents::systemHasPoweredOn, nullptr);
    sim.host.usb.unplug (talvo.usb);
    sim.deliverRunLoop();
    EXPECT_EQ (log.kinds(), (Events { systemHasPoweredOn, deviceRemoved }));

    // Once released, nothing arrives any more.
    releaseDeviceNotifications();
    log.clear();
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.host.power.send (PowerEvents::systemWillSleep, nullptr);
    sim.deliverRunLoop();
    EXPECT_TRUE (log.kinds().empty());
}

TEST_F (PresenceLayer, PowerMessagesAreReportedAndAcknowledged)
{
    init();
    int sleepToken = 0, askToken = 0;

    sim.host.power.send (PowerEvents::canSystemSleep, &askToken);
    sim.host.power.send (PowerEvents::systemWillSleep, &sleepToken);
    sim.host.power.send (PowerEvents::systemWillPowerOn, nullptr);
    sim.host.power.send (PowerEvents::systemHasPoweredOn, nullptr);
    sim.host.power.send (PowerEvents::systemWillNotSleep, nullptr);
    sim.deliverRunLoop();

    EXPECT_EQ (log.kinds(), (Events { systemWillSleep, systemWillPowerOn, systemHasPoweredOn }));

    const auto acks = sim.host.power.acknowledgements();
    ASSERT_EQ (acks.size(), 2u);
    EXPECT_EQ (acks[0], std::make_pair (root_port, static_cast<void*> (&askToken)));
    EXPECT_EQ (acks[1], std::make_pair (root_port, static_cast<void*> (&sleepToken)));
    EXPECT_NE (root_port, 0u);
}

TEST_F (PresenceLayer, AFailedPowerRegistrationOnlyMeansNoPowerEvents)
{
    sim.faults.setPowerRegistrationRefused (true);
    const auto talvo = sim.plugInTalvo();
    init();

    EXPECT_EQ (root_port, 0u);
    sim.host.power.send (PowerEvents::systemWillSleep, nullptr);
    sim.host.usb.unplug (talvo.usb);
    sim.deliverRunLoop();
    EXPECT_EQ (log.kinds(), (Events { deviceArrived, deviceRemoved }));
}
