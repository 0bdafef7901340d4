#include "platform/linux/SystemServices.h"
#include "support/ChildTestRun.h"
#include "support/MockUdevBed.h"
#include "support/SimulatedHostFixture.h"

/** The services as the program starts them: an interface plugged in before the start is in the
    USB registry when start() returns, while sleep and wake are set up on a thread of their own
    that stop() waits for.
*/
namespace
{
    constexpr const char* testbedMarker = "TALVO_SERVICES_TESTBED_CHILD";
    constexpr int talvoVendorId = 0x7A1C, talvoProductId = 0x0025;

    int numTalvoDevices (UsbRegistry& usb)
    {
        auto matching = usb.makeMatching ("IOUSBDevice");

        if (! matching)
            return -1;

        matching->vendorId = talvoVendorId;
        matching->productId = talvoProductId;

        const auto port = usb.createNotificationPort();
        UsbObject iterator = 0;
        usb.addMatchingNotification (port, UsbRegistry::firstMatchNotification, *matching, [] (void*, UsbObject) {}, nullptr, iterator);

        int found = 0;

        while (const auto entry = usb.iteratorNext (iterator))
        {
            ++found;
            usb.releaseObject (entry);
        }

        usb.releaseObject (iterator);
        usb.destroyNotificationPort (port);
        return found;
    }
}

TEST (SystemServices, StopsCleanlyWhileSleepAndWakeAreStillBeingSetUp)
{
    ScopedSimulatedHost sim;

    // Stopped at once, again and again: stop() waits for the set-up thread, whatever it reached.
    for (int i = 0; i < 20; ++i)
    {
        SystemServices services;
        services.start (sim.host, talvoVendorId, talvoProductId);
        services.stop();
    }

    // Started again on the same object, and left to the destructor.
    SystemServices services;
    services.start (sim.host, talvoVendorId, talvoProductId);
    services.start (sim.host, talvoVendorId, talvoProductId);
}

TEST (SystemServices, AnInterfacePluggedInBeforeTheStartIsThereWhenStartReturns)
{
    MockUdevBed::runTestInChild ("SystemServicesInTestbed.DISABLED_PluggedInBeforeTheStart", testbedMarker);
}

// Runs only in the child that the test above starts under umockdev's preload library.
TEST (SystemServicesInTestbed, DISABLED_PluggedInBeforeTheStart)
{
    if (! ChildTestRun::isChild (testbedMarker))
        GTEST_SKIP() << "runs only under umockdev";

    ASSERT_TRUE (MockUdevBed::isActive());
    MockUdevBed bed;   // before anything opens udev
    ScopedSimulatedHost sim;

    bed.addUsbDevice ("1-1", {}, -1);
    ASSERT_EQ (numTalvoDevices (sim.host.usb), 0);

    SystemServices services;
    services.start (sim.host, talvoVendorId, talvoProductId);
    EXPECT_EQ (numTalvoDevices (sim.host.usb), 1);
    services.stop();
}
