#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

/** A USB device as it is reached directly: what the raw interface asks of it (on Linux,
    LibusbRawDevice). Each call returns 0 on success or the system's status. Called on the
    message thread.
*/
class RawUsbHardware
{
public:
    virtual ~RawUsbHardware() = default;

    virtual int open() = 0;
    virtual int close() = 0;
    virtual int getNumberOfConfigurations (std::uint8_t& number) = 0;
    virtual int getConfigurationValue (std::uint8_t index, std::uint8_t& value) = 0;
    virtual int setConfiguration (std::uint8_t value) = 0;
};

/** What has been done to one USB device through all its interfaces. Any thread. */
class RawUsbDeviceState final
{
public:
    /** A device with these ids, reached through hardware (never null). */
    RawUsbDeviceState (std::uint16_t vendor, std::uint16_t product, std::uint16_t release,
                       std::shared_ptr<RawUsbHardware> hardware);

    /** How often it was opened and closed through an interface. */
    int numOpens() const;
    int numCloses() const;
    bool isOpen() const;

    /** The configuration value last selected, 0 when none. */
    std::uint8_t selectedConfiguration() const;

    /** Device interfaces handed out and not yet released. */
    int numLiveInterfaces() const;

private:
    friend class RawUsbDeviceInterface;
    friend class RawUsbPlugIn;

    const std::uint16_t vendor, product, release;
    const std::shared_ptr<RawUsbHardware> hardware;

    mutable std::mutex lock;
    int opens = 0, closes = 0, liveInterfaces = 0;
    bool open = false;
    std::uint8_t configuration = 0;
};

/** An interface to one USB device, through which it is opened and configured. Released by
    destroying it (hold it in a shared_ptr). Message thread.
*/
class RawUsbDeviceInterface final
{
public:
    explicit RawUsbDeviceInterface (std::shared_ptr<RawUsbDeviceState>);
    ~RawUsbDeviceInterface();

    /** Opens the device for exclusive use; 0 on success. */
    int open();

    /** Closes the device if this interface opened it; 0 on success. */
    int close();

    std::uint16_t getDeviceVendor() const;
    std::uint16_t getDeviceProduct() const;
    std::uint16_t getDeviceReleaseNumber() const;

    int getNumberOfConfigurations (std::uint8_t& number) const;

    /** The configuration value (bConfigurationValue) of the descriptor at index; 0 on success. */
    int getConfigurationValue (std::uint8_t index, std::uint8_t& value) const;

    int setConfiguration (std::uint8_t value);

    const std::shared_ptr<RawUsbDeviceState>& getState() const noexcept { return state; }

private:
    std::shared_ptr<RawUsbDeviceState> state;
    bool openedHere = false;
};

/** The plug-in created for a USB service; it hands out the device interface. */
class RawUsbPlugIn final
{
public:
    /** interfaceStatus: the status with which asking for the device interface fails; 0 in the
        product, where it never does (a test's fault otherwise).
    */
    RawUsbPlugIn (std::shared_ptr<RawUsbDeviceState>, int interfaceStatus);

    /** Creates a device interface; its result is 0 on success, when out is set. */
    int queryDeviceInterface (std::shared_ptr<RawUsbDeviceInterface>& out) const;

private:
    std::shared_ptr<RawUsbDeviceState> state;
    const int interfaceStatus;
};
