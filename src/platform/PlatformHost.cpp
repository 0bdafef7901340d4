#include "platform/PlatformHost.h"

PlatformHost& PlatformHost::get()
{
    static PlatformHost host;
    return host;
}

void PlatformHost::reset()
{
    audio.reset();
    runLoop.clear();
    usb.reset();
    power.reset();
}
