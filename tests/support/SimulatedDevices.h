#pragma once

#include "platform/AudioHardware.h"
#include "platform/UsbRegistry.h"

#include <cstdint>
#include <memory>
#include <vector>

/** An audio device as a test adds it to the host: what the system would describe, and how the
    device misbehaves. ScopedSimulatedHost::addAudioDevice keeps both; the private base keeps it
    from reaching the hardware without its faults.
*/
struct SimulatedAudioDevice : private AudioDeviceDescription
{
    using AudioDeviceDescription::uid;
    using AudioDeviceDescription::name;
    using AudioDeviceDescription::manufacturer;
    using AudioDeviceDescription::inputBuffers;
    using AudioDeviceDescription::outputBuffers;
    using AudioDeviceDescription::nominalRate;
    using AudioDeviceDescription::rateIsFixed;
    using AudioDeviceDescription::mute;
    using AudioDeviceDescription::playThru;
    using AudioDeviceDescription::dataSource;
    using AudioDeviceDescription::volume;

    bool followsRateSets = true;      ///< false: rate and format sets succeed but change nothing
    int rateSetsToIgnore = 0;         ///< the next this-many sets are accepted and ignored

    std::vector<std::uint32_t> failingReads; ///< selectors whose reads fail on this device
    int listenerInstallStatus = 0;    ///< non-zero: every listener installation fails
    bool refusesRepeatedListener = false; ///< installing the same listener twice fails

    std::int64_t publishedAtMs = 0;   ///< the device is listed from this PlatformClock time on

    const AudioDeviceDescription& description() const noexcept { return *this; }
};

/** How a simulated USB device answers when the panel opens it directly. Each step can be made to
    fail with a status; 0 means success.
*/
struct RawUsbScript
{
    bool reachable = true;                       ///< false: the system gives no direct access
    int queryInterfaceResult = 0;                ///< asking the plug-in for the device interface
    int openStatus = 0;                          ///< opening the device
    std::vector<std::uint8_t> configurations { 1 }; ///< each configuration's value; empty = none
    int configurationDescriptorStatus = 0;       ///< reading a configuration descriptor
    int setConfigurationStatus = 0;              ///< selecting a configuration
};

/** A simulated USB device reached directly: it answers as its script says. */
class ScriptedRawUsbHardware final : public RawUsbHardware
{
public:
    explicit ScriptedRawUsbHardware (RawUsbScript s) : script (std::move (s)) {}

    int open() override { return script.openStatus; }
    int close() override { return 0; }

    int getNumberOfConfigurations (std::uint8_t& number) override
    {
        number = static_cast<std::uint8_t> (script.configurations.size());
        return 0;
    }

    int getConfigurationValue (std::uint8_t index, std::uint8_t& value) override
    {
        if (script.configurationDescriptorStatus != 0)
            return script.configurationDescriptorStatus;

        if (index >= script.configurations.size())
            return -1;

        value = script.configurations[index];
        return 0;
    }

    int setConfiguration (std::uint8_t) override { return script.setConfigurationStatus; }

private:
    const RawUsbScript script;
};

/** A USB device as a test plugs it in: its registry properties, how it answers when opened
    directly (its script, or rawHardware when given), and how its registry entry misbehaves.
    ScopedSimulatedHost::plugInUsb keeps all of it; the private base keeps it from reaching the
    registry without them.
*/
struct SimulatedUsbDevice : private UsbDeviceDescription
{
    using UsbDeviceDescription::properties;
    using UsbDeviceDescription::rawHardware;   ///< when given, the script's steps are not used

    bool propertiesReadable = true;   ///< false: reading the properties fails
    int releaseStatus = 0;            ///< status of releasing this entry, 0 = success
    RawUsbScript raw;                 ///< how the device answers when opened directly

    /** What the registry is told: rawHardware, else the script's answers (none when the script
        says the device cannot be reached).
    */
    UsbDeviceDescription description() const
    {
        UsbDeviceDescription d = *this;

        if (d.rawHardware == nullptr && raw.reachable)
            d.rawHardware = std::make_shared<ScriptedRawUsbHardware> (raw);

        return d;
    }
};
