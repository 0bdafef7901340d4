#include "support/SimulatedHostFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace
{
    /** Collects what one USB notification delivers, draining its iterator as a callback must. */
    struct UsbDrain
    {
        static void callback (void* refcon, UsbObject iterator)
        {
            auto& self = *static_cast<UsbDrain*> (refcon);
            ++self.deliveries;

            if (self.drains)
                while (const auto entry = PlatformHost::get().usb.iteratorNext (iterator))
                    self.entries.push_back (entry);
        }

        bool drains = true;
        int deliveries = 0;
        std::vector<UsbObject> entries;
    };

    struct ListenerLog
    {
        static int proc (AudioObjectID device, std::uint32_t count, const AudioPropertyAddress* addresses, void* client)
        {
            auto& self = *static_cast<ListenerLog*> (client);
            self.onNotificationThread = PlatformHost::get().audio.isNotificationThread();

            for (std::uint32_t i = 0; i < count; ++i)
                if (addresses[i].mSelector == AudioProperty::nominalSampleRate)
                    ++self.rateChanges;

            self.lastDevice = device;
            return 0;
        }

        std::atomic<int> rateChanges { 0 };
        std::atomic<bool> onNotificationThread { false };
        std::atomic<AudioObjectID> lastDevice { 0 };
    };
}

TEST (PlatformHost, UsbNotificationsWaitUntilTheirIteratorHasBeenDrained)
{
    ScopedSimulatedHost sim;
    auto& usb = sim.host.usb;

    const auto present = sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    const auto port = usb.createNotificationPort();
    const auto matching = usb.makeMatching ("IOUSBDevice");
    ASSERT_TRUE (matching.has_value());

    UsbDrain arrivals, removals;
    UsbObject arrivalIterator = 0, removalIterator = 0;
    ASSERT_EQ (usb.addMatchingNotification (port, UsbRegistry::matchedNotification, *matching,
                                            UsbDrain::callback, &arrivals, arrivalIterator), 0);
    ASSERT_EQ (usb.addMatchingNotification (port, UsbRegistry::terminateNotification, *matching,
                                            UsbDrain::callback, &removals, removalIterator), 0);

    // Not armed yet: a new device waits in the iterator, behind the one already present.
    const auto second = sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.deliverRunLoop();
    EXPECT_EQ (arrivals.deliveries, 0);

    UsbDrain::callback (&arrivals, arrivalIterator);
    UsbDrain::callback (&removals, removalIterator);
    EXPECT_EQ (arrivals.entries, (std::vector<UsbObject> { present, second }));
    EXPECT_TRUE (removals.entries.empty());

    // Armed: two arrivals before the run loop turns make one delivery with both.
    arrivals = {};
    const auto third = sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    const auto fourth = sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    EXPECT_EQ (sim.host.runLoop.numPending(), 1);
    sim.deliverRunLoop();
    EXPECT_EQ (arrivals.deliveries, 1);
    EXPECT_EQ (arrivals.entries, (std::vector<UsbObject> { third, fourth }));

    // A callback that does not drain gets nothing more.
    removals = {};
    removals.drains = false;
    usb.unplug (present);
    usb.unplug (second);
    sim.deliverRunLoop();
    EXPECT_EQ (removals.deliveries, 1);
    usb.unplug (third);
    sim.deliverRunLoop();
    EXPECT_EQ (removals.deliveries, 1);

    // A removed entry can still be read; a destroyed port delivers nothing.
    juce::NamedValueSet properties;
    EXPECT_TRUE (usb.readProperties (present, properties));
    usb.destroyNotificationPort (port);
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.deliverRunLoop();
    EXPECT_EQ (arrivals.deliveries, 1);
    EXPECT_EQ (usb.numNotifications(), 0);

    // Unknown types and ports are refused.
    UsbObject iterator = 99;
    EXPECT_NE (usb.addMatchingNotification (port, UsbRegistry::matchedNotification, *matching,
                                            UsbDrain::callback, &arrivals, iterator), 0);
    EXPECT_EQ (iterator, 0u);
}

TEST (PlatformHost, NotificationsQueuedFromAnyThreadArriveThroughTheMessageLoop)
{
    ScopedSimulatedHost sim;
    auto& usb = sim.host.usb;
    const auto port = usb.createNotificationPort();
    UsbDrain arrivals;
    UsbObject iterator = 0;
    usb.addMatchingNotification (port, UsbRegistry::firstMatchNotification, *usb.makeMatching ("IOUSBDevice"),
                                 UsbDrain::callback, &arrivals, iterator);
    UsbDrain::callback (&arrivals, iterator);

    std::thread ([&] { sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice()); }).join();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    EXPECT_EQ (arrivals.entries.size(), 1u);
}

