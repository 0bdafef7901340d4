#pragma once

#include "device/RawUsbDeviceLayer.h"
#include "device/RegisterDeviceCallBacksMac.h"
#include "platform/PlatformClock.h"
#include "platform/PlatformHost.h"
#include "support/MessageLoop.h"
#include "support/SimulatedDevices.h"
#include "support/SimulatedHostFaults.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <cstdio>

/** Gives a test a fresh host in virtual time, which the test feeds with simulated devices and
    whose faults it can switch on, and leaves an empty one behind.

    Also clears the device link's file-level state (bound devices, the raw USB handle and every
    registration), which outlives a single test otherwise.
*/
class ScopedSimulatedHost
{
public:
    ScopedSimulatedHost()
    {
        resetEverything();
        PlatformClock::useVirtualTime (true);
        host.audio.injectFaults (&faults);
        host.usb.injectFaults (&faults);
        host.power.injectFaults (&faults);
    }

    ~ScopedSimulatedHost()
    {
        resetEverything();
        host.audio.injectFaults (nullptr);
        host.usb.injectFaults (nullptr);
        host.power.injectFaults (nullptr);
        PlatformClock::useVirtualTime (false);
    }

    /** The interface's USB device as the bus presents it. */
    static SimulatedUsbDevice talvoUsbDevice()
    {
        SimulatedUsbDevice d;
        d.properties.set ("idVendor", 0x7A1C);
        d.properties.set ("idProduct", 0x0025);
        d.properties.set ("USB Vendor Name", "OVK Vantoraklang GmbH");
        d.properties.set ("USB Product Name", "Talvo z3");
        d.properties.set ("bcdDevice", 0x0100);
        return d;
    }

    static SimulatedAudioDevice talvoInput()
    {
        SimulatedAudioDevice d;
        d.uid = "TalvoZ3:in";
        d.name = "Talvo z3";
        d.manufacturer = "OVK Vantoraklang GmbH";
        d.inputBuffers = 1;
        return d;
    }

    static SimulatedAudioDevice talvoOutput()
    {
        auto d = talvoInput();
        d.uid = "TalvoZ3:out";
        d.inputBuffers = 0;
        d.outputBuffers = 1;
        return d;
    }

    struct PluggedInterface
    {
        UsbObject usb = 0;
        AudioObjectID input = 0, output = 0;
    };

    /** Adds an audio device to the end of the system list, with its faults. */
    AudioObjectID addAudioDevice (const SimulatedAudioDevice& device)
    {
        const auto id = host.audio.addDevice (device.description());
        faults.addAudioDevice (id, device);
        return id;
    }

    /** Plugs a USB device in, with its faults. Call it on the message thread, or while that
        waits: its notifications are delivered there, and its faults are known only on return.
    */
    UsbObject plugInUsb (const SimulatedUsbDevice& device)
    {
        const auto entry = host.usb.plugIn (device.description());
        faults.addUsbDevice (entry, device);
        return entry;
    }

    /** Plugs in an interface: its two audio devices, then its USB device. */
    PluggedInterface plugInTalvo (const SimulatedAudioDevice& input = talvoInput(),
                                  const SimulatedAudioDevice& output = talvoOutput())
    {
        PluggedInterface p;
        p.input = addAudioDevice (input);
        p.output = addAudioDevice (output);
        p.usb = plugInUsb (talvoUsbDevice());
        return p;
    }

    /** Delivers the USB and power notifications queued for the message thread. */
    void deliverRunLoop()
    {
        host.runLoop.deliverPending();
    }

    /** Runs the message loop until the audio notification thread has nothing left to deliver
        (and a listener waiting for the message thread has been let in). False on time-out.
    */
    bool waitForAudioNotifications (int timeoutMs = 5000)
    {
        if (! pumpMessagesUntil ([this] { return ! host.audio.isDelivering(); }, timeoutMs))
            return false;

        deliverRunLoop();
        return true;
    }

    /** An empty host without faults, and the device link's state cleared. */
    void resetEverything()
    {
        releaseDeviceNotifications();
        releaseRawUsbNotifications();
        host.reset();
        faults.forgetAll();
        gInAudioObjectID = 0;
        gOutAudioObjectID = 0;
        gUSBdevice = nullptr;
    }

    PlatformHost& host = PlatformHost::get();
    SimulatedHostFaults faults;
};

/** Captures what the code under test prints to standard output. */
class CapturedStdout
{
public:
    CapturedStdout() { ::testing::internal::CaptureStdout(); }

    ~CapturedStdout()
    {
        if (! taken)
            take();
    }

    std::string take()
    {
        std::fflush (stdout);
        taken = true;
        return ::testing::internal::GetCapturedStdout();
    }

private:
    bool taken = false;
};
