#include "support/SimulatedHostFaults.h"

#include "platform/PlatformClock.h"

#include <algorithm>

void SimulatedHostFaults::addAudioDevice (AudioObjectID id, const SimulatedAudioDevice& device)
{
    const std::lock_guard<std::mutex> guard (lock);
    audioDevices.insert_or_assign (id, device);
}

void SimulatedHostFaults::addUsbDevice (UsbObject entry, const SimulatedUsbDevice& device)
{
    const std::lock_guard<std::mutex> guard (lock);
    usbDevices.insert_or_assign (entry, device);
}

void SimulatedHostFaults::setDeviceListStatus (int status)
{
    const std::lock_guard<std::mutex> guard (lock);
    deviceList = status;
}

void SimulatedHostFaults::setMasterPortStatus (int status)
{
    const std::lock_guard<std::mutex> guard (lock);
    masterPort = status;
}

void SimulatedHostFaults::setMatchingRefused (bool refused)
{
    const std::lock_guard<std::mutex> guard (lock);
    matchingRefused = refused;
}

void SimulatedHostFaults::setPowerRegistrationRefused (bool refused)
{
    const std::lock_guard<std::mutex> guard (lock);
    powerRegistrationRefused = refused;
}

void SimulatedHostFaults::forgetAll()
{
    const std::lock_guard<std::mutex> guard (lock);
    audioDevices.clear();
    usbDevices.clear();
    deviceList = masterPort = 0;
    matchingRefused = powerRegistrationRefused = false;
}

//==============================================================================
// A device the host has but a test did not add here (one fed by a Linux backend) has no faults.

int SimulatedHostFaults::deviceListStatus()
{
    const std::lock_guard<std::mutex> guard (lock);
    return deviceList;
}

bool SimulatedHostFaults::isListed (AudioObjectID id)
{
    const std::lock_guard<std::mutex> guard (lock);
    const auto found = audioDevices.find (id);
    return found == audioDevices.end() || found->second.publishedAtMs <= PlatformClock::nowMs();
}

int SimulatedHostFaults::readStatus (AudioObjectID id, std::uint32_t selector)
{
    const std::lock_guard<std::mutex> guard (lock);
    const auto found = audioDevices.find (id);

    if (found == audioDevices.end())
        return AudioProperty::noError;

    const auto& failing = found->second.failingReads;
    return std::find (failing.begin(), failing.end(), selector) != failing.end() ? AudioProperty::unsupported
                                                                                 : AudioProperty::noError;
}

bool SimulatedHostFaults::followsRateSet (AudioObjectID id)
{
    const std::lock_guard<std::mutex> guard (lock);
    const auto found = audioDevices.find (id);

    if (found == audioDevices.end())
        return true;

    auto& device = found->second;

    if (! device.followsRateSets)
        return false;

    if (device.rateSetsToIgnore > 0)
    {
        --device.rateSetsToIgnore;
        return false;
    }

    return true;
}

int SimulatedHostFaults::listenerInstallStatus (AudioObjectID id, bool alreadyInstalled)
{
    const std::lock_guard<std::mutex> guard (lock);
    const auto found = audioDevices.find (id);

    if (found == audioDevices.end())
        return AudioProperty::noError;

    if (found->second.listenerInstallStatus != 0)
        return found->second.listenerInstallStatus;

    return alreadyInstalled && found->second.refusesRepeatedListener ? AudioProperty::unsupported : AudioProperty::noError;
}

//==============================================================================
int SimulatedHostFaults::masterPortStatus()
{
    const std::lock_guard<std::mutex> guard (lock);
    return masterPort;
}

bool SimulatedHostFaults::refusesMatching()
{
    const std::lock_guard<std::mutex> guard (lock);
    return matchingRefused;
}

bool SimulatedHostFaults::propertiesReadable (UsbObject entry)
{
    const std::lock_guard<std::mutex> guard (lock);
    const auto found = usbDevices.find (entry);
    return found == usbDevices.end() || found->second.propertiesReadable;
}

int SimulatedHostFaults::releaseStatus (UsbObject entry)
{
    const std::lock_guard<std::mutex> guard (lock);
    const auto found = usbDevices.find (entry);
    return found != usbDevices.end() ? found->second.releaseStatus : 0;
}

int SimulatedHostFaults::deviceInterfaceStatus (UsbObject entry)
{
    const std::lock_guard<std::mutex> guard (lock);
    const auto found = usbDevices.find (entry);

    // A device given its own raw hardware is asked instead of its script.
    if (found == usbDevices.end() || found->second.rawHardware != nullptr)
        return 0;

    return found->second.raw.queryInterfaceResult;
}

//==============================================================================
bool SimulatedHostFaults::refusesRegistration()
{
    const std::lock_guard<std::mutex> guard (lock);
    return powerRegistrationRefused;
}
