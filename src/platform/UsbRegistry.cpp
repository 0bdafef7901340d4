#include "platform/UsbRegistry.h"

#include <algorithm>

namespace
{
    constexpr int noSuchObjectStatus = -2;
    constexpr std::uint32_t masterPortValue = 0x0b03;

    /** Creating the plug-in of a device that the system gives no direct access to. */
    constexpr int noDirectAccessStatus = -1;
}

UsbRegistry::UsbRegistry (MessageThreadQueue& queue) : runLoop (queue) {}

int UsbRegistry::getMasterPort (std::uint32_t& port)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto status = faults != nullptr ? faults->masterPortStatus() : 0;
    port = status == 0 ? masterPortValue : 0;
    return status;
}

void UsbRegistry::releaseMasterPort (std::uint32_t) {}

std::optional<UsbMatching> UsbRegistry::makeMatching (const juce::String& className)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);

    if (faults != nullptr && faults->refusesMatching())
        return std::nullopt;

    UsbMatching matching;
    matching.className = className;
    return matching;
}

UsbObject UsbRegistry::createNotificationPort()
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto port = nextObject++;
    ports.push_back (port);
    return port;
}

void UsbRegistry::destroyNotificationPort (UsbObject port)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);

    ports.erase (std::remove (ports.begin(), ports.end(), port), ports.end());

    for (auto it = notifications.begin(); it != notifications.end();)
        it = it->second.port == port ? notifications.erase (it) : std::next (it);
}

int UsbRegistry::addMatchingNotification (UsbObject port, const char* type, const UsbMatching& matching,
                                          UsbNotificationCallback callback, void* refcon, UsbObject& iterator)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    iterator = 0;

    const juce::String typeName (type);

    if (std::find (ports.begin(), ports.end(), port) == ports.end() || callback == nullptr
        || (typeName != matchedNotification && typeName != firstMatchNotification && typeName != terminateNotification))
        return noSuchObjectStatus;

    Notification notification;
    notification.port = port;
    notification.type = typeName;
    notification.matching = matching;
    notification.callback = callback;
    notification.refcon = refcon;

    if (typeName != terminateNotification)
        for (const auto& [id, entry] : entries)
            if (entry.present && matches (matching, entry.description.properties))
                notification.queued.push_back (id);

    iterator = nextObject++;
    notifications.emplace (iterator, std::move (notification));
    return 0;
}

UsbObject UsbRegistry::iteratorNext (UsbObject iterator)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = notifications.find (iterator);

    if (found == notifications.end())
        return 0;

    auto& n = found->second;

    if (n.queued.empty())
    {
        n.armed = true;
        return 0;
    }

    const auto next = n.queued.front();
    n.queued.erase (n.queued.begin());
    return next;
}

int UsbRegistry::releaseObject (UsbObject object)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);

    if (entries.count (object) > 0)
        return faults != nullptr ? faults->releaseStatus (object) : 0;

    if (notifications.erase (object) > 0)
        return 0;

    return noSuchObjectStatus;
}

bool UsbRegistry::readProperties (UsbObject entry, juce::NamedValueSet& out) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = entries.find (entry);

    if (found == entries.end() || (faults != nullptr && ! faults->propertiesReadable (entry)))
        return false;

    out = found->second.description.properties;
    return true;
}

int UsbRegistry::createPlugIn (UsbObject entry, std::shared_ptr<RawUsbPlugIn>& out) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = entries.find (entry);

    if (found == entries.end() || ! found->second.present)
        return noSuchObjectStatus;

    if (found->second.rawState == nullptr)
        return noDirectAccessStatus;

    out = std::make_shared<RawUsbPlugIn> (found->second.rawState, faults != nullptr ? faults->deviceInterfaceStatus (entry) : 0);
    return 0;
}

//==============================================================================
UsbObject UsbRegistry::plugIn (const UsbDeviceDescription& device)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto id = nextObject++;

    std::shared_ptr<RawUsbDeviceState> rawState;

    if (device.rawHardware != nullptr)
    {
        const auto& p = device.properties;
        rawState = std::make_shared<RawUsbDeviceState> (static_cast<std::uint16_t> (static_cast<int> (p["idVendor"])),
                                                        static_cast<std::uint16_t> (static_cast<int> (p["idProduct"])),
                                                        static_cast<std::uint16_t> (static_cast<int> (p["bcdDevice"])),
                                                        device.rawHardware);
    }

    entries[id] = Entry { device, std::move (rawState), true };
    queueForNotifications (id, true);
    return id;
}

void UsbRegistry::unplug (UsbObject entry)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = entries.find (entry);

    if (found == entries.end() || ! found->second.present)
        return;

    found->second.present = false;
    queueForNotifications (entry, false);
}

std::shared_ptr<RawUsbDeviceState> UsbRegistry::rawStateOf (UsbObject entry) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = entries.find (entry);
    return found != entries.end() ? found->second.rawState : nullptr;
}

int UsbRegistry::numNotifications() const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return static_cast<int> (notifications.size());
}

void UsbRegistry::reset()
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    entries.clear();
    notifications.clear();
    ports.clear();
}

void UsbRegistry::injectFaults (Faults* newFaults)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    faults = newFaults;
}

//==============================================================================
bool UsbRegistry::matches (const UsbMatching& matching, const juce::NamedValueSet& properties)
{
    // Every entry is a USB device: nothing else is plugged in here.
    if (matching.className != "IOUSBDevice")
        return false;

    if (matching.vendorId && ! (properties.contains ("idVendor") && static_cast<int> (properties["idVendor"]) == *matching.vendorId))
        return false;

    if (matching.productId && ! (properties.contains ("idProduct") && static_cast<int> (properties["idProduct"]) == *matching.productId))
        return false;

    return true;
}

void UsbRegistry::queueForNotifications (UsbObject entry, bool arriving)
{
    const auto& properties = entries[entry].description.properties;

    for (auto& [iterator, n] : notifications)
    {
        if ((n.type == terminateNotification) == arriving || ! matches (n.matching, properties))
            continue;

        n.queued.push_back (entry);

        if (n.armed)
        {
            // As IOKit does: one delivery per arming, however many entries arrive meanwhile.
            n.armed = false;
            runLoop.post ([this, id = iterator] { deliver (id); });
        }
    }
}

void UsbRegistry::deliver (UsbObject iterator)
{
    UsbNotificationCallback callback = nullptr;
    void* refcon = nullptr;

    {
        const std::lock_guard<std::recursive_mutex> guard (lock);
        const auto found = notifications.find (iterator);

        if (found == notifications.end())
            return;

        callback = found->second.callback;
        refcon = found->second.refcon;
    }

    callback (refcon, iterator);
}
