#include "platform/linux/LibusbRawDevice.h"

LibusbSession::LibusbSession (std::function<void (const juce::String&)> failureReport)
    : LibusbSession (std::move (failureReport), &LibusbLibrary::get)
{
}

LibusbSession::LibusbSession (std::function<void (const juce::String&)> failureReport,
                              const LibusbLibrary& (*libraryLoader)())
    : reportFailure (std::move (failureReport)), loadLibrary (libraryLoader)
{
}

LibusbSession::~LibusbSession()
{
    if (ctx != nullptr)
        loaded->libusb_exit (ctx);
}

libusb_context* LibusbSession::context()
{
    std::call_once (started, [this]
                    {
                        const auto& candidate = loadLibrary();

                        if (! candidate.isAvailable())
                        {
                            if (reportFailure != nullptr)
                                reportFailure (candidate.whyUnavailable());

                            return;
                        }

                        loaded = &candidate;

                        if (const auto status = loaded->libusb_init (&ctx); status != 0)
                        {
                            ctx = nullptr;

                            if (reportFailure != nullptr)
                                reportFailure (juce::String ("libusb cannot start (") + loaded->libusb_error_name (status) + ")");
                        }
                    });
    return ctx;
}

//==============================================================================
LibusbRawDevice::LibusbRawDevice (std::shared_ptr<LibusbSession> s, int bus, int deviceAddress)
    : session (std::move (s)), busNumber (bus), address (deviceAddress)
{
}

LibusbRawDevice::~LibusbRawDevice()
{
    close();
}

int LibusbRawDevice::open()
{
    if (handle != nullptr)
        return 0;

    auto* context = session->context();

    if (context == nullptr)
        return LIBUSB_ERROR_NOT_SUPPORTED;

    const auto& usb = session->library();
    libusb_device** list = nullptr;
    const auto count = usb.libusb_get_device_list (context, &list);

    if (count < 0)
        return static_cast<int> (count);

    int status = LIBUSB_ERROR_NO_DEVICE;

    for (ssize_t i = 0; i < count; ++i)
        if (usb.libusb_get_bus_number (list[i]) == busNumber && usb.libusb_get_device_address (list[i]) == address)
            status = usb.libusb_open (list[i], &handle);

    usb.libusb_free_device_list (list, 1);
    return status;
}

int LibusbRawDevice::close()
{
    if (handle != nullptr)
        session->library().libusb_close (handle);

    handle = nullptr;
    return 0;
}

int LibusbRawDevice::getNumberOfConfigurations (std::uint8_t& number)
{
    number = 0;

    if (handle == nullptr)
        return LIBUSB_ERROR_NO_DEVICE;

    const auto& usb = session->library();
    libusb_device_descriptor descriptor {};

    if (const auto status = usb.libusb_get_device_descriptor (usb.libusb_get_device (handle), &descriptor); status != 0)
        return status;

    number = descriptor.bNumConfigurations;
    return 0;
}

int LibusbRawDevice::getConfigurationValue (std::uint8_t index, std::uint8_t& value)
{
    if (handle == nullptr)
        return LIBUSB_ERROR_NO_DEVICE;

    const auto& usb = session->library();
    libusb_config_descriptor* config = nullptr;

    if (const auto status = usb.libusb_get_config_descriptor (usb.libusb_get_device (handle), index, &config); status != 0)
        return status;

    value = config->bConfigurationValue;
    usb.libusb_free_config_descriptor (config);
    return 0;
}

int LibusbRawDevice::setConfiguration (std::uint8_t value)
{
    if (handle == nullptr)
        return LIBUSB_ERROR_NO_DEVICE;

    const auto& usb = session->library();
    int active = -1;

    if (usb.libusb_get_configuration (handle, &active) == 0 && active == value)
        return 0;

    return usb.libusb_set_configuration (handle, value);
}
