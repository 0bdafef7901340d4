#include "mixer/FluxrouteRoutingRecord.h"

FluxrouteRoutingRecord MyDeviceMixer;
bool fluxrouteTestFlag = false;

void resetMyDeviceMixer()
{
    MyDeviceMixer = {};

    if (fluxrouteTestFlag)
        for (int channel = 0; channel < FluxrouteRoutingRecord::numChannels; ++channel)
            MyDeviceMixer.routed[channel][channel] = true;

    fluxrouteTestFlag = ! fluxrouteTestFlag;
}
