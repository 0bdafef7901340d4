#include "device/RegisterDeviceCallBacksMac.h"

#include "platform/PlatformClock.h"
#include "platform/PlatformHost.h"

#include <algorithm>
#include <vector>

DeviceStruct mydeviceStruct;
std::atomic<AudioObjectID> gInAudioObjectID { 0 };
std::atomic<AudioObjectID> gOutAudioObjectID { 0 };
std::uint32_t root_port = 0;

namespace
{
    std::uint32_t gMasterDevicePort = 0;
    UsbObject gNotifyPort = 0;

    // Kept beyond initDevice only so that a repeated call (or teardown) can end them.
    std::uint32_t powerNotifier = 0;
    UsbObject arrivalIterator = 0;
    UsbObject removalIterator = 0;
    std::vector<AudioObjectID> listenedDevices;

    constexpr int bindingAttempts = 5;
    constexpr int bindingRetryMs = 1000;
    constexpr int rateSettleMs = 300;

    constexpr AudioPropertyAddress everyProperty { AudioProperty::selectorWildcard,
                                                   AudioProperty::scopeWildcard,
                                                   AudioProperty::elementWildcard };

    constexpr AudioPropertyAddress nominalRateAddress { AudioProperty::nominalSampleRate,
                                                        AudioProperty::scopeWildcard,
                                                        AudioProperty::elementMain };

    constexpr double reportedRates[] = { 32000.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0 };

    AudioHardware& audio() { return PlatformHost::get().audio; }
    UsbRegistry& usb()     { return PlatformHost::get().usb; }

    void raise (DeviceStruct& record, OVK_CallbackEvent event)
    {
        if (auto* callback = record.eventCallback.load())
            callback (record.context.load(), nullptr, event);
    }

    bool usbEntryMatches (const DeviceStruct& record, UsbObject entry)
    {
        juce::NamedValueSet properties;

        if (! usb().readProperties (entry, properties))
            return false;

        // An entry without ids is no device of ours, whatever its names say.
        if (! properties.contains ("idVendor") || ! properties.contains ("idProduct"))
            return false;

        const auto vendorName = properties["USB Vendor Name"].toString();
        const auto productName = properties["USB Product Name"].toString();
        const auto idProduct = static_cast<int> (properties["idProduct"]);
        const auto idVendor = static_cast<int> (properties["idVendor"]);

        const auto* ids = record.productIds;
        const bool productMatches = std::any_of (ids, ids + 3, [idProduct] (std::uint32_t id)
                                                 { return static_cast<int> (id) == idProduct; });

        return productMatches
            && idVendor == static_cast<int> (record.vendorId)
            && vendorName == juce::String (juce::CharPointer_UTF8 (record.manufacturerName.c_str()))
            && productName == juce::String (juce::CharPointer_UTF8 (record.usbProductName.c_str()));
    }

    bool bothDevicesBound()
    {
        return gInAudioObjectID != 0 && gOutAudioObjectID != 0;
    }

    bool nameFits (const juce::String& wanted, const juce::String& deviceName)
    {
        // Also accepts a device whose name is a leading part of ours, such as its first word.
        return wanted.equalsIgnoreCase (deviceName) || wanted.startsWith (deviceName);
    }

    void bindPass (const std::vector<AudioObjectID>& devices, std::uint32_t scope,
                   const juce::String& deviceName, const juce::String& manufacturer, DeviceStruct& record)
    {
        const bool inputPass = scope == AudioProperty::scopeInput;
        auto& bound = inputPass ? gInAudioObjectID : gOutAudioObjectID;
        auto& other = inputPass ? gOutAudioObjectID : gInAudioObjectID;

        for (auto device : devices)
        {
            juce::String uid, name, maker;

            if (audio().getStringProperty (device, { AudioProperty::deviceUID, scope, 0 }, uid) != 0
                || audio().getStringProperty (device, { AudioProperty::name, scope, 0 }, name) != 0
                || audio().getStringProperty (device, { AudioProperty::manufacturer, scope, 0 }, maker) != 0)
                continue;

            std::uint32_t size = 0, buffers = 0;

            if (audio().getStreamConfigurationSize (device, scope, size) != 0
                || audio().getStreamConfiguration (device, scope, buffers) != 0
                || buffers == 0)
                continue;

            if (! nameFits (deviceName, name) || ! manufacturer.equalsIgnoreCase (maker))
                continue;

            const auto status = audio().addPropertyListener (device, everyProperty,
                                                             myAudioObjectPropertyListenerProc, &record);

            if (status == 0)
            {
                if (std::find (listenedDevices.begin(), listenedDevices.end(), device) == listenedDevices.end())
                    listenedDevices.push_back (device);

                bound = device;
            }
            else if (other == device)
            {
                // One device serving both directions: the other pass already listens to it.
                bound = device;
            }
        }
    }

