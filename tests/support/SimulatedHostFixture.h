#pragma once

#include "device/RawUsbDeviceLayer.h"
#include "device/RegisterDeviceCallBacksMac.h"
#include "platform/PlatformClock.h"
#include "platform/PlatformHost.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <cstdio>

/** Gives a test a fresh simulated host in virtual time, and leaves an empty one behind.

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
    }

    ~ScopedSimulatedHost()
    {
        resetEverything();
        PlatformClock::useVirtualTime (false);
    }

    /** The interface's USB device as the bus presents it. */
    static UsbDeviceDescription talvoUsbDevice()
    {
        UsbDeviceDescription d;
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

    /** Plugs in an interface: its two audio devices, then its USB device. */
    PluggedInterface plugInTalvo (SimulatedAudioDevice input = talvoInput(),
                                  SimulatedAudioDevice output = talvoOutput())
    {
        PluggedInterface p;
        p.input = host.audio.addDevice (input);
        p.output = host.audio.addDevice (output);
        p.usb = host.usb.plugIn (talvoUsbDevice());
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

    static void resetEverything()
    {
        releaseDeviceNotifications();
        releaseRawUsbNotifications();
        PlatformHost::get().reset();
        gInAudioObjectID = 0;
        gOutAudioObjectID = 0;
        gUSBdevice = nullptr;
    }

    PlatformHost& host = PlatformHost::get();
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
