#include "support/SimulatedTalvoZ3.h"
#include "updater/FirmwareCheck.h"

#include <gtest/gtest.h>

namespace
{
    struct Check
    {
        UpdaterResult::Code result;
        juce::StringArray lines;
    };

    Check runCheck (SimulatedMidiPorts& ports, int timeoutMs = FirmwareCheck::defaultReplyTimeoutMs)
    {
        Check check;
        check.result = FirmwareCheck::run (ports, [&] (const juce::String& line) { check.lines.add (line); }, timeoutMs);
        return check;
    }
}

TEST (FirmwareCheck, AsksTheSimulatedInterfaceForItsVersionsAndComparesThem)
{
    SimulatedMidiPorts ports;
    SimulatedTalvoZ3 talvo (ports);

    auto check = runCheck (ports);
    EXPECT_EQ (check.result, UpdaterResult::firmwareCurrent);
    EXPECT_TRUE (check.lines.contains ("RWA firmware: v1.17"));
    EXPECT_TRUE (check.lines.contains ("STC firmware: v1.0F"));
    EXPECT_EQ (check.lines[check.lines.size() - 1], "The firmware is current.");
    ASSERT_TRUE (talvo.waitUntilIdle());
    EXPECT_EQ (talvo.receivedCommands(), (std::vector<std::uint8_t> { 0x79, 0x7A }));

    talvo.setFirmwareVersions ("v10F", "v117");
    EXPECT_EQ (runCheck (ports).result, UpdaterResult::firmwareNotCurrent);

    talvo.setAnswersRequests (false);
    check = runCheck (ports, 50);
    EXPECT_EQ (check.result, UpdaterResult::interfaceNotFound);
    EXPECT_TRUE (check.lines.contains ("RWA firmware: not reported"));

    ports.setRefusesToOpen (talvo.inputIdentifier, true);
    EXPECT_EQ (runCheck (ports).result, UpdaterResult::interfaceNotFound);

    SimulatedMidiPorts empty;
    check = runCheck (empty);
    EXPECT_EQ (check.result, UpdaterResult::interfaceNotFound);
    EXPECT_TRUE (check.lines[1].startsWith ("No Talvo z3 found"));
}

TEST (UpdaterResult, ThePanelReadsTheNumberOnTheLastLine)
{
    EXPECT_EQ (UpdaterResult::resultOf ("Found it.\n2\n"), 2);
    EXPECT_EQ (UpdaterResult::resultOf ("2\r\n\r\n"), 2);
    EXPECT_EQ (UpdaterResult::resultOf ("  0 "), 0);
    EXPECT_EQ (UpdaterResult::resultOf (""), -1);
    EXPECT_EQ (UpdaterResult::resultOf ("result 2"), -1);
    EXPECT_EQ (UpdaterResult::resultOf ("2\nand then more"), -1);
    EXPECT_EQ (UpdaterResult::resultOf ("99999999999999999999"), -1);
    EXPECT_TRUE (UpdaterResult::asksForResetAtNextConnection ("written\n" + UpdaterResult::resultLine (UpdaterResult::interfaceRestarts)));

    juce::ChildProcess wrongArguments;
    ASSERT_TRUE (wrongArguments.start (juce::StringArray { TALVO_UPDATER_BINARY, "/update" }));
    const auto output = wrongArguments.readAllProcessOutput();
    EXPECT_TRUE (output.startsWith ("Usage: TalvoFWUpdatez3 /check"));
    EXPECT_EQ (UpdaterResult::resultOf (output), UpdaterResult::wrongArguments);
    EXPECT_TRUE (wrongArguments.waitForProcessToFinish (5000));
    EXPECT_EQ (wrongArguments.getExitCode(), 4u);
}
