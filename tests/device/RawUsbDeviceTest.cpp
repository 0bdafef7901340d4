#include "support/SimulatedHostFixture.h"

#include <gtest/gtest.h>

namespace
{
    class RawUsbDevice : public ::testing::Test
    {
    protected:
        ~RawUsbDevice() override
        {
            CapturedStdout quiet;
            releaseUSBDevice();
        }

        /** Registers with nothing plugged in; what that prints is not the point here. */
        void registerQuietly()
        {
            CapturedStdout quiet;
            registerRawUsbNotifications();
        }

        /** Plugs a device in and returns what its arrival printed. */
        std::string plugIn (const SimulatedUsbDevice& device, UsbObject* entry = nullptr)
        {
            CapturedStdout out;
            const auto id = sim.plugInUsb (device);
            sim.deliverRunLoop();

            if (entry != nullptr)
                *entry = id;

            return out.take();
        }

        static SimulatedUsbDevice talvoWith (RawUsbScript script)
        {
            auto d = ScopedSimulatedHost::talvoUsbDevice();
            d.raw = script;
            return d;
        }

        ScopedSimulatedHost sim;
    };

    const std::string removedLine = "Raw Device Removed called....\n";
    const std::string addedLine = "Raw Device Added called....\n";
    const std::string talvoLines = "device (vendor = 7A1C, product = 25 , realse = 100)\n"
                                   "Found device (vendor = 31260, product = 37, release = 256)\n";
}

TEST_F (RawUsbDevice, RegistrationOpensAnInterfaceAlreadyPluggedIn)
{
    const auto entry = sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.host.runLoop.clear();

    CapturedStdout out;
    registerRawUsbNotifications();
    EXPECT_EQ (out.take(), removedLine + removedLine + addedLine + talvoLines);

    ASSERT_NE (gUSBdevice, nullptr);
    const auto state = sim.host.usb.rawStateOf (entry);
    EXPECT_EQ (gUSBdevice->getState(), state);
    EXPECT_TRUE (state->isOpen());
    EXPECT_EQ (state->selectedConfiguration(), 1);
    EXPECT_EQ (state->numLiveInterfaces(), 1);
}

TEST_F (RawUsbDevice, UnpluggingForgetsTheHandleWithoutClosingIt)
{
    registerQuietly();
    UsbObject entry = 0;
    EXPECT_EQ (plugIn (ScopedSimulatedHost::talvoUsbDevice(), &entry), addedLine + talvoLines);
    ASSERT_NE (gUSBdevice, nullptr);

    CapturedStdout out;
    sim.host.usb.unplug (entry);
    sim.deliverRunLoop();
    EXPECT_EQ (out.take(), removedLine);

    EXPECT_EQ (gUSBdevice, nullptr);
    const auto state = sim.host.usb.rawStateOf (entry);
    EXPECT_EQ (state->numCloses(), 0);
    EXPECT_EQ (state->numLiveInterfaces(), 0);
}

TEST_F (RawUsbDevice, ReleasingClosesTheHandleAndReportsFailedReleases)
{
    registerQuietly();
    auto device = ScopedSimulatedHost::talvoUsbDevice();
    device.releaseStatus = 5;
    UsbObject entry = 0;
    plugIn (device, &entry);
    const auto state = sim.host.usb.rawStateOf (entry);

    CapturedStdout out;
    releaseUSBDevice();
    EXPECT_EQ (out.take(), removedLine);
    EXPECT_EQ (gUSBdevice, nullptr);
    EXPECT_FALSE (state->isOpen());
    EXPECT_EQ (state->numCloses(), 1);

    CapturedStdout removal;
    sim.host.usb.unplug (entry);
    sim.deliverRunLoop();
    EXPECT_EQ (removal.take(), removedLine + "Couldn’t release raw device object: 00000005\n");
}

TEST_F (RawUsbDevice, AnotherProductOfTheVendorIsLoggedAsUnwantedAndNotOpened)
{
    registerQuietly();

    // A wider registration than the panel's own, so that the check inside the callback is reached.
    auto& usb = sim.host.usb;
    const auto port = usb.createNotificationPort();
    UsbMatching vendorOnly { "IOUSBDevice", 0x7A1C, std::nullopt };
    UsbObject iterator = 0;
    ASSERT_EQ (usb.addMatchingNotification (port, UsbRegistry::firstMatchNotification, vendorOnly,
                                            RawDeviceAdded, nullptr, iterator), 0);
    {
        CapturedStdout quiet;
        RawDeviceAdded (nullptr, iterator);
    }

    auto other = ScopedSimulatedHost::talvoUsbDevice();
    other.properties.set ("idProduct", 0x0026);
    UsbObject entry = 0;

    EXPECT_EQ (plugIn (other, &entry), addedLine
                                       + "device (vendor = 7A1C, product = 26 , realse = 100)\n"
                                         "Found unwanted device (vendor = 7A1C, product = 26)\n");
    EXPECT_EQ (sim.host.usb.rawStateOf (entry)->numOpens(), 0);
    EXPECT_EQ (sim.host.usb.rawStateOf (entry)->numLiveInterfaces(), 0);
    EXPECT_EQ (gUSBdevice, nullptr);
}

