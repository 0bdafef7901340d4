#pragma once

#include "support/PanelFixture.h"
#include "support/SimulatedTalvoZ3.h"

#include <memory>

/** A panel and the simulated interface on the same simulated MIDI endpoints. */
class SimulatedInterfaceFixture : public PanelFixture
{
protected:
    ~SimulatedInterfaceFixture() override
    {
        interface.reset(); // stops its thread before the panel goes
    }

    /** What one port scan tick does for one direction once the interface's ports have appeared:
        true when the list changed and the interface's port opened.
    */
    bool openInterfacePort (bool isInput)
    {
        const auto listChanged = panel->updateDeviceList (isInput);
        return panel->openMIDIDevice (isInput, "DAW Control", "DAW Control", "DUMMY_NOT_IN_USE") && listChanged;
    }

    std::unique_ptr<SimulatedTalvoZ3> interface = std::make_unique<SimulatedTalvoZ3> (ports);
};
