#pragma once

#include "support/PanelFixture.h"
#include "support/VirtualPanelTimers.h"

/** Holds the virtual timers, so that they exist before the panel and outlive it. */
struct VirtualPanelTimersFirst
{
    VirtualPanelTimers timers;
};

/** PanelFixture with the panel's timers on the virtual clock: timers.advanceBy (ms) runs them. */
class VirtualPanelFixture : protected VirtualPanelTimersFirst,
                            public PanelFixture
{
};
