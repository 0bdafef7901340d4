#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

/** How a simulated USB device behaves when the panel opens it directly. Each step can be made to
    fail with a status; 0 means success.
*/
struct RawUsbScript
{
    int plugInStatus = 0;                        ///< creating the plug-in for the service
    int queryInterfaceResult = 0;                ///< asking the plug-in for the device interface
    int openStatus = 0;                          ///< opening the device
    std::vector<std::uint8_t> configurations { 1 }; ///< each configuration's value; empty = none
    int configurationDescriptorStatus = 0;       ///< reading a configuration descriptor
    int setConfigurationStatus = 0;              ///< selecting a configuration
};

/** A USB device on the system's own bus, behind the raw interface in place of a script. Each
    call returns 0 on success or the system's status. Called on the message thread.
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

/** What has been done to one simulated USB device through all its interfaces. Any thread. */
class RawUsbDeviceState final
{
public:
    /** A scripted device, or one on the system's bus when hardware is given (then the script's
        statuses are not used, only what the hardware answers).
    */
    RawUsbDeviceState (std::uint16_t vendor, std::uint16_t product, std::uint16_t release, RawUsbScript,
                       std::shared_ptr<RawUsbHardware> hardware = nullptr);

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
    const RawUsbScript script;
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
    explicit RawUsbPlugIn (std::shared_ptr<RawUsbDeviceState>);

    /** Creates a device interface; its result is 0 on success, when out is set. */
    int queryDeviceInterface (std::shared_ptr<RawUsbDeviceInterface>& out) const;

private:
    std::shared_ptr<RawUsbDeviceState> state;
};
