#pragma once

#include "platform/RawUsbDevice.h"

#include <juce_core/juce_core.h>

#include <memory>

struct libusb_context;
struct libusb_device_handle;

/** One libusb session for the process; its devices are found by bus number and address. */
class LibusbSession final
{
public:
    /** A session, or null with the reason in why. */
    static std::shared_ptr<LibusbSession> open (juce::String& why);

    ~LibusbSession();

    libusb_context* context() const noexcept { return ctx; }

    JUCE_DECLARE_NON_COPYABLE (LibusbSession)

private:
    LibusbSession() = default;
    libusb_context* ctx = nullptr;
};

/** The interface's USB device reached through libusb: what the raw USB layer opens and
    configures. Statuses are libusb's (negative) error codes. Message thread.
*/
class LibusbRawDevice final : public RawUsbHardware
{
public:
    LibusbRawDevice (std::shared_ptr<LibusbSession>, int busNumber, int address);
    ~LibusbRawDevice() override;

    int open() override;
    int close() override;
    int getNumberOfConfigurations (std::uint8_t& number) override;
    int getConfigurationValue (std::uint8_t index, std::uint8_t& value) override;

    /** Selects a configuration. The one already active is left alone: asking again would reset
        the device under the sound card's driver, which holds its interfaces.
    */
    int setConfiguration (std::uint8_t value) override;

private:
    const std::shared_ptr<LibusbSession> session;
    const int busNumber, address;
    libusb_device_handle* handle = nullptr;
};