    bool isReportedRate (double rate)
    {
        return std::find (std::begin (reportedRates), std::end (reportedRates), rate) != std::end (reportedRates);
    }

    void alignBoundDevicesTo (double rate)
    {
        for (auto* id : { &gInAudioObjectID, &gOutAudioObjectID })
        {
            const AudioObjectID device = *id;
            double current = 0.0;
            readNominalSampleRate (device, current);

            if (current != rate)
                audio().setNominalSampleRate (device, nominalRateAddress, rate);
        }
    }
}

//==============================================================================
void releaseDeviceNotifications()
{
    mydeviceStruct.eventCallback = nullptr;
    mydeviceStruct.context = nullptr;

    auto& host = PlatformHost::get();

    if (powerNotifier != 0)
        host.power.deregister (powerNotifier);

    if (gNotifyPort != 0)
        host.usb.destroyNotificationPort (gNotifyPort);

    for (auto device : listenedDevices)
        host.audio.removePropertyListener (device, everyProperty, myAudioObjectPropertyListenerProc, &mydeviceStruct);

    powerNotifier = 0;
    root_port = 0;
    gNotifyPort = 0;
    arrivalIterator = 0;
    removalIterator = 0;
    listenedDevices.clear();
}

void initDevice (OVK_EventCallback eventCallback, void* context, int vendorId, int productId,
                 const char* usbProductName, const char* audioDeviceName, const char* manufacturerName)
{
    // One set of registrations at a time, so that no change is reported twice.
    releaseDeviceNotifications();

    auto& record = mydeviceStruct;
    record.vendorId = static_cast<std::uint32_t> (vendorId);
    record.productIds[0] = static_cast<std::uint32_t> (productId);
    record.productIds[1] = 0;
    record.productIds[2] = 0;
    record.usbProductName = usbProductName != nullptr ? usbProductName : "";
    record.audioDeviceName = audioDeviceName != nullptr ? audioDeviceName : "";
    record.manufacturerName = manufacturerName != nullptr ? manufacturerName : "";
    record.context = context;
    record.eventCallback = eventCallback;

    auto& host = PlatformHost::get();
    root_port = host.power.registerForSystemPower (&record, MySleepCallBack, powerNotifier);

    host.usb.getMasterPort (gMasterDevicePort);

    // No ids in the matching: every USB device reaches the handlers, which filter by themselves.
    const auto matching = host.usb.makeMatching ("IOUSBDevice");

    if (! matching)
        return;

    gNotifyPort = host.usb.createNotificationPort();
    host.usb.addMatchingNotification (gNotifyPort, UsbRegistry::matchedNotification, *matching,
                                      USBPlugCallback, &record, arrivalIterator);
    host.usb.addMatchingNotification (gNotifyPort, UsbRegistry::terminateNotification, *matching,
                                      USBRemoveCallback, &record, removalIterator);

    // Draining both iterators arms them; the arrival iterator holds every device already present.
    USBRemoveCallback (&record, removalIterator);
    USBPlugCallback (&record, arrivalIterator);
}

//==============================================================================
void USBPlugCallback (void* refcon, UsbObject iterator)
{
    auto* record = static_cast<DeviceStruct*> (refcon);

    while (const auto entry = usb().iteratorNext (iterator))
    {
        if (record != nullptr && usbEntryMatches (*record, entry))
        {
            const juce::String name (juce::CharPointer_UTF8 (record->audioDeviceName.c_str()));
            const juce::String manufacturer (juce::CharPointer_UTF8 (record->manufacturerName.c_str()));

            // The audio devices may be published a little after the USB device.
            bool bound = false;

            for (int attempt = 1; attempt <= bindingAttempts; ++attempt)
            {
                CreateInputDeviceArray (name, manufacturer, *record);
                bound = bothDevicesBound();

                if (bound)
                    break;

                PlatformClock::sleepFor (bindingRetryMs);
            }

            if (bound)
                raise (*record, deviceArrived);
        }

        usb().releaseObject (entry);
    }
}

void USBRemoveCallback (void* refcon, UsbObject iterator)
{
    auto* record = static_cast<DeviceStruct*> (refcon);

    while (const auto entry = usb().iteratorNext (iterator))
    {
        if (record != nullptr && usbEntryMatches (*record, entry))
        {
            raise (*record, deviceRemoved);
            gInAudioObjectID = 0;
            gOutAudioObjectID = 0;
        }

        usb().releaseObject (entry);
    }
}

void CreateInputDeviceArray (const juce::String& deviceName, const juce::String& manufacturer, DeviceStruct& record)
{
    std::uint32_t size = 0;

    if (audio().getDeviceListSize (size) != 0)
        return;

    std::vector<AudioObjectID> devices;

    if (audio().getDeviceList (size, devices) != 0)
        return;

    bindPass (devices, AudioProperty::scopeInput, deviceName, manufacturer, record);
    bindPass (devices, AudioProperty::scopeOutput, deviceName, manufacturer, record);
}

