#include "platform/linux/UdevPresence.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

namespace
{
    juce::String text (const char* s) { return s != nullptr ? juce::String::fromUTF8 (s) : juce::String(); }

    juce::String sysattr (udev_device* d, const char* name)
    {
        return text (udev_device_get_sysattr_value (d, name)).trim();
    }

    /** A USB id attribute ("7a1c"); -1 when it is not a hexadecimal number. */
    int hexId (const juce::String& value)
    {
        if (value.isEmpty() || value.length() > 4 || ! value.containsOnly ("0123456789abcdefABCDEF"))
            return -1;

        return value.getHexValue32();
    }

    bool isUsbDevice (udev_device* d)
    {
        return text (udev_device_get_subsystem (d)) == "usb" && text (udev_device_get_devtype (d)) == "usb_device";
    }

    struct EnumerateDeleter { void operator() (udev_enumerate* e) const { udev_enumerate_unref (e); } };
    struct DeviceDeleter    { void operator() (udev_device* d) const { udev_device_unref (d); } };
    using Enumeration = std::unique_ptr<udev_enumerate, EnumerateDeleter>;
    using Device = std::unique_ptr<udev_device, DeviceDeleter>;

    template <typename Visit>
    void forEachListed (udev* context, udev_enumerate* e, Visit&& visit)
    {
        udev_enumerate_scan_devices (e);

        for (auto* item = udev_enumerate_get_list_entry (e); item != nullptr; item = udev_list_entry_get_next (item))
            if (Device d { udev_device_new_from_syspath (context, udev_list_entry_get_name (item)) })
                visit (d.get());
    }
}

UdevPresence::UdevPresence (UsbRegistry& registry, AudioHardware& hardware, Options o)
    : usb (registry), audio (hardware), options (std::move (o))
{
}

UdevPresence::~UdevPresence()
{
    stop();

    if (monitor != nullptr)
        udev_monitor_unref (monitor);

    if (context != nullptr)
        udev_unref (context);

    if (wakeFd >= 0)
        ::close (wakeFd);
}

void UdevPresence::setRawHardwareFactory (RawHardwareFactory factory)
{
    rawHardwareFactory = std::move (factory);
}

bool UdevPresence::start()
{
    // udev describes devices from sysfs; without it there is nothing to enumerate or follow.
    if (::access ("/sys/devices", R_OK) != 0)
    {
        unusableReason = "/sys is not mounted (a container?)";
        return false;
    }

    context = udev_new();

    if (context == nullptr)
    {
        unusableReason = "udev cannot be used";
        return false;
    }

    // The monitor is set up before the enumeration, so that nothing slips between the two.
    monitor = udev_monitor_new_from_netlink (context, "udev");

    if (monitor == nullptr
        || udev_monitor_filter_add_match_subsystem_devtype (monitor, "usb", "usb_device") < 0
        || udev_monitor_filter_add_match_subsystem_devtype (monitor, "sound", nullptr) < 0
        || udev_monitor_enable_receiving (monitor) < 0)
    {
        unusableReason = "udev's event channel cannot be opened";
        return false;
    }

    wakeFd = ::eventfd (0, EFD_CLOEXEC | EFD_NONBLOCK);

    if (wakeFd < 0)
    {
        unusableReason = "no event descriptor for the udev thread";
        return false;
    }

    if (Enumeration e { udev_enumerate_new (context) })
    {
        udev_enumerate_add_match_subsystem (e.get(), "usb");
        udev_enumerate_add_match_property (e.get(), "DEVTYPE", "usb_device");
        forEachListed (context, e.get(), [this] (udev_device* d) { usbArrived (d); });
    }

    thread = std::thread ([this] { run(); });
    return true;
}

void UdevPresence::stop()
{
    if (! thread.joinable())
        return;

    stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write (wakeFd, &one, sizeof (one));
    thread.join();
}

//==============================================================================
void UdevPresence::run()
{
    using Clock = std::chrono::steady_clock;
    auto nextPoll = Clock::now() + std::chrono::milliseconds (options.ratePollMs);

    while (! stopping)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds> (nextPoll - Clock::now()).count();
        pollfd fds[] = { { udev_monitor_get_fd (monitor), POLLIN, 0 }, { wakeFd, POLLIN, 0 } };

        if (left > 0 && ::poll (fds, 2, static_cast<int> (left)) > 0 && (fds[0].revents & POLLIN) != 0)
            while (Device d { udev_monitor_receive_device (monitor) })
                handleEvent (d.get());

        if (Clock::now() >= nextPoll)
        {
            pollRates();
            nextPoll = Clock::now() + std::chrono::milliseconds (options.ratePollMs);
        }
    }
}

void UdevPresence::handleEvent (udev_device* d)
{
    const auto action = text (udev_device_get_action (d));
    const auto syspath = text (udev_device_get_syspath (d));

    if (isUsbDevice (d))
    {
        if (action == "add")
            usbArrived (d);
        else if (action == "remove")
            usbRemoved (syspath);

        return;
    }

    const auto name = text (udev_device_get_sysname (d));

    if (name.startsWith ("card"))
    {
        if (action == "remove")
            dropCard (syspath);
        else
            refreshCard (d);
    }
    else if (name.startsWith ("pcmC") && action == "add")
    {
        if (auto* card = udev_device_get_parent (d))
            refreshCard (card);
    }
}

