#include "mixer/ActionCommands.h"

#include <gtest/gtest.h>

using ActionCommands::Kind;

TEST (ActionCommands, SampleRateIsTheNumberInKilohertzAfterEverySrate)
{
    const std::pair<const char*, double> cases[] = {
        { "srate48", 48000.0 }, { "srate48.0", 48000.0 }, { "srate176.4", 176400.0 },
        { "srate44.1", 44100.0 },       // exactly: a hair off would match no rate of the interface
        { "srate88.2srate", 88200.0 },  // every "srate" is taken out, not just the prefix
        { "srate", 0.0 }, { "sratefast", 0.0 }, { "srate-48", 0.0 }, { "srate0", 0.0 },
        { "srate1e400", 0.0 }           // not a finite number
    };

    for (auto [message, hz] : cases)
    {
        const auto action = ActionCommands::parse (message);
        EXPECT_EQ (action.kind, Kind::sampleRate) << message;
        EXPECT_EQ (action.sampleRateHz, hz) << message;
    }

    EXPECT_EQ (ActionCommands::parse ("Srate48").kind, Kind::none);
    EXPECT_EQ (ActionCommands::parse (" srate48").kind, Kind::none);
}

TEST (ActionCommands, FixedCommandsMatchOnlyTheWholeMessageInItsCase)
{
    const std::pair<const char*, Kind> fixed[] = {
        { "try_icon_clicked", Kind::tryIconClicked }, { "volume_update", Kind::volumeUpdate },
        { "fluxroute_update", Kind::fluxrouteUpdate }, { "loopback_update", Kind::loopbackUpdate },
        { "settings_set_factory_default", Kind::setFactoryDefault },
        { "settings_reset_monitoring", Kind::resetMonitoring }, { "settings_update", Kind::settingsUpdate },
        { "settings_start_update", Kind::startUpdate }, { "settings_hw_cntr_setting", Kind::hwControlSetting }
    };

    for (auto [message, kind] : fixed)
        EXPECT_EQ (ActionCommands::parse (message).kind, kind) << message;

    for (auto* nearMiss : { "Settings_update", "settings_update ", "", "try_icon_clicked2", "settings" })
        EXPECT_EQ (ActionCommands::parse (nearMiss).kind, Kind::none) << nearMiss;

    const auto usb = ActionCommands::parse ("irp5");
    EXPECT_EQ (usb.kind, Kind::usbBuffer);
    EXPECT_EQ (usb.value, 5);

    const auto latency = ActionCommands::parse ("ltcy256");
    EXPECT_EQ (latency.kind, Kind::latency);
    EXPECT_EQ (latency.value, 256);
}
