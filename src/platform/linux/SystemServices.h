#pragma once

#include "platform/PlatformHost.h"

#include <memory>

/** Feeds the process-wide platform host from Linux's own services: USB and audio-device
    presence from udev and the ALSA card, sleep and wake from systemd-logind, and the raw USB
    handle through libusb. The program starts it before the panel; tests feed the host
    themselves.

    A service that cannot be used here is left out, and why is said once on standard error; the
    panel then runs as it would without that part of the system. Message thread.
*/
class SystemServices final
{
public:
    SystemServices();
    ~SystemServices();

    /** Starts every service that can run here, for the interface with these USB ids. The USB
        devices already present are reported before it returns; sleep and wake are set up on a
        thread of their own.
    */
    void start (PlatformHost&, int vendorId, int productId);

    /** Ends the services' threads; what they fed stays in the host. */
    void stop();

private:
    struct Running;
    std::unique_ptr<Running> running;
};
