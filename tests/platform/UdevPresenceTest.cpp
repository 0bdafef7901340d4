#include "platform/linux/LibusbRawDevice.h"
#include "platform/linux/UdevPresence.h"
#include "support/ChildTestRun.h"
#include "support/MessageLoop.h"
#include "support/MockUdevBed.h"
#include "support/PanelFixture.h"
#include "support/SimulatedHostFixture.h"
#include "support/SimulatedTalvoZ3.h"

/** The interface found through udev: umockdev test beds stand in for the kernel's devices. The
    bed works only in a process that runs under umockdev's preload library, so each test here runs
    its body in a child process started that way.
*/
namespace
{
    constexpr const char* testbedMarker = "TALVO_UDEV_TESTBED_CHILD";

    /** Runs the named test in a child under umockdev's preload library; it must pass there. */
    void runInTestbed (const juce::String& filter)
    {
        MockUdevBed::runTestInChild (filter, testbedMarker);
    }

    void writeHwParams (const juce::File& procAsound, const juce::String& text)
    {
        const auto file = procAsound.getChildFile ("card1/pcm0p/sub0/hw_params");
        file.getParentDirectory().createDirectory();
        file.replaceWithText (text);
    }
}

TEST (UdevPresence, TheInterfaceArrivesAndLeavesThroughUdev)
{
    runInTestbed ("UdevPresenceInTestbed.DISABLED_WholeRoad");
}

// Runs only in the child that the test above starts under the preload library.
TEST (UdevPresenceInTestbed, DISABLED_WholeRoad)
{
    if (! ChildTestRun::isChild (testbedMarker))
        GTEST_SKIP() << "runs only under umockdev, started by its UdevPresence test";
    ASSERT_TRUE (MockUdevBed::isActive());
    MockUdevBed bed;   // before anything opens udev

    FreshSettingsFile freshSettings;
    ScopedSimulatedHost sim;
    PlatformClock::useVirtualTime (false);   // the card shows a moment after its USB device, as in life
    SimulatedMidiPorts ports;
    SimulatedTalvoZ3 interface { ports };
    interface.setFirmwareVersions ("v10f", "v117");

    const auto proc = juce::File::createTempFile ("asound");
    proc.createDirectory();
    writeHwParams (proc, "closed\n");

    // Present at start, next to a device of another maker: found by the enumeration.
    auto talvo = bed.addUsbDevice ("1-1", {}, 1);
    MockUdevBed::UsbStrings mouse { "046d", "c52b", "Logitech", "USB Receiver" };
    bed.addUsbDevice ("1-2", mouse, 0);

    UdevPresence::Options options;
    options.vendorId = 0x7A1C;
    options.productId = 0x0025;
    options.procAsound = proc;
    options.ratePollMs = 100;
    UdevPresence presence (sim.host.usb, sim.host.audio, options);
    ASSERT_TRUE (presence.start()) << presence.whyUnusable();

    std::uint32_t listBytes = 0;
    sim.host.audio.getDeviceListSize (listBytes);
    EXPECT_EQ (listBytes, 8u);   // the interface's input and output, not the other card

    const auto connected = [&] (const std::unique_ptr<MainComponent>& panel)
    {
        return pumpMessagesUntil ([&] { return interface.numReceived (0x78) > 0 && ! panel->m_elementsDisabled; }, 15000)
            && interface.waitUntilIdle();
    };

    interface.plugIn();
    auto panel = std::make_unique<MainComponent> (ports);
    ASSERT_TRUE (connected (panel));
    EXPECT_EQ (panel->m_mixer.sampleRate, 48000.0);   // no stream runs yet

    // A stream starts at another rate: noticed by the poll and taken over by the panel.
    writeHwParams (proc, "access: MMAP_INTERLEAVED\nformat: S32_LE\nchannels: 2\nrate: 44100 (44100/1)\n");
    EXPECT_TRUE (pumpMessagesUntil ([&] { return panel->m_mixer.sampleRate == 44100.0; }, 5000));

    // Unplugged, with the removal reported twice: "Looking for Device", the ports closed.
    interface.unplug();
    bed.remove (talvo, 2);
    ASSERT_TRUE (pumpMessagesUntil ([&] { return panel->m_elementsDisabled && ports.numOpenOutputs() == 0; }, 5000));
    sim.host.audio.getDeviceListSize (listBytes);
    EXPECT_EQ (listBytes, 0u);

    // Plugged in again (into another port) while the panel runs: the events alone bring it back.
    interface.clearReceived();
    interface.plugIn();
    talvo = bed.addUsbDevice ("1-4", {}, 2);   // this umockdev keeps removed names taken
    ASSERT_TRUE (connected (panel));

    panel = nullptr;
    presence.stop();
    proc.deleteRecursively();
}

TEST (UdevPresence, TheRawHandleIsOpenedThroughLibusb)
{
    runInTestbed ("UdevPresenceInTestbed.DISABLED_RawHandle");
}

TEST (UdevPresenceInTestbed, DISABLED_RawHandle)
{
    if (! ChildTestRun::isChild (testbedMarker))
        GTEST_SKIP() << "runs only under umockdev, started by its UdevPresence test";
    ASSERT_TRUE (MockUdevBed::isActive());
    MockUdevBed bed;

    // One interface already in its first configuration, and one in another configuration, which
    // would take a request the bed cannot answer.
    ASSERT_TRUE (bed.addOpenableUsbDevice ("1-1", 1).isNotEmpty());
    ASSERT_TRUE (bed.addOpenableUsbDevice ("1-5", 2).isNotEmpty());

    ScopedSimulatedHost sim;
    const auto session = std::make_shared<LibusbSession>();

    UdevPresence::Options options;
    options.vendorId = 0x7A1C;
    options.productId = 0x0025;
    UdevPresence presence (sim.host.usb, sim.host.audio, options);
    presence.setRawHardwareFactory ([session] (int bus, int address)
                                    { return std::make_shared<LibusbRawDevice> (session, bus, address); });
    ASSERT_TRUE (presence.start());

    CapturedStdout out;
    registerRawUsbNotifications();
    const auto printed = juce::String (out.take());

    EXPECT_TRUE (printed.contains ("Found device (vendor = 31260, product = 37, release = 256)")) << printed;
    EXPECT_TRUE (printed.contains ("Couldn’t set configuration to value 1 (err = ")) << printed;
    EXPECT_TRUE (printed.contains ("Unable to configure device: ffffffff")) << printed;
    EXPECT_FALSE (printed.contains ("Unable to open device")) << printed;
    ASSERT_NE (gUSBdevice, nullptr);
    EXPECT_EQ (gUSBdevice->getDeviceReleaseNumber(), 0x0100);

    {
        CapturedStdout quiet;
        releaseUSBDevice();
        releaseRawUsbNotifications();
    }

    presence.stop();
}
