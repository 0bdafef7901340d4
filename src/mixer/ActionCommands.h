#pragma once

#include <juce_core/juce_core.h>

/** The text commands that the dialogs send to the panel, and how the panel reads them.

    Pure code: no window, any thread. Messages are compared case-sensitively; a fixed command must
    be the whole message, a parameter command is a prefix with a number right behind it.
*/
namespace ActionCommands
{
    /** The messages' texts. */
    namespace Text
    {
        constexpr const char* tryIconClicked = "try_icon_clicked";
        constexpr const char* volumeUpdate = "volume_update";
        constexpr const char* fluxrouteUpdate = "fluxroute_update";
        constexpr const char* loopbackUpdate = "loopback_update";
        constexpr const char* setFactoryDefault = "settings_set_factory_default";
        constexpr const char* resetMonitoring = "settings_reset_monitoring";
        constexpr const char* settingsUpdate = "settings_update";
        constexpr const char* startUpdate = "settings_start_update";
        constexpr const char* hwControlSetting = "settings_hw_cntr_setting";

        constexpr const char* sampleRatePrefix = "srate";
        constexpr const char* usbBufferPrefix = "irp";
        constexpr const char* latencyPrefix = "ltcy";
    }

    /** What a message asks for. */
    enum class Kind
    {
        none,               ///< matches nothing: ignored
        tryIconClicked,
        volumeUpdate,
        fluxrouteUpdate,
        loopbackUpdate,
        setFactoryDefault,
        resetMonitoring,
        settingsUpdate,
        startUpdate,
        hwControlSetting,
        sampleRate,         ///< sampleRateHz
        usbBuffer,          ///< value
        latency             ///< value
    };

    struct Action
    {
        Kind kind = Kind::none;

        /** The "srate" number in kHz times 1000, to the nearest whole hertz; 0 when the message
            carries no positive finite number, which the panel then ignores.
        */
        double sampleRateHz = 0.0;

        /** The trailing integer of an "irp" or "ltcy" message. */
        int value = 0;
    };

    /** Reads one message: the fixed commands first, in the vocabulary's order, then the prefixes
        "srate", "irp" and "ltcy".
    */
    Action parse (const juce::String& message);
}
