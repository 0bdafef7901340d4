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

/** A USB device as the simulated bus presents it. */
struct UsbDeviceDescription
{
    /** Registry properties: "idVendor", "idProduct", "USB Vendor Name", "USB Product Name",
        "bcdDevice" (release number); absent keys are simply not there.
    */
    juce::NamedValueSet properties;

    bool propertiesReadable = true;   ///< false: reading the properties fails
    int releaseStatus = 0;            ///< status of releasing this entry, 0 = success
    RawUsbScript raw;                 ///< how the device behaves when opened directly
    std::shared_ptr<RawUsbHardware> rawHardware; ///< a device on the system's bus: used instead of raw
};

/** The USB device registry of the simulated host: devices that come and go, and the matching and
    termination notifications that report them.

    Notifications are delivered through the message-thread queue. Script functions may be called
    from any thread; the platform functions are called on the message thread.
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
    // Platform side

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

    /** Releases an entry (returning its scripted status) or an iterator (ending its notification). */
    int releaseObject (UsbObject object);

    /** Copies an entry's properties; false when they cannot be read. */
    bool readProperties (UsbObject entry, juce::NamedValueSet& out) const;

    /** Creates the plug-in through which a device is opened directly; 0 on success. */
    int createPlugIn (UsbObject entry, std::shared_ptr<RawUsbPlugIn>& out) const;

    //==============================================================================
    // Script side

    /** Plugs a device in and reports it to the matching notifications. */
    UsbObject plugIn (const UsbDeviceDescription& device);

    /** Unplugs a device and reports it to the termination notifications. Its entry stays readable. */
    void unplug (UsbObject entry);

    /** What has been done to a device through its direct interfaces. */
    std::shared_ptr<RawUsbDeviceState> rawStateOf (UsbObject entry) const;

    void setMasterPortStatus (int status);
    void setMatchingFails (bool shouldFail);

    /** Registered notifications still in force. */
    int numNotifications() const;

    /** Forgets every device and notification. */
    void reset();

private:
    struct Entry
    {
        UsbDeviceDescription description;
        std::shared_ptr<RawUsbDeviceState> raw;
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
    int masterPortStatus = 0;
    bool matchingFails = false;
    std::map<UsbObject, Entry> entries;
    std::map<UsbObject, Notification> notifications;
    std::vector<UsbObject> ports;
};
