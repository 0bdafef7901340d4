#include "support/SimulatedTalvoZ3.h"
#include "updater/FirmwareCheck.h"

#include <gtest/gtest.h>

namespace
{
    juce::StringArray lines;

    UpdaterResult::Code runCheck (SimulatedMidiPorts& ports, int timeoutMs = FirmwareCheck::defaultReplyTimeoutMs)
    {
        lines.clear();
        return FirmwareCheck::run (ports, [] (const juce::String& line) { lines.add (line); }, timeoutMs);
    }
}

TEST (FirmwareCheck, AsksTheSimulatedInterfaceForItsVersionsAndComparesThem)
{
    SimulatedMidiPorts ports;
    SimulatedTalvoZ3 talvo (ports);

    EXPECT_EQ (runCheck (ports), UpdaterResult::firmwareCurrent);
    EXPECT_EQ (lines.joinIntoString ("|", 2), "RWA firmware: v1.17|STC firmware: v1.0F|The firmware is current.");
    ASSERT_TRUE (talvo.waitUntilIdle());
    EXPECT_EQ (talvo.receivedCommands(), (std::vector<std::uint8_t> { 0x79, 0x7A }));

    talvo.setFirmwareVersions ("v10F", "v117");
    EXPECT_EQ (runCheck (ports), UpdaterResult::firmwareNotCurrent);

    talvo.setAnswersRequests (false);
    EXPECT_EQ (runCheck (ports, 50), UpdaterResult::interfaceNotFound);
    EXPECT_TRUE (lines.contains ("RWA firmware: not reported"));

    ports.setRefusesToOpen (talvo.inputIdentifier, true);
    EXPECT_EQ (runCheck (ports), UpdaterResult::interfaceNotFound);

    SimulatedMidiPorts empty;
    EXPECT_EQ (runCheck (empty), UpdaterResult::interfaceNotFound);
}

TEST (UpdaterResult, ThePanelReadsTheNumberOnTheLastLine)
{
    EXPECT_EQ (UpdaterResult::resultOf ("Found it.\n2\r\n\r\n"), 2);
    EXPECT_EQ (UpdaterResult::resultOf ("  0 "), 0);
    for (auto* noResult : { "", "result 2", "2\nand then more", "99999999999999999999" })
        EXPECT_EQ (UpdaterResult::resultOf (noResult), -1) << noResult;
}
