#pragma once

#include "platform/MessageThreadQueue.h"
#include "platform/RawUsbDevice.h"

#include <juce_core/juce_core.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

/** A handle to a registry entry, a notification iterator or a notification port; 0 is none. */
using UsbObject = std::uint32_t;

/** Called on the message thread when a notification's iterator has new entries; the callback
    must take them with UsbRegistry::iteratorNext until it returns 0, which arms the notification
    for the next delivery.
*/
using UsbNotificationCallback = void (*) (void* refcon, UsbObject iterator);

/** Which USB devices a notification is about. */
struct UsbMatching
{
    juce::String className;
    std::optional<int> vendorId, productId;
};

/** A USB device as the system's bus presents it when it arrives. */
struct UsbDeviceDescription
{
    /** Registry properties: "idVendor", "idProduct", "USB Vendor Name", "USB Product Name",
        "bcdDevice" (release number); absent keys are simply not there.
    */
    juce::NamedValueSet properties;

    /** The device as it is reached directly; null when the system gives no such access (then
        creating its plug-in fails).
    */
    std::shared_ptr<RawUsbHardware> rawHardware;
};

/** The system's USB devices as the device link sees them: devices that come and go, and the
    matching and termination notifications that report them. What it holds is reported by the
    system's side: on Linux UdevPresence plugs in the interface's USB device as udev finds it;
    tests plug in devices themselves.

    Notifications are delivered through the message-thread queue. The system's side may call
    from any thread; the device link calls on the message thread.
*/
class UsbRegistry final
{
public:
    explicit UsbRegistry (MessageThreadQueue& runLoop);

    /** The notification types. */
    static constexpr const char* matchedNotification = "IOServiceMatched";
    static constexpr const char* firstMatchNotification = "IOServiceFirstMatch";
    static constexpr const char* terminateNotification = "IOServiceTerminate";

    //==============================================================================
    // What the device link asks

    /** The master port; a non-zero status (and port 0) when it cannot be had. */
    int getMasterPort (std::uint32_t& port);
    void releaseMasterPort (std::uint32_t port);

    /** A matching description for a device class; empty when it cannot be created. */
    std::optional<UsbMatching> makeMatching (const juce::String& className);

    /** A notification port; destroying it ends every notification registered on it. */
    UsbObject createNotificationPort();
    void destroyNotificationPort (UsbObject port);

    /** Registers a notification of the given type on a port. A matching notification's iterator
        starts with every present device that matches; a termination notification's starts empty.
        Nothing is delivered until the iterator has been drained once. Returns 0 or a failure.
    */
    int addMatchingNotification (UsbObject port, const char* type, const UsbMatching& matching,
                                 UsbNotificationCallback callback, void* refcon, UsbObject& iterator);

    /** The next entry of an iterator, or 0 when it is empty (which arms its notification). */
    UsbObject iteratorNext (UsbObject iterator);

    /** Releases an entry or an iterator (ending its notification); 0 on success. */
    int releaseObject (UsbObject object);

    /** Copies an entry's properties; false when they cannot be read. */
    bool readProperties (UsbObject entry, juce::NamedValueSet& out) const;

    /** Creates the plug-in through which a device is opened directly; 0 on success. */
    int createPlugIn (UsbObject entry, std::shared_ptr<RawUsbPlugIn>& out) const;

    //==============================================================================
    // The system's side: a backend (or a test in its place) reports what it finds.

    /** Plugs a device in and reports it to the matching notifications. */
    UsbObject plugIn (const UsbDeviceDescription& device);

    /** Unplugs a device and reports it to the termination notifications. Its entry stays readable. */
    void unplug (UsbObject entry);

    //==============================================================================
    // What tests look at; the device link never asks.

    /** What has been done to a device through its direct interfaces; null for a device that
        the system gives no direct access to.
    */
    std::shared_ptr<RawUsbDeviceState> rawStateOf (UsbObject entry) const;

    /** Registered notifications still in force. */
    int numNotifications() const;

    //==============================================================================
    /** Forgets every device and notification. The product's registry lives as long as the
        process; tests reset it between cases.
    */
    void reset();

    /** Test seam: how the registry misbehaves in a test. The product injects none. Consulted
        under the registry's lock, on the message thread.
    */
    class Faults
    {
    public:
        virtual ~Faults() = default;

        /** Status of getting the master port; 0 = it is given. */
        virtual int masterPortStatus() = 0;

        /** True when no matching description can be made. */
        virtual bool refusesMatching() = 0;

        /** False when an entry's properties cannot be read. */
        virtual bool propertiesReadable (UsbObject entry) = 0;

        /** Status of releasing an entry; 0 = released. */
        virtual int releaseStatus (UsbObject entry) = 0;

        /** Status of asking an entry's plug-in for its device interface; 0 = it is given. */
        virtual int deviceInterfaceStatus (UsbObject entry) = 0;
    };

    /** Installs a test's faults (null: none), which must outlive their installation. Any thread. */
    void injectFaults (Faults*);

private:
    struct Entry
    {
        UsbDeviceDescription description;
        std::shared_ptr<RawUsbDeviceState> rawState;
        bool present = true;
    };

    struct Notification
    {
        UsbObject port = 0;
        juce::String type;
        UsbMatching matching;
        UsbNotificationCallback callback = nullptr;
        void* refcon = nullptr;
        std::vector<UsbObject> queued;
        bool armed = false;
    };

    static bool matches (const UsbMatching&, const juce::NamedValueSet& properties);
    void queueForNotifications (UsbObject entry, bool arriving);
    void deliver (UsbObject iterator);

    MessageThreadQueue& runLoop;
    mutable std::recursive_mutex lock;
    UsbObject nextObject = 1;
    Faults* faults = nullptr;
    std::map<UsbObject, Entry> entries;
    std::map<UsbObject, Notification> notifications;
    std::vector<UsbObject> ports;
};
