#pragma once

/** The routing record of the Fluxroute feature: gains from the computer's virtual channels to the
    interface's outputs. Nothing in this panel reads or sends it; the factory default and the
    "fluxroute_update" action reset it. Message thread.
*/
struct FluxrouteRoutingRecord
{
    static constexpr int numChannels = 8;

    double gainDb[numChannels][numChannels] {};   ///< [virtual channel][output]
    bool routed[numChannels][numChannels] {};
};

/** The one routing record. */
extern FluxrouteRoutingRecord MyDeviceMixer;

/** When set, the next reset writes the test pattern; every reset inverts it. False at start. */
extern bool fluxrouteTestFlag;

/** Clears MyDeviceMixer (writing the test pattern, a 0 dB diagonal, when fluxrouteTestFlag is
    set), then inverts fluxrouteTestFlag.
*/
void resetMyDeviceMixer();