//==============================================================================
void MySleepCallBack (void* refcon, std::uint32_t, std::uint32_t messageType, void* argument)
{
    auto* record = static_cast<DeviceStruct*> (refcon);
    auto& power = PlatformHost::get().power;

    switch (messageType)
    {
        case PowerEvents::canSystemSleep:
            power.allowPowerChange (root_port, argument);
            break;

        case PowerEvents::systemWillSleep:
            if (record != nullptr)
                raise (*record, systemWillSleep);

            power.allowPowerChange (root_port, argument);
            break;

        case PowerEvents::systemWillPowerOn:
            if (record != nullptr)
                raise (*record, systemWillPowerOn);
            break;

        case PowerEvents::systemHasPoweredOn:
            if (record != nullptr)
                raise (*record, systemHasPoweredOn);
            break;

        default:
            break;
    }
}

int myAudioObjectPropertyListenerProc (AudioObjectID device, std::uint32_t numberAddresses,
                                       const AudioPropertyAddress* addresses, void* clientData)
{
    auto* record = static_cast<DeviceStruct*> (clientData);

    if (record == nullptr || addresses == nullptr)
        return 0;

    for (std::uint32_t i = 0; i < numberAddresses; ++i)
    {
        const auto& address = addresses[i];
        bool changed = false;

        switch (address.mSelector)
        {
            case AudioProperty::mute:
            case AudioProperty::playThru:
            {
                std::uint32_t value = 0;
                audio().getUInt32Property (device, address, value);
                changed = true;
                break;
            }

            case AudioProperty::volumeScalar:
            {
                float value = 0.0f;
                changed = audio().getFloat32Property (device, address, value) == 0;
                break;
            }

            case AudioProperty::dataSource:
            {
                std::uint32_t value = 0;
                audio().getUInt32Property (device, { AudioProperty::dataSource, AudioProperty::scopeInput, 0 }, value);
                changed = true;
                break;
            }

            case AudioProperty::nominalSampleRate:
            {
                double rate = 0.0;

                if (audio().getNominalSampleRate (device, address, rate) == 0)
                    alignBoundDevicesTo (rate);
                else
                    rate = 0.0;

                changed = isReportedRate (rate);
                break;
            }

            default:
                break;
        }

        if (changed)
            raise (*record, devicePropertyChanged);
    }

    return 0;
}

//==============================================================================
int readNominalSampleRate (AudioObjectID device, double& rate)
{
    return audio().getNominalSampleRate (device, nominalRateAddress, rate);
}

int setPhysicalStreamFormat (AudioObjectID device, std::uint32_t scope, const AudioStreamFormat& format)
{
    return audio().setPhysicalFormat (device, { AudioProperty::physicalFormat, scope, AudioProperty::elementMain }, format);
}

bool hw_setSampleRate (double rate)
{
    const AudioObjectID in = gInAudioObjectID;
    const AudioObjectID out = gOutAudioObjectID;

    if (rate == 32000.0)
    {
        AudioStreamFormat format;
        format.mSampleRate = 32000.0;
        format.mFormatID = AudioProperty::formatLinearPCM;
        format.mFormatFlags = 0x0c; // signed integer, packed
        format.mBytesPerPacket = 4;
        format.mFramesPerPacket = 1;
        format.mBytesPerFrame = 4;
        format.mChannelsPerFrame = 2;
        format.mBitsPerChannel = 16;

        setPhysicalStreamFormat (in, AudioProperty::scopeWildcard, format);
        setPhysicalStreamFormat (out, AudioProperty::scopeWildcard, format);
    }
    else
    {
        audio().setNominalSampleRate (in, nominalRateAddress, rate);
        audio().setNominalSampleRate (out, nominalRateAddress, rate);
    }

    double inRate = 0.0, outRate = 0.0;
    auto inStatus = readNominalSampleRate (in, inRate);
    auto outStatus = readNominalSampleRate (out, outRate);

    if (inRate == outRate && inStatus == outStatus)
        return inStatus == 0;

    // Give the hardware time to follow, then judge once more.
    PlatformClock::sleepFor (rateSettleMs);

    inRate = outRate = 0.0;
    inStatus = readNominalSampleRate (in, inRate);
    outStatus = readNominalSampleRate (out, outRate);

    return outStatus == 0 && inStatus == outStatus && inRate == outRate;
}

double hw_getAlignedSampleRate()
{
    double inRate = 0.0, outRate = 0.0;
    readNominalSampleRate (gInAudioObjectID, inRate);
    const auto outStatus = readNominalSampleRate (gOutAudioObjectID, outRate);

    if (inRate == outRate)
        return inRate;

    if (outStatus != 0)
        return 0.0;

    return hw_setSampleRate (outRate) ? outRate : 0.0;
}
