#include "storage/SettingsFile.h"
#include "mixer/TimerIds.h"
#include "support/ConnectionFixture.h"
#include "support/FakeUpdater.h"
#include "support/PanelFixture.h"
#include "support/SimulatedHostFixture.h"
#include "updater/UpdaterResult.h"

namespace
{
    class UpdaterLaunch : public ::testing::Test
    {
    protected:
        ~UpdaterLaunch() override { panel = nullptr; }

        void makePanel (const juce::File& bundleFolder)
        {
            panel = std::make_unique<MainComponent> (ports);
            panel->m_applicationBundle = bundleFolder;
        }

        /** Runs the panel's updater launch; true when its log holds part. */
        bool launchLogs (const juce::String& part)
        {
            ::testing::internal::CaptureStderr();
            panel->openUpdater();
            return juce::String (::testing::internal::GetCapturedStderr()).contains (part);
        }

        bool resetNextBoot() { return panel->getUserSettings()->getBoolValue (SettingsFile::Keys::resetNextBoot); }

        ScopedSimulatedHost sim;
        FreshSettingsFile freshSettings;
        SimulatedMidiPorts ports;
        FakeBundle bundle;
        std::unique_ptr<MainComponent> panel;
    };
}

TEST_F (UpdaterLaunch, AQuotedPathWithBlanksGivesTwoArgumentsAndBothStreamsAndTheQuickStatusAreLogged)
{
    makePanel (bundle.folder);
    bundle.installUpdater ("echo \"arguments: $# [$1]\"; echo 'on stderr' >&2; exit 3");
    EXPECT_TRUE (launchLogs (FirmwareUpdaterLocation::quotedPath (FirmwareUpdaterLocation::updaterIn (bundle.folder)) + "\n"));
    EXPECT_TRUE (launchLogs ("arguments: 1 [/check]\non stderr\n\r\n"));

    // Ended within 30 ms, its status is logged; a loaded machine may need a few tries for that.
    bool statusLogged = false;
    for (int attempt = 0; attempt < 5 && ! statusLogged; ++attempt)
        statusLogged = launchLogs ("Exit cp with: 3\n");
    EXPECT_TRUE (statusLogged);

    bundle.installUpdater ("sleep 0.3; exit 3");
    EXPECT_TRUE (launchLogs ("Exit cp with: 0\n"));
}

TEST_F (UpdaterLaunch, OnlyResultTwoMarksTheNextConnectionForAResetAndDisablesTheControls)
{
    makePanel (bundle.folder);
    panel->enableAllElements (true);

    bundle.installUpdater ("echo 'firmware written'; exit 2");  // the status is no result
    launchLogs ({});
    EXPECT_FALSE (resetNextBoot() || panel->m_elementsDisabled);

    bundle.installUpdater ("echo 'firmware written'; echo '2 '");
    launchLogs ({});
    EXPECT_TRUE (resetNextBoot() && panel->m_elementsDisabled);
}

TEST_F (UpdaterLaunch, AMissingUpdaterStillHandsBackAPresentInterface)
{
    sim.plugInTalvo();
    makePanel (bundle.folder);  // holds no updater
    panel->stopTimer (midiPortScanTimer);
    panel->m_updateButton.setVisible (true);

    EXPECT_TRUE (launchLogs ("Exit cp with: 0\n\r\n"));
    EXPECT_FALSE (panel->updaterRunning);
    EXPECT_FALSE (panel->m_updateButton.isVisible());
    EXPECT_EQ (gUSBdevice, nullptr);                          // let go, for the updater
    EXPECT_TRUE (panel->isTimerRunning (midiPortScanTimer));  // and found again
}

TEST_F (UpdaterLaunch, TheRealUpdaterReportsAndWritesNothing)
{
    const juce::File updater (TALVO_UPDATER_BINARY);
    makePanel (updater.getParentDirectory().getParentDirectory().getParentDirectory());
    ASSERT_EQ (FirmwareUpdaterLocation::updaterIn (panel->m_applicationBundle), updater);

    // This machine has no interface on its MIDI ports: the updater says so and ends with 3.
    EXPECT_TRUE (launchLogs ("written nothing to the interface.\n3\n"));
    EXPECT_FALSE (resetNextBoot());
}

//==============================================================================
/** The firmware check on the virtual clock, against firmware that is not current. */
class AutomaticUpdater : public ConnectionFixture
{
protected:
    void connectWithUpdaterReporting (UpdaterResult::Code result)
    {
        interface.setFirmwareVersions ("v10e", "v116");
        bundle.installUpdater ("echo run >> \"$(dirname \"$0\")/runs\"; echo " + UpdaterResult::resultLine (result));
        startPanel();
        panel->m_applicationBundle = bundle.folder;
        plugIn();
        ASSERT_TRUE (waitForConnection());
    }

    int updaterRuns() const
    {
        juce::StringArray lines;
        FirmwareUpdaterLocation::updaterIn (bundle.folder).getSiblingFile ("runs").readLines (lines);
        lines.removeEmptyStrings();
        return lines.size();
    }

    FakeBundle bundle;
};

TEST_F (AutomaticUpdater, ARunThatWroteNothingIsNotRepeatedByTheCheckButTheButtonStillStartsIt)
{
    connectWithUpdaterReporting (UpdaterResult::firmwareNotCurrent);

    // Each run re-arms the presence layer, whose arrival re-arms the check 10 s later.
    runFor (65000);
    EXPECT_EQ (updaterRuns(), 1);
    ASSERT_TRUE (panel->m_updateButton.isVisible());

    panel->m_updateButton.triggerClick();
    timers().runUntilIdle();
    EXPECT_EQ (updaterRuns(), 2);
}

TEST_F (AutomaticUpdater, AfterAReplugTheCheckStartsTheUpdaterOnceMore)
{
    connectWithUpdaterReporting (UpdaterResult::firmwareNotCurrent);
    ASSERT_TRUE (runUntil ([this] { return updaterRuns() == 1; }, 21000));
    runFor (25000);
    EXPECT_EQ (updaterRuns(), 1);

    unplug();
    ASSERT_TRUE (runUntil ([this] { return panel->m_elementsDisabled && ports.numOpenInputs() == 0; }, 3000));
    plugIn();
    ASSERT_TRUE (waitForConnection());
    EXPECT_TRUE (runUntil ([this] { return updaterRuns() == 2; }, 21000));
    runFor (25000);
    EXPECT_EQ (updaterRuns(), 2);
}

TEST_F (AutomaticUpdater, AfterARunThatWroteFirmwareTheCheckStillStartsTheUpdater)
{
    connectWithUpdaterReporting (UpdaterResult::interfaceRestarts);
    EXPECT_TRUE (runUntil ([this] { return updaterRuns() == 2; }, 21000));
}
