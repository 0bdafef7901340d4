#include "platform/linux/LogindPower.h"
#include "support/FakeLogind.h"
#include "support/MessageLoop.h"
#include "support/SimulatedHostFixture.h"

#include <vector>

/** Sleep and wake through a fake logind on a private bus, into the presence layer's events. */
namespace
{
    std::vector<int> events;

    void recordEvent (void*, void*, OVK_CallbackEvent event) { events.push_back (event); }

    bool sawEvent (int event) { return std::find (events.begin(), events.end(), event) != events.end(); }
}

TEST (LogindPower, SleepReleasesTheDelayLockAndWakeTakesItAgain)
{
    if (FakeLogind::daemonProgram().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus-daemon)";

    ScopedSimulatedHost sim;
    FakeLogind logind;
    ASSERT_TRUE (logind.startBus());

    // A bus without logind, and no bus at all: no power events, and a reason to say.
    {
        LogindPower withoutLogind (sim.host.power);
        EXPECT_FALSE (withoutLogind.start (logind.address()));
        EXPECT_TRUE (withoutLogind.whyUnusable().contains ("logind")) << withoutLogind.whyUnusable();

        LogindPower withoutBus (sim.host.power);
        EXPECT_FALSE (withoutBus.start ("unix:path=/nonexistent/bus"));
        EXPECT_TRUE (withoutBus.whyUnusable().contains ("bus")) << withoutBus.whyUnusable();
    }

    ASSERT_TRUE (logind.startLogind());
    LogindPower power (sim.host.power);
    ASSERT_TRUE (power.start (logind.address())) << power.whyUnusable();
    ASSERT_EQ (logind.inhibitCalls().size(), 1);
    EXPECT_TRUE (logind.inhibitCalls()[0].startsWith ("sleep/Talvo z3 Control/"));
    EXPECT_TRUE (logind.inhibitCalls()[0].endsWith ("/delay"));
    EXPECT_EQ (logind.numHeldLocks(), 1);

    events.clear();
    initDevice (recordEvent, &events, 0x7A1C, 0x0025, "Talvo z3", "Talvo z3", "OVK Vantoraklang GmbH");

    // Someone else's signal is not logind's word.
    logind.sendPrepareForSleepAsImpostor (true);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (200);
    EXPECT_TRUE (events.empty());
    EXPECT_EQ (logind.numHeldLocks(), 1);

    // Sleep: the event, then the acknowledgement lets logind go on.
    logind.sendPrepareForSleep (true);
    ASSERT_TRUE (pumpMessagesUntil ([] { return sawEvent (systemWillSleep); }));
    EXPECT_TRUE (pumpMessagesUntil ([&] { return logind.numHeldLocks() == 0; }));

    // Wake: both wake events, and the lock is held again for the next sleep.
    logind.sendPrepareForSleep (false);
    ASSERT_TRUE (pumpMessagesUntil ([] { return sawEvent (systemHasPoweredOn); }));
    EXPECT_EQ (events, (std::vector<int> { systemWillSleep, systemWillPowerOn, systemHasPoweredOn }));
    EXPECT_TRUE (pumpMessagesUntil ([&] { return logind.inhibitCalls().size() == 2 && logind.numHeldLocks() == 1; }));

    // With no one registered there is no one to wait for: the lock goes at once.
    releaseDeviceNotifications();
    logind.sendPrepareForSleep (true);
    EXPECT_TRUE (pumpMessagesUntil ([&] { return logind.numHeldLocks() == 0; }));

    power.stop();
}
