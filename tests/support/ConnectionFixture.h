#pragma once

#include "support/MessageLoop.h"
#include "support/PanelFixture.h"
#include "support/SimulatedHostFixture.h"
#include "support/SimulatedTalvoZ3.h"
#include "support/VirtualPanelTimers.h"

#include <memory>

/** A panel, the simulated interface on simulated MIDI endpoints and the simulated host, with
    helpers to plug the interface in and out and to wait for the connection.

    On virtual timers (the default for new tests) the panel's timers run on the virtual clock:
    runUntil and runFor then take no real time, and timers() tells when each job fired. On real
    timers they run on the framework's message loop and timers, as the product does.
*/
class ConnectionFixture : public ::testing::Test
{
protected:
    enum class Timers { virtualClock, real };

    explicit ConnectionFixture (Timers mode = Timers::virtualClock)
    {
        if (mode == Timers::virtualClock)
        {
            virtualTimers = std::make_unique<VirtualPanelTimers>();

            virtualTimers->addBackgroundWork ([this]
                                              {
                                                  const auto hadWork = ! interface.waitUntilIdle (0);
                                                  if (hadWork)
                                                      interface.waitUntilIdle();
                                                  return hadWork;
                                              });
            virtualTimers->addBackgroundWork ([this]
                                              {
                                                  if (! sim.host.audio.isDelivering() && sim.host.runLoop.numPending() == 0)
                                                      return false;
                                                  sim.waitForAudioNotifications();
                                                  return true;
                                              });
        }

        interface.unplug();
        interface.setFirmwareVersions ("v10f", "v117");
    }

    ~ConnectionFixture() override
    {
        panel = nullptr;
    }

    void startPanel()
    {
        panel = std::make_unique<MainComponent> (ports);
    }

    void plugIn()
    {
        interface.clearReceived();
        interface.plugIn();
        plugged = sim.plugInTalvo();
    }

    void unplug()
    {
        sim.host.usb.unplug (plugged.usb);
        sim.host.audio.removeDevice (plugged.input);
        sim.host.audio.removeDevice (plugged.output);
        interface.unplug();
    }

    /** Runs the panel (firing its timers) until the condition holds; false after timeoutMs. */
    template <typename Condition>
    bool runUntil (Condition condition, int timeoutMs)
    {
        if (virtualTimers != nullptr)
            return virtualTimers->runUntil (condition, timeoutMs);

        return pumpMessagesUntil (condition, timeoutMs);
    }

    /** Runs the panel for ms milliseconds. */
    void runFor (int ms)
    {
        if (virtualTimers != nullptr)
            virtualTimers->advanceBy (ms);
        else
            juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
    }

    /** Connected: the state request went out, the controls are usable and the reports are in. */
    bool waitForConnection (int timeoutMs = 10000)
    {
        return runUntil ([this] { return interface.numReceived (0x78) > 0 && ! panel->m_elementsDisabled; }, timeoutMs)
            && interface.waitUntilIdle()
            && runUntil ([this] { return panel->m_mixer.versionSTC != 0 && ! panel->isTimerRunning (4102); }, 2000);
    }

    /** The virtual scheduler; only on virtual timers. */
    VirtualPanelTimers& timers()
    {
        jassert (virtualTimers != nullptr);
        return *virtualTimers;
    }

    FreshSettingsFile freshSettings;
    ScopedSimulatedHost sim;
    std::unique_ptr<VirtualPanelTimers> virtualTimers;
    SimulatedMidiPorts ports;
    SimulatedTalvoZ3 interface { ports };
    ScopedSimulatedHost::PluggedInterface plugged;
    std::unique_ptr<MainComponent> panel;
};
