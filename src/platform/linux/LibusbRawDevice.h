#pragma once

#include "platform/RawUsbDevice.h"
#include "platform/linux/LibusbLibrary.h"

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>
#include <mutex>

/** One libusb session for the process, started when it is first needed: starting it loads
    libusb, walks every USB device and starts a thread, which a panel with no interface plugged
    in never needs.
*/
class LibusbSession final
{
public:
    /** reportFailure hears once why libusb cannot be loaded or cannot start, on the first use
        that finds it so.
    */
    explicit LibusbSession (std::function<void (const juce::String& why)> reportFailure = {});

    /** The same, with libusb's functions taken from loadLibrary (called once, on first use)
        instead of LibusbLibrary::get; tests give one that fails.
    */
    LibusbSession (std::function<void (const juce::String& why)> reportFailure,
                   const LibusbLibrary& (*loadLibrary)());

    ~LibusbSession();

    /** The session's context, started on first use; null when libusb cannot be loaded or cannot
        start. Any thread.
    */
    libusb_context* context();

    /** libusb's functions. Only once context() has given a context. */
    const LibusbLibrary& library() const noexcept { return *loaded; }

    JUCE_DECLARE_NON_COPYABLE (LibusbSession)

private:
    std::function<void (const juce::String&)> reportFailure;
    const LibusbLibrary& (*const loadLibrary)();
    std::once_flag started;
    const LibusbLibrary* loaded = nullptr;
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
