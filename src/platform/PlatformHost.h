#pragma once

#include "platform/AudioHardware.h"
#include "platform/MessageThreadQueue.h"
#include "platform/PowerEvents.h"
#include "platform/UsbRegistry.h"

/** The platform services the device link runs on: the USB bus, system power messages and the
    audio hardware, with the message-thread run loop that USB and power notifications arrive on.

    One instance serves the whole process and is never destroyed. The program feeds it from the
    system's own services (SystemServices, started before the panel); tests feed it themselves
    and reset it between cases.
*/
class PlatformHost final
{
public:
    /** The process-wide host. */
    static PlatformHost& get();

    /** Forgets every device, registration and queued notification; for tests, between cases.
        Message thread.
    */
    void reset();

    MessageThreadQueue runLoop;
    UsbRegistry usb { runLoop };
    PowerEvents power { runLoop };
    AudioHardware audio;

private:
    PlatformHost() = default;
};
