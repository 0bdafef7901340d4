#include "platform/linux/SystemServices.h"

#include "platform/linux/UdevPresence.h"

#include <cstdio>

namespace
{
    void sayOnce (const juce::String& what)
    {
        std::fprintf (stderr, "Talvo z3 Control: %s\n", what.toRawUTF8());
    }
}

struct SystemServices::Running
{
    std::unique_ptr<UdevPresence> presence;
};

SystemServices::SystemServices() = default;

SystemServices::~SystemServices()
{
    stop();
}

void SystemServices::start (PlatformHost& host, int vendorId, int productId)
{
    stop();
    running = std::make_unique<Running>();

    UdevPresence::Options options;
    options.vendorId = vendorId;
    options.productId = productId;
    running->presence = std::make_unique<UdevPresence> (host.usb, host.audio, options);

    if (! running->presence->start())
    {
        sayOnce ("the interface cannot be found on this system (" + running->presence->whyUnusable()
                 + "); the panel will keep looking for it in vain.");
        running->presence = nullptr;
    }
}

void SystemServices::stop()
{
    if (running == nullptr)
        return;

    if (running->presence != nullptr)
        running->presence->stop();

    running = nullptr;
}
