#include "device/RawUsbDeviceLayer.h"

#include "platform/PlatformHost.h"

#include <cstdio>

std::shared_ptr<RawUsbDeviceInterface> gUSBdevice;

namespace
{
    // This layer's own notification port, a namesake of the presence layer's.
    UsbObject gNotifyPort = 0;
    UsbObject gRawAddedIter = 0;
    UsbObject gRawRemovedIter = 0;

    constexpr int configureFailed = -1;

    UsbRegistry& usb() { return PlatformHost::get().usb; }

    unsigned int hex (int status) { return static_cast<unsigned int> (status); }

    int configureDevice (RawUsbDeviceInterface& device)
    {
        std::uint8_t numberConfigurations = 0;
        device.getNumberOfConfigurations (numberConfigurations);

        if (numberConfigurations == 0)
            return configureFailed;

        std::uint8_t value = 0;

        if (const auto status = device.getConfigurationValue (0, value); status != 0)
        {
            std::printf ("Couldn’t get configuration descriptor for index %d (err = %08x)\n", 0, hex (status));
            return configureFailed;
        }

        if (const auto status = device.setConfiguration (value); status != 0)
        {
            std::printf ("Couldn’t set configuration to value %d (err = %08x)\n", static_cast<int> (value), hex (status));
            return configureFailed;
        }

        return 0;
    }
}

void releaseUSBDevice()
{
    if (gUSBdevice != nullptr)
    {
        gUSBdevice->close();
        gUSBdevice = nullptr;
    }

    RawDeviceRemoved (nullptr, gRawRemovedIter);
}

void releaseRawUsbNotifications()
{
    if (gNotifyPort != 0)
        usb().destroyNotificationPort (gNotifyPort);

    gNotifyPort = 0;
    gRawAddedIter = 0;
    gRawRemovedIter = 0;
}

void registerRawUsbNotifications()
{
    releaseUSBDevice();
    releaseRawUsbNotifications();

    std::uint32_t masterPort = 0;
    const auto status = usb().getMasterPort (masterPort);

    if (status != 0 || masterPort == 0)
    {
        std::printf ("ERR: Couldn’t create a master I/O Kit port(%08x)\n", hex (status));
        return;
    }

    if (auto matching = usb().makeMatching ("IOUSBDevice"))
    {
        matching->vendorId = usbVendorId;
        matching->productId = usbProductId;

        gNotifyPort = usb().createNotificationPort();

        usb().addMatchingNotification (gNotifyPort, UsbRegistry::terminateNotification, *matching,
                                       RawDeviceRemoved, nullptr, gRawRemovedIter);
        RawDeviceRemoved (nullptr, gRawRemovedIter);
        gUSBdevice = nullptr;

        usb().addMatchingNotification (gNotifyPort, UsbRegistry::firstMatchNotification, *matching,
                                       RawDeviceAdded, nullptr, gRawAddedIter);
        RawDeviceAdded (nullptr, gRawAddedIter);
    }
    else
    {
        std::puts ("Couldn’t create a USB matching dictionary");
    }

    usb().releaseMasterPort (masterPort);
}

void RawDeviceAdded (void*, UsbObject iterator)
{
    std::puts ("Raw Device Added called....");

    while (const auto service = usb().iteratorNext (iterator))
    {
        std::shared_ptr<RawUsbPlugIn> plugIn;
        const auto plugInStatus = usb().createPlugIn (service, plugIn);
        usb().releaseObject (service);

        if (plugInStatus != 0 || plugIn == nullptr)
        {
            std::printf ("Unable to create a plug-in (%08x)\n", hex (plugInStatus));
            continue;
        }

        std::shared_ptr<RawUsbDeviceInterface> device;
        const auto result = plugIn->queryDeviceInterface (device);
        plugIn = nullptr;

        if (result != 0 || device == nullptr)
        {
            std::printf ("Couldn’t create a device interface (%08x)\n", hex (result));
            continue;
        }

        const auto vendor = device->getDeviceVendor();
        const auto product = device->getDeviceProduct();
        const auto release = device->getDeviceReleaseNumber();
        std::printf ("device (vendor = %X, product = %X , realse = %X)\n", vendor, product, release);

        if (vendor != usbVendorId || product != usbProductId)
        {
            std::printf ("Found unwanted device (vendor = %X, product = %X)\n", vendor, product);
            continue;
        }

        std::printf ("Found device (vendor = %d, product = %d, release = %d)\n", usbVendorId, usbProductId, release);

        if (const auto openStatus = device->open(); openStatus != 0)
        {
            std::printf ("Unable to open device: %08x\n", hex (openStatus));
            continue;
        }

        if (configureDevice (*device) != 0)
        {
            std::printf ("Unable to configure device: %08x\n", hex (configureFailed));
            device->close();
            continue;
        }

        // One handle at a time: a later matching device replaces the one held.
        if (gUSBdevice != nullptr && gUSBdevice != device)
            gUSBdevice->close();

        gUSBdevice = device;
    }
}

void RawDeviceRemoved (void*, UsbObject iterator)
{
    std::puts ("Raw Device Removed called....");

    while (const auto object = usb().iteratorNext (iterator))
        if (const auto status = usb().releaseObject (object); status != 0)
            std::printf ("Couldn’t release raw device object: %08x\n", hex (status));

    gUSBdevice = nullptr;
}