bool UdevPresence::isOurs (udev_device* d) const
{
    return hexId (sysattr (d, "idVendor")) == options.vendorId && hexId (sysattr (d, "idProduct")) == options.productId;
}

void UdevPresence::usbArrived (udev_device* d)
{
    const auto syspath = text (udev_device_get_syspath (d));

    if (! isOurs (d) || usbDevices.count (syspath) > 0)
        return;

    UsbDeviceDescription description;
    auto& p = description.properties;
    p.set ("idVendor", options.vendorId);
    p.set ("idProduct", options.productId);

    if (const auto release = sysattr (d, "bcdDevice"); hexId (release) >= 0)
        p.set ("bcdDevice", hexId (release));

    UsbState state;
    state.vendorName = sysattr (d, "manufacturer");
    state.productName = sysattr (d, "product");

    // Absent strings stay absent, as the registry would leave them.
    if (state.vendorName.isNotEmpty())
        p.set ("USB Vendor Name", state.vendorName);

    if (state.productName.isNotEmpty())
        p.set ("USB Product Name", state.productName);

    if (rawHardwareFactory)
        description.rawHardware = rawHardwareFactory (sysattr (d, "busnum").getIntValue(), sysattr (d, "devnum").getIntValue());

    // The cards first: when the registry tells the panel, its audio devices should be there.
    usbDevices[syspath] = state;
    scanCardsOf (syspath);
    usbDevices[syspath].entry = usb.plugIn (description);
}

void UdevPresence::usbRemoved (const juce::String& syspath)
{
    const auto found = usbDevices.find (syspath);

    if (found == usbDevices.end())
        return;

    const auto entry = found->second.entry;
    usbDevices.erase (found);

    for (auto it = cards.begin(); it != cards.end();)
    {
        if (it->second.usbSyspath == syspath)
        {
            for (auto id : { it->second.input, it->second.output })
                if (id != 0)
                    audio.removeDevice (id);

            it = cards.erase (it);
        }
        else
        {
            ++it;
        }
    }

    usb.unplug (entry);
}

void UdevPresence::scanCardsOf (const juce::String& usbSyspath)
{
    Enumeration e { udev_enumerate_new (context) };

    if (e == nullptr)
        return;

    udev_enumerate_add_match_subsystem (e.get(), "sound");
    udev_enumerate_add_match_sysname (e.get(), "card*");
    forEachListed (context, e.get(), [&] (udev_device* card)
    {
        if (text (udev_device_get_syspath (card)).startsWith (usbSyspath + "/"))
            refreshCard (card);
    });
}

void UdevPresence::refreshCard (udev_device* cardDevice)
{
    auto* parent = udev_device_get_parent_with_subsystem_devtype (cardDevice, "usb", "usb_device");

    if (parent == nullptr)
        return;

    const auto usbSyspath = text (udev_device_get_syspath (parent));
    const auto owner = usbDevices.find (usbSyspath);

    if (owner == usbDevices.end())
        return;

    const auto syspath = text (udev_device_get_syspath (cardDevice));
    auto& state = cards[syspath];
    state.usbSyspath = usbSyspath;
    state.number = sysattr (cardDevice, "number").getIntValue();
    state.card = {};
    state.card.id = sysattr (cardDevice, "id");

    if (Enumeration e { udev_enumerate_new (context) })
    {
        udev_enumerate_add_match_parent (e.get(), cardDevice);
        udev_enumerate_add_match_subsystem (e.get(), "sound");
        udev_enumerate_scan_devices (e.get());

        for (auto* item = udev_enumerate_get_list_entry (e.get()); item != nullptr; item = udev_list_entry_get_next (item))
            AlsaCardDevices::countPcm (state.card, juce::File (text (udev_list_entry_get_name (item))).getFileName());
    }

    if (const auto rate = AlsaCardDevices::runningRate (options.procAsound.getChildFile ("card" + juce::String (state.number))))
        state.rate = *rate;

    // A direction is published once, when its first stream shows; later streams change nothing.
    for (auto [scope, id] : { std::pair { AudioProperty::scopeInput, &state.input },
                              std::pair { AudioProperty::scopeOutput, &state.output } })
        if (*id == 0)
            if (const auto device = AlsaCardDevices::deviceFor (state.card, scope, owner->second.vendorName,
                                                                owner->second.productName, state.rate))
                *id = audio.addDevice (*device);
}

void UdevPresence::dropCard (const juce::String& syspath)
{
    const auto found = cards.find (syspath);

    if (found == cards.end())
        return;

    for (auto id : { found->second.input, found->second.output })
        if (id != 0)
            audio.removeDevice (id);

    cards.erase (found);
}

void UdevPresence::pollRates()
{
    for (auto& [syspath, state] : cards)
    {
        // A card that runs no stream keeps the rate it last ran at.
        const auto rate = AlsaCardDevices::runningRate (options.procAsound.getChildFile ("card" + juce::String (state.number)));

        if (! rate || *rate == state.rate)
            continue;

        state.rate = *rate;

        for (auto id : { state.input, state.output })
            if (id != 0)
                audio.changeNominalRate (id, *rate);
    }
}