TEST (PlatformHost, AudioListenersHearMatchingChangesOnTheirOwnThread)
{
    ScopedSimulatedHost sim;
    auto& audio = sim.host.audio;
    const auto device = sim.addAudioDevice (ScopedSimulatedHost::talvoInput());

    ListenerLog everything, rateOnly, muteOnly;
    const AudioPropertyAddress wildcard { AudioProperty::selectorWildcard, AudioProperty::scopeWildcard,
                                          AudioProperty::elementWildcard };
    const AudioPropertyAddress mute { AudioProperty::mute, AudioProperty::scopeWildcard, AudioProperty::elementWildcard };
    ASSERT_EQ (audio.addPropertyListener (device, wildcard, ListenerLog::proc, &everything), 0);
    ASSERT_EQ (audio.addPropertyListener (device, wildcard, ListenerLog::proc, &everything), 0); // kept once
    ASSERT_EQ (audio.addPropertyListener (device, { AudioProperty::nominalSampleRate, AudioProperty::scopeGlobal, 0 },
                                          ListenerLog::proc, &rateOnly), 0);
    ASSERT_EQ (audio.addPropertyListener (device, mute, ListenerLog::proc, &muteOnly), 0);

    EXPECT_EQ (audio.setNominalSampleRate (device, { AudioProperty::nominalSampleRate, AudioProperty::scopeWildcard, 0 }, 96000.0), 0);
    audio.setNominalSampleRate (device, { AudioProperty::nominalSampleRate, AudioProperty::scopeWildcard, 0 }, 96000.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());

    EXPECT_EQ (everything.rateChanges, 1);   // an unchanged rate is no change
    EXPECT_EQ (rateOnly.rateChanges, 1);
    EXPECT_EQ (muteOnly.rateChanges, 0);
    EXPECT_TRUE (everything.onNotificationThread);
    EXPECT_EQ (everything.lastDevice, device);

    // A removed listener hears nothing more.
    EXPECT_EQ (audio.removePropertyListener (device, wildcard, ListenerLog::proc, &everything), 0);
    audio.changeNominalRate (device, 44100.0);
    ASSERT_TRUE (sim.waitForAudioNotifications());
    EXPECT_EQ (everything.rateChanges, 1);
    EXPECT_EQ (rateOnly.rateChanges, 2);
}

TEST (PlatformHost, AudioDevicesCanFailAndAppearLate)
{
    ScopedSimulatedHost sim;
    auto& audio = sim.host.audio;

    auto late = ScopedSimulatedHost::talvoOutput();
    late.publishedAtMs = 1000;
    late.failingReads = { AudioProperty::name };
    const auto early = sim.addAudioDevice (ScopedSimulatedHost::talvoInput());
    const auto lateId = sim.addAudioDevice (late);

    std::uint32_t bytes = 0;
    std::vector<AudioObjectID> list;
    ASSERT_EQ (audio.getDeviceListSize (bytes), 0);
    EXPECT_EQ (bytes, 4u);
    audio.getDeviceList (bytes, list);
    EXPECT_EQ (list, (std::vector<AudioObjectID> { early }));

    PlatformClock::sleepFor (1000);
    audio.getDeviceListSize (bytes);
    audio.getDeviceList (bytes, list);
    EXPECT_EQ (list, (std::vector<AudioObjectID> { early, lateId }));

    // A buffer too small for the whole list holds what fits.
    audio.getDeviceList (4, list);
    EXPECT_EQ (list.size(), 1u);

    juce::String text;
    EXPECT_NE (audio.getStringProperty (lateId, { AudioProperty::name, AudioProperty::scopeOutput, 0 }, text), 0);
    EXPECT_EQ (audio.getStringProperty (lateId, { AudioProperty::deviceUID, AudioProperty::scopeOutput, 0 }, text), 0);
    EXPECT_EQ (text, "TalvoZ3:out");

    std::uint32_t buffers = 9;
    EXPECT_EQ (audio.getStreamConfiguration (lateId, AudioProperty::scopeInput, buffers), 0);
    EXPECT_EQ (buffers, 0u);
    EXPECT_EQ (audio.getStreamConfiguration (lateId, AudioProperty::scopeOutput, buffers), 0);
    EXPECT_EQ (buffers, 1u);

    sim.faults.setDeviceListStatus (-1);
    EXPECT_NE (audio.getDeviceListSize (bytes), 0);
    EXPECT_NE (audio.getNominalSampleRate (12345, { AudioProperty::nominalSampleRate, AudioProperty::scopeWildcard, 0 },
                                           *std::make_unique<double>()), 0);
}

TEST (PlatformHost, VirtualTimeOnlyMovesTheClock)
{
    ScopedSimulatedHost sim;
    const auto before = juce::Time::getMillisecondCounter();

    PlatformClock::sleepFor (5000);
    PlatformClock::sleepFor (300);

    EXPECT_EQ (PlatformClock::nowMs(), 5300);
    EXPECT_EQ (PlatformClock::totalSleptMs(), 5300);
    EXPECT_LT (juce::Time::getMillisecondCounter() - before, 1000u);
}

TEST (PlatformHost, RealTimeWaitsInFull)
{
    PlatformClock::useVirtualTime (false);
    const auto start = PlatformClock::nowMs();
    PlatformClock::sleepFor (30);
    EXPECT_GE (PlatformClock::nowMs() - start, 30);
}