TEST_F (RawUsbDevice, EachFailingStepIsLoggedAndTheDeviceSkipped)
{
    struct Case
    {
        const char* what;
        RawUsbScript script;
        std::string expected;
        int closes;
    };

    RawUsbScript plugIn, query, open, descriptor, set, none;
    plugIn.reachable = false;
    query.queryInterfaceResult = static_cast<int> (0x80000004);
    open.openStatus = static_cast<int> (0xe00002c5);
    descriptor.configurationDescriptorStatus = 0x2c2;
    set.setConfigurationStatus = 0x2c0;
    none.configurations.clear();

    const Case cases[] = {
        { "plug-in", plugIn, "Unable to create a plug-in (ffffffff)\n", 0 },
        { "interface", query, "Couldn’t create a device interface (80000004)\n", 0 },
        { "open", open, talvoLines + "Unable to open device: e00002c5\n", 0 },
        { "descriptor", descriptor, talvoLines + "Couldn’t get configuration descriptor for index 0 (err = 000002c2)\n"
                                                 "Unable to configure device: ffffffff\n", 1 },
        { "set", set, talvoLines + "Couldn’t set configuration to value 1 (err = 000002c0)\n"
                                   "Unable to configure device: ffffffff\n", 1 },
        { "no configuration", none, talvoLines + "Unable to configure device: ffffffff\n", 1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        sim.resetEverything();
        registerQuietly();

        UsbObject entry = 0;
        EXPECT_EQ (RawUsbDevice::plugIn (talvoWith (c.script), &entry), addedLine + c.expected);
        EXPECT_EQ (gUSBdevice, nullptr);

        const auto state = sim.host.usb.rawStateOf (entry);

        if (! c.script.reachable)
        {
            EXPECT_EQ (state, nullptr);
            continue;
        }

        EXPECT_FALSE (state->isOpen());
        EXPECT_EQ (state->numCloses(), c.closes);
        EXPECT_EQ (state->numLiveInterfaces(), 0);
    }
}

TEST_F (RawUsbDevice, AFailedDeviceLeavesTheHeldHandleAlone)
{
    registerQuietly();
    UsbObject first = 0;
    plugIn (ScopedSimulatedHost::talvoUsbDevice(), &first);

    RawUsbScript set;
    set.setConfigurationStatus = 0x2c0;
    plugIn (talvoWith (set));

    ASSERT_NE (gUSBdevice, nullptr);
    EXPECT_EQ (gUSBdevice->getState(), sim.host.usb.rawStateOf (first));
    EXPECT_TRUE (gUSBdevice->getState()->isOpen());
}

TEST_F (RawUsbDevice, ASecondMatchingDeviceReplacesAndClosesTheFirst)
{
    registerQuietly();
    UsbObject first = 0, second = 0;
    plugIn (ScopedSimulatedHost::talvoUsbDevice(), &first);
    plugIn (ScopedSimulatedHost::talvoUsbDevice(), &second);

    ASSERT_NE (gUSBdevice, nullptr);
    EXPECT_EQ (gUSBdevice->getState(), sim.host.usb.rawStateOf (second));
    EXPECT_FALSE (sim.host.usb.rawStateOf (first)->isOpen());
    EXPECT_EQ (sim.host.usb.rawStateOf (first)->numLiveInterfaces(), 0);
}

TEST_F (RawUsbDevice, RegistrationFailuresAreLoggedAndLeaveNoHandle)
{
    sim.plugInUsb (ScopedSimulatedHost::talvoUsbDevice());
    sim.host.runLoop.clear();

    sim.faults.setMasterPortStatus (static_cast<int> (0xe00002c7));
    {
        CapturedStdout out;
        registerRawUsbNotifications();
        EXPECT_EQ (out.take(), removedLine + "ERR: Couldn’t create a master I/O Kit port(e00002c7)\n");
    }

    sim.faults.setMasterPortStatus (0);
    sim.faults.setMatchingRefused (true);
    {
        CapturedStdout out;
        registerRawUsbNotifications();
        EXPECT_EQ (out.take(), removedLine + "Couldn’t create a USB matching dictionary\n");
    }

    EXPECT_EQ (gUSBdevice, nullptr);
    EXPECT_EQ (sim.host.usb.numNotifications(), 0);
}

namespace
{
    /** A device on the system's bus as the raw interface sees it, counting what is asked of it. */
    struct CountingHardware final : public RawUsbHardware
    {
        int open() override { ++opens; return openStatus; }
        int close() override { ++closes; return 0; }
        int getNumberOfConfigurations (std::uint8_t& n) override { n = 1; return 0; }
        int getConfigurationValue (std::uint8_t, std::uint8_t& v) override { v = 1; return 0; }
        int setConfiguration (std::uint8_t v) override { configured = v; return 0; }

        int opens = 0, closes = 0, openStatus = 0;
        std::uint8_t configured = 0;
    };
}

TEST_F (RawUsbDevice, ARealDeviceIsAskedInsteadOfTheScriptAndGivenBackWhenItsHandleGoes)
{
    registerQuietly();
    auto hardware = std::make_shared<CountingHardware>();
    auto device = talvoWith ({ false, 5, 5, {}, 5, 5 });   // every scripted step would fail
    device.rawHardware = hardware;

    UsbObject entry = 0;
    EXPECT_EQ (plugIn (device, &entry), addedLine + talvoLines);
    ASSERT_NE (gUSBdevice, nullptr);
    EXPECT_EQ (hardware->opens, 1);
    EXPECT_EQ (hardware->configured, 1);

    // Unplugged: the layer forgets the handle without closing it, and the system's handle is
    // given back with it rather than kept open for good.
    {
        CapturedStdout quiet;
        sim.host.usb.unplug (entry);
        sim.deliverRunLoop();
    }
    EXPECT_EQ (gUSBdevice, nullptr);
    EXPECT_EQ (hardware->closes, 1);

    // A device the system will not open is logged with the system's status.
    auto refused = std::make_shared<CountingHardware>();
    refused->openStatus = -3;
    device.rawHardware = refused;
    EXPECT_EQ (plugIn (device), addedLine + talvoLines + "Unable to open device: fffffffd\n");
    EXPECT_EQ (gUSBdevice, nullptr);
    EXPECT_EQ (refused->closes, 0);
}
