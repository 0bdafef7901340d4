#pragma once

#include "platform/PowerEvents.h"
#include "support/SimulatedDevices.h"

#include <map>
#include <mutex>

/** What makes the simulated host misbehave: the faults of each device a test adds, and faults of
    the whole host that a test switches on. ScopedSimulatedHost injects it into the host's audio
    hardware, USB registry and power events. Any thread.
*/
class SimulatedHostFaults final : public AudioHardware::Faults,
                                  public UsbRegistry::Faults,
                                  public PowerEvents::Faults
{
public:
    /** The faults of a device just added or plugged in, under the id the host gave it. */
    void addAudioDevice (AudioObjectID, const SimulatedAudioDevice&);
    void addUsbDevice (UsbObject, const SimulatedUsbDevice&);

    /** Faults of the whole host; each lasts until forgetAll(). */
    void setDeviceListStatus (int status);
    void setMasterPortStatus (int status);
    void setMatchingRefused (bool refused);
    void setPowerRegistrationRefused (bool refused);

    /** No faults any more, of any device or of the host. */
    void forgetAll();

    //==============================================================================
    int deviceListStatus() override;
    bool isListed (AudioObjectID) override;
    int readStatus (AudioObjectID, std::uint32_t selector) override;
    bool followsRateSet (AudioObjectID) override;
    int listenerInstallStatus (AudioObjectID, bool alreadyInstalled) override;

    int masterPortStatus() override;
    bool refusesMatching() override;
    bool propertiesReadable (UsbObject) override;
    int releaseStatus (UsbObject) override;
    int deviceInterfaceStatus (UsbObject) override;

    bool refusesRegistration() override;

private:
    std::mutex lock;
    std::map<AudioObjectID, SimulatedAudioDevice> audioDevices;
    std::map<UsbObject, SimulatedUsbDevice> usbDevices;
    int deviceList = 0, masterPort = 0;
    bool matchingRefused = false, powerRegistrationRefused = false;
};
