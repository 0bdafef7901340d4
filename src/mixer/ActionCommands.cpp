#include "mixer/ActionCommands.h"

#include <cmath>

namespace ActionCommands
{
    namespace
    {
        double sampleRateFrom (const juce::String& message)
        {
            // The number is what remains once every "srate" is taken out ("srate44.1" is 44.1 kHz).
            const auto kHz = message.replace (Text::sampleRatePrefix, {}).getDoubleValue();

            if (! std::isfinite (kHz) || kHz <= 0.0)
                return 0.0;

            // 44.1 x 1000 is 44100.00000000001 in binary floating point; the interface's rates are
            // whole hertz, and a rate that is off by a hair would never match one of them.
            const auto hz = std::round (kHz * 1000.0);
            return std::isfinite (hz) ? hz : 0.0;
        }
    }

    Action parse (const juce::String& message)
    {
        Action action;

        const std::pair<const char*, Kind> fixed[] = {
            { Text::tryIconClicked, Kind::tryIconClicked },
            { Text::volumeUpdate, Kind::volumeUpdate },
            { Text::fluxrouteUpdate, Kind::fluxrouteUpdate },
            { Text::loopbackUpdate, Kind::loopbackUpdate },
            { Text::setFactoryDefault, Kind::setFactoryDefault },
            { Text::resetMonitoring, Kind::resetMonitoring },
            { Text::settingsUpdate, Kind::settingsUpdate },
            { Text::startUpdate, Kind::startUpdate },
            { Text::hwControlSetting, Kind::hwControlSetting }
        };

        for (auto [text, kind] : fixed)
        {
            if (message == text)
            {
                action.kind = kind;
                return action;
            }
        }

        if (message.startsWith (Text::sampleRatePrefix))
        {
            action.kind = Kind::sampleRate;
            action.sampleRateHz = sampleRateFrom (message);
        }
        else if (message.startsWith (Text::usbBufferPrefix))
        {
            action.kind = Kind::usbBuffer;
            action.value = message.getTrailingIntValue();
        }
        else if (message.startsWith (Text::latencyPrefix))
        {
            action.kind = Kind::latency;
            action.value = message.getTrailingIntValue();
        }

        return action;
    }
}
