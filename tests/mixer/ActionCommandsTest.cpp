#include "mixer/ActionCommands.h"

#include <gtest/gtest.h>

TEST (ActionCommands, SampleRateIsTheNumberInKilohertzAfterEverySrateAndNearMissesAreNothing)
{
    // 44.1 x 1000 must be exactly 44100: a hair off matches no rate of the interface.
    for (auto [message, hz] : { std::pair { "srate48", 48000.0 }, { "srate44.1", 44100.0 }, { "srate88.2srate", 88200.0 },
                                { "srate", 0.0 }, { "sratefast", 0.0 }, { "srate-48", 0.0 }, { "srate1e400", 0.0 } })
    {
        EXPECT_EQ (ActionCommands::parse (message).kind, ActionCommands::Kind::sampleRate) << message;
        EXPECT_EQ (ActionCommands::parse (message).sampleRateHz, hz) << message;
    }

    for (auto* nearMiss : { "Srate48", " srate48", "settings", "try_icon_clicked " })
        EXPECT_EQ (ActionCommands::parse (nearMiss).kind, ActionCommands::Kind::none) << nearMiss;

    EXPECT_EQ (ActionCommands::parse ("ltcy256").value, 256);
}
