#pragma once

#include "platform/AudioHardware.h"
#include "platform/UsbRegistry.h"
#include "platform/linux/AlsaCardDevices.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

struct udev;
struct udev_device;
struct udev_monitor;

/** Feeds the USB registry and the audio hardware from udev: the interface's USB device (by its
    vendor and product id) and the two audio devices of the ALSA card beneath it.

    start() takes what is already present, on the calling thread, so that an interface plugged in
    before the panel starts is there when the panel looks; after that a thread of its own follows
    udev's events and polls the card's rate once a second. The registry and the audio hardware
    tell the device link as they tell it of any device.
*/
class UdevPresence final
{
public:
    struct Options
    {
        int vendorId = 0, productId = 0;
        juce::File procAsound { "/proc/asound" };  ///< where the cards' stream parameters are read
        int ratePollMs = 1000;
    };

    /** Makes the raw USB hardware of a device that arrives, from its bus number and address (may
        return null). Called on the thread that found the device.
    */
    using RawHardwareFactory = std::function<std::shared_ptr<RawUsbHardware> (int busNumber, int address)>;

    UdevPresence (UsbRegistry&, AudioHardware&, Options);
    ~UdevPresence();

    /** Without one (or when it gives nothing), opening a device directly fails at its first step. */
    void setRawHardwareFactory (RawHardwareFactory);

    /** Enumerates and starts following. False when udev cannot be used here; the reason is then
        in whyUnusable() (and nothing else happens). Call once.
    */
    bool start();

    /** Ends the following thread; the devices fed so far stay where they are. */
    void stop();

    juce::String whyUnusable() const { return unusableReason; }

    JUCE_DECLARE_NON_COPYABLE (UdevPresence)

private:
    struct CardState
    {
        juce::String usbSyspath;
        int number = -1;
        AlsaCardDevices::Card card;
        AudioObjectID input = 0, output = 0;
        double rate = AlsaCardDevices::idleRate;
    };

    struct UsbState
    {
        UsbObject entry = 0;
        juce::String vendorName, productName;
    };

    void run();
    void handleEvent (udev_device*);
    void usbArrived (udev_device*);
    void usbRemoved (const juce::String& syspath);
    void refreshCard (udev_device* card);
    void dropCard (const juce::String& syspath);
    void scanCardsOf (const juce::String& usbSyspath);
    void pollRates();
    bool isOurs (udev_device*) const;

    UsbRegistry& usb;
    AudioHardware& audio;
    const Options options;
    RawHardwareFactory rawHardwareFactory;

    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    int wakeFd = -1;
    std::thread thread;
    std::atomic<bool> stopping { false };
    juce::String unusableReason;

    std::map<juce::String, UsbState> usbDevices;   // by syspath
    std::map<juce::String, CardState> cards;       // by syspath
};
