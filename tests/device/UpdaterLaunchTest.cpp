#include "mixer/SettingsFile.h"
#include "mixer/TimerIds.h"
#include "support/FakeUpdater.h"
#include "support/PanelFixture.h"
#include "support/SimulatedHostFixture.h"

namespace
{
    class UpdaterLaunch : public ::testing::Test
    {
    protected:
        ~UpdaterLaunch() override { panel = nullptr; }

        /** Runs the panel's updater launch and returns what it logged. */
        std::string launch()
        {
            ::testing::internal::CaptureStderr();
            panel->openUpdater();
            return ::testing::internal::GetCapturedStderr();
        }

        ScopedSimulatedHost sim;
        FreshSettingsFile freshSettings;
        SimulatedMidiPorts ports;
        FakeBundle bundle;
        std::unique_ptr<MainComponent> panel;
    };

    bool contains (const std::string& text, const juce::String& part) { return text.find (part.toStdString()) != std::string::npos; }
}

TEST_F (UpdaterLaunch, AQuotedPathWithBlanksGivesTwoArgumentsAndBothStreamsAreRead)
{
    panel = std::make_unique<MainComponent> (ports);
    panel->m_applicationBundle = bundle.folder;
    bundle.installUpdater ("echo \"arguments: $# [$1]\"; echo 'on stderr' >&2; exit 3");

    const auto log = launch();
    EXPECT_TRUE (contains (log, "\"" + FirmwareUpdaterLocation::updaterIn (bundle.folder).getFullPathName() + "\"\n"));
    EXPECT_TRUE (contains (log, "arguments: 1 [/check]\non stderr\n\r\n"));

    // Ended within 30 ms, its status is logged; a loaded machine may need a few tries for that.
    bool statusLogged = contains (log, "Exit cp with: 3\n");
    for (int attempt = 0; attempt < 5 && ! statusLogged; ++attempt)
        statusLogged = contains (launch(), "Exit cp with: 3\n");
    EXPECT_TRUE (statusLogged);

    bundle.installUpdater ("sleep 0.3; exit 3");  // still running after 30 ms
    EXPECT_TRUE (contains (launch(), "Exit cp with: 0\n"));
}

TEST_F (UpdaterLaunch, ResultTwoMarksTheNextConnectionForAResetAndDisablesTheControls)
{
    panel = std::make_unique<MainComponent> (ports);
    panel->m_applicationBundle = bundle.folder;
    panel->enableAllElements (true);

    bundle.installUpdater ("echo 'firmware written'; echo 0");
    launch();
    EXPECT_FALSE (panel->getUserSettings()->getBoolValue (SettingsFile::Keys::resetNextBoot));
    EXPECT_FALSE (panel->m_elementsDisabled);

    bundle.installUpdater ("echo 'firmware written'; echo '2 '");
    launch();
    EXPECT_TRUE (panel->getUserSettings()->getBoolValue (SettingsFile::Keys::resetNextBoot));
    EXPECT_TRUE (panel->m_elementsDisabled);
}

TEST_F (UpdaterLaunch, AMissingUpdaterStillHandsBackAPresentInterface)
{
    sim.plugInTalvo();
    panel = std::make_unique<MainComponent> (ports);
    panel->m_applicationBundle = bundle.folder;  // holds no updater
    panel->stopTimer (midiPortScanTimer);
    panel->m_updateButton.setVisible (true);

    const auto log = launch();
    EXPECT_TRUE (contains (log, "Exit cp with: 0\n\r\n"));
    EXPECT_FALSE (panel->updaterRunning);
    EXPECT_FALSE (panel->m_updateButton.isVisible());
    EXPECT_EQ (gUSBdevice, nullptr);                               // let go, for the updater
    EXPECT_TRUE (panel->isTimerRunning (midiPortScanTimer));       // and found again
}

TEST_F (UpdaterLaunch, TheRealUpdaterReportsAndWritesNothing)
{
    panel = std::make_unique<MainComponent> (ports);
    panel->m_applicationBundle = juce::File (TALVO_UPDATER_BINARY).getParentDirectory().getParentDirectory().getParentDirectory();
    ASSERT_EQ (FirmwareUpdaterLocation::updaterIn (panel->m_applicationBundle), juce::File (TALVO_UPDATER_BINARY));

    // This machine has no interface on its MIDI ports: the updater says so and ends with 3.
    const auto log = launch();
    EXPECT_TRUE (contains (log, "written nothing to the interface.\n3\n"));
    EXPECT_FALSE (panel->getUserSettings()->getBoolValue (SettingsFile::Keys::resetNextBoot));
}
