#pragma once

#include "support/PanelFixture.h"
#include "support/SimulatedHostFixture.h"

/** A panel on a fresh simulated host in virtual time, with the interface's two audio devices bound
    by hand (no USB arrival, so no timer runs) and one open output "out".
*/
class BoundDevicesFixture : public PanelFixture
{
protected:
    BoundDevicesFixture()
    {
        panel = nullptr;  // made again on the fresh host
        panel = std::make_unique<MainComponent> (ports);
        gInAudioObjectID = input;
        gOutAudioObjectID = output;
        giveOpenOutput ("out");
    }

    ~BoundDevicesFixture() override { panel = nullptr; }

    static SimulatedAudioDevice at (SimulatedAudioDevice device, double rate)
    {
        device.nominalRate = rate;
        return device;
    }

    ScopedSimulatedHost sim;
    AudioObjectID input = sim.addAudioDevice (at (ScopedSimulatedHost::talvoInput(), 44100.0));
    AudioObjectID output = sim.addAudioDevice (at (ScopedSimulatedHost::talvoOutput(), 48000.0));
};
