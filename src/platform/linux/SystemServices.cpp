#include "platform/linux/SystemServices.h"

#include "platform/linux/LibusbRawDevice.h"
#include "platform/linux/LogindPower.h"
#include "platform/linux/UdevPresence.h"

#include <cstdio>
#include <thread>

namespace
{
    void sayOnce (const juce::String& what)
    {
        std::fprintf (stderr, "Talvo z3 Control: %s\n", what.toRawUTF8());
    }
}

struct SystemServices::Running
{
    std::shared_ptr<LibusbSession> libusb;
    std::unique_ptr<UdevPresence> presence;
    std::unique_ptr<LogindPower> power;

    // Connecting to the system bus and taking the sleep lock wait on other processes, and nothing
    // before the window shows needs them: they happen here, off the start path.
    std::thread powerStarter;
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

    running->libusb = std::make_shared<LibusbSession> ([] (const juce::String& why)
                                                       { sayOnce ("the interface's USB device cannot be opened directly: " + why + "."); });
    running->presence->setRawHardwareFactory ([session = running->libusb] (int bus, int address)
                                              { return std::make_shared<LibusbRawDevice> (session, bus, address); });

    if (! running->presence->start())
    {
        sayOnce ("the interface cannot be found on this system (" + running->presence->whyUnusable()
                 + "); the panel will keep looking for it in vain.");
        running->presence = nullptr;
    }

    running->power = std::make_unique<LogindPower> (host.power);
    running->powerStarter = std::thread ([power = running->power.get()]
                                         {
                                             if (! power->start())
                                                 sayOnce ("no sleep and wake events: " + power->whyUnusable() + ".");
                                         });
}

void SystemServices::stop()
{
    if (running == nullptr)
        return;

    if (running->presence != nullptr)
        running->presence->stop();

    if (running->powerStarter.joinable())
        running->powerStarter.join();

    if (running->power != nullptr)
        running->power->stop();

    running = nullptr;
}
