#include "storage/SettingsFile.h"
#include "storage/SettingsStore.h"
#include "panel/SingleInstanceChannel.h"
#include "panel/SingleInstanceFolder.h"
#include "support/LocalSocket.h"
#include "support/X11Windows.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

/** Runs the built program the way a user or a script would, under the test run's own HOME. */
namespace
{
    const juce::String windowTitle = "Talvo z3 Control v1.1.0";

    struct Program
    {
        explicit Program (const juce::String& commandLine = {})
        {
            juce::StringArray args { TALVO_APP_BINARY };
            if (commandLine.isNotEmpty())
                args.add (commandLine);
            started = process.start (args, 0);
        }

        ~Program()
        {
            if (process.isRunning())
                process.kill();
        }

        std::optional<juce::uint32> exitCodeWithin (int timeoutMs)
        {
            if (! process.waitForProcessToFinish (timeoutMs))
                return std::nullopt;
            return process.getExitCode();
        }

        juce::ChildProcess process;
        bool started = false;
    };

    std::unique_ptr<juce::PropertySet> readSettings()
    {
        auto settings = std::make_unique<juce::PropertySet>();
        settings->getAllProperties() = SettingsFile::readChecked (SettingsFile::defaultFile()).properties;
        return settings;
    }

    std::unique_ptr<SettingsStore> storedSettingsAt (const juce::File& file)
    {
        file.getParentDirectory().createDirectory();
        auto settings = std::make_unique<SettingsStore> (file, -1, true);
        settings->load (SettingsFile::readChecked (file).properties);
        return settings;
    }

    void removeSettings()
    {
        SettingsFile::defaultFile().deleteFile();
    }

    bool hasDisplay()
    {
        return juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isNotEmpty();
    }
}

TEST (ProgramLaunch, ShutdownAtStartEndsAtOnceWithoutAWindow)
{
    Program program ("/shutdown");
    ASSERT_TRUE (program.started);
    EXPECT_EQ (program.exitCodeWithin (20000), std::optional<juce::uint32> (0u));
    EXPECT_FALSE (X11Windows::findWindowTitled (windowTitle).has_value());
}

TEST (ProgramLaunch, InitResetsStoresTheWindowStateAndExitsWith4321)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    removeSettings();
    Program program ("/INIT");
    ASSERT_TRUE (program.started);
    // A process's exit status has eight bits here: 4321 arrives as 4321 mod 256.
    EXPECT_EQ (program.exitCodeWithin (30000), std::optional<juce::uint32> (4321u & 0xFFu));

    // The reset stores an empty position; the orderly shutdown that follows stores the window's
    // state over it.
    auto settings = readSettings();
    EXPECT_TRUE (settings->containsKey (SettingsFile::Keys::windowPosition));
}

TEST (ProgramLaunch, ShowsItsWindowAndASecondLaunchHandsOverTheCommandLine)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    Program running;
    ASSERT_TRUE (running.started);

    // Xvfb's default screen is shorter than 1292 pixels, so the small start scale applies.
    const auto window = X11Windows::waitForWindowSized (windowTitle, 297, 816, 30000);
    ASSERT_TRUE (window.has_value()) << "running: " << running.process.isRunning();
    EXPECT_EQ (window->width, 297);
    EXPECT_EQ (window->height, 816);

    // A plain second launch only raises the running window and ends at once.
    Program second;
    EXPECT_EQ (second.exitCodeWithin (10000), std::optional<juce::uint32> (0u));
    EXPECT_TRUE (running.process.isRunning());

    // "/init" is not a second-launch switch: nothing resets, nothing quits.
    Program init ("/init");
    EXPECT_EQ (init.exitCodeWithin (10000), std::optional<juce::uint32> (0u));
    juce::Thread::sleep (500);
    EXPECT_TRUE (running.process.isRunning());

    Program stopper ("/shutdown");
    EXPECT_EQ (stopper.exitCodeWithin (10000), std::optional<juce::uint32> (0u));
    EXPECT_EQ (running.exitCodeWithin (20000), std::optional<juce::uint32> (0u));

    EXPECT_TRUE (readSettings()->getValue (SettingsFile::Keys::windowPosition).isNotEmpty());
}

TEST (ProgramLaunch, DefaultSwitchIsRecognisedButNotWithATrailingSpace)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    {
        Program program ("/DEFAULT");
        const auto window = X11Windows::waitForWindowSized (windowTitle, 323, 884, 30000);
        ASSERT_TRUE (window.has_value()) << "running: " << program.process.isRunning();
        EXPECT_EQ (window->width, 323);   // the size the factory reset gives the window
        EXPECT_EQ (window->height, 884);
        Program ("/shutdown").exitCodeWithin (10000);
        EXPECT_EQ (program.exitCodeWithin (20000), std::optional<juce::uint32> (0u));
    }
    {
        Program program ("/default ");
        const auto window = X11Windows::waitForWindowSized (windowTitle, 297, 816, 30000);
        ASSERT_TRUE (window.has_value()) << "running: " << program.process.isRunning()
                                         << " exit " << program.process.getExitCode();
        EXPECT_EQ (window->width, 297);
        EXPECT_EQ (window->height, 816);
        Program ("/shutdown").exitCodeWithin (10000);
        EXPECT_EQ (program.exitCodeWithin (20000), std::optional<juce::uint32> (0u));
    }
}

TEST (ProgramLaunch, WithoutADisplayItSaysSoAndFails)
{
    juce::ChildProcess process;
    // env -u clears the display for the child only.
    ASSERT_TRUE (process.start (juce::StringArray { "env", "-u", "DISPLAY", TALVO_APP_BINARY },
                                juce::ChildProcess::wantStdErr));
    const auto output = process.readAllProcessOutput();
    ASSERT_TRUE (process.waitForProcessToFinish (20000));
    EXPECT_NE (process.getExitCode(), 0u);
    EXPECT_TRUE (output.contains ("cannot open a display")) << output;
}

namespace
{
    /** Runs the program under `env` with extra variables, collecting what it writes to stderr. */
    /** True once a process holds the one-panel lock (or, with held false, once none does), within
        30 s: an earlier test's panel may still be saving on its way out.
    */
    bool waitForPanelLock (bool held)
    {
        const auto isHeld = []
        {
            const auto fd = ::open (SingleInstanceFolder::lockFile().getFullPathName().toRawUTF8(), O_RDONLY | O_CLOEXEC);
            const auto taken = fd >= 0 && ::flock (fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
            if (fd >= 0)
                ::close (fd);
            return taken;
        };

        for (const auto end = juce::Time::getMillisecondCounterHiRes() + 30000.0;
             isHeld() != held && juce::Time::getMillisecondCounterHiRes() < end;)
            juce::Thread::sleep (10);

        return isHeld() == held;
    }

    struct ProgramWithOutput
    {
        ProgramWithOutput (const juce::StringArray& environment, const juce::String& commandLine)
        {
            juce::StringArray args { "env" };
            args.addArray (environment);
            args.add (TALVO_APP_BINARY);
            if (commandLine.isNotEmpty())
                args.add (commandLine);
            started = process.start (args, juce::ChildProcess::wantStdErr);
        }

        ~ProgramWithOutput()
        {
            if (process.isRunning())
                process.kill();
        }

        juce::ChildProcess process;
        bool started = false;
    };
}

TEST (ProgramLaunch, AnotherUsersHoldOfTheMachineWideLockDoesNotStopALaunch)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    // The framework's own instance lock is one file for the whole machine; whoever holds it
    // (another user's panel, or anyone at all) used to make every launch end at once, silently.
    // When it cannot be taken here, someone else on the machine holds it: the same case.
    juce::InterProcessLock machineWide ("juceAppLock_Talvo z3 Control");
    machineWide.enter (0);

    Program running;
    ASSERT_TRUE (running.started);
    const auto window = X11Windows::waitForWindowTitled (windowTitle, 30000);
    machineWide.exit();
    EXPECT_TRUE (window.has_value()) << "running: " << running.process.isRunning();

    Program ("/shutdown").exitCodeWithin (10000);
    EXPECT_EQ (running.exitCodeWithin (20000), std::optional<juce::uint32> (0u));
}

TEST (ProgramLaunch, AFloodOfSecondLaunchesDoesNotDelayAShutdown)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    Program running;
    ASSERT_TRUE (running.started);
    ASSERT_TRUE (X11Windows::waitForWindowTitled (windowTitle, 30000).has_value());

    // Each plain second launch raises the window for a moment; a hundred of them once held the
    // message thread for twenty seconds, one pause after another.
    int answered = 0;
    for (int i = 0; i < 100; ++i)
        if (SingleInstanceChannel::handOverToRunningInstance ({}).outcome != SingleInstanceChannel::HandOverResult::Outcome::noAnswer)
            ++answered;
    EXPECT_EQ (answered, 100);

    Program stopper ("/shutdown");
    EXPECT_EQ (stopper.exitCodeWithin (10000), std::optional<juce::uint32> (0u));
    EXPECT_EQ (running.exitCodeWithin (5000), std::optional<juce::uint32> (0u));
}

TEST (ProgramLaunch, ASecondLaunchThatCannotReachThePanelSaysSoAndFails)
{
    const auto base = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("launch-refused");
    base.deleteRecursively();
    const auto publicRuntime = base.getChildFile ("run");
    const auto state = base.getChildFile ("state");
    ASSERT_TRUE (publicRuntime.createDirectory() && state.createDirectory());
    ::chmod (publicRuntime.getFullPathName().toRawUTF8(), 0777);

    // The private fallback folder is a link to a folder of someone else's choosing.
    const auto fallback = state.getChildFile ("talvo-z3-control");
    ASSERT_EQ (::symlink (base.getFullPathName().toRawUTF8(), fallback.getFullPathName().toRawUTF8()), 0);

    ProgramWithOutput stopper ({ "XDG_RUNTIME_DIR=" + publicRuntime.getFullPathName(), "XDG_STATE_HOME=" + state.getFullPathName() }, "/shutdown");
    ASSERT_TRUE (stopper.started);
    const auto output = stopper.process.readAllProcessOutput();
    ASSERT_TRUE (stopper.process.waitForProcessToFinish (20000));
    EXPECT_NE (stopper.process.getExitCode(), 0u);
    EXPECT_TRUE (output.contains ("cannot tell whether a panel runs, so none is started")) << output;
    EXPECT_TRUE (output.contains ("symbolic link")) << output;

    // A panel that takes the connection but never answers: the launch gives up in time.
    const SingleInstanceFolder::Opened folder;
    ASSERT_TRUE (waitForPanelLock (false));
    const auto file = SingleInstanceChannel::socketFile();
    file.deleteRecursively();   // what a killed panel left
    const int squatter = bindLocalSocket (file);
    ASSERT_GE (squatter, 0);
    ASSERT_EQ (::listen (squatter, 4), 0);

    ProgramWithOutput waiting ({}, "/shutdown");
    const auto answer = waiting.process.readAllProcessOutput();
    ASSERT_TRUE (waiting.process.waitForProcessToFinish (SingleInstanceChannel::handOverTimeoutMs + 10000));
    EXPECT_NE (waiting.process.getExitCode(), 0u);
    EXPECT_TRUE (answer.contains ("did not answer in time")) << answer;

    ::close (squatter);
    ::unlink (file.getFullPathName().toRawUTF8());
    base.deleteRecursively();
}

TEST (ProgramLaunch, APanelThatCannotListenSaysSoAndLaterLaunchesStartNoOther)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    // A folder at the socket's name: no panel can listen, and each launch once started a panel.
    const SingleInstanceFolder::Opened folder;
    ASSERT_TRUE (waitForPanelLock (false));
    SingleInstanceChannel::socketFile().deleteRecursively();   // what a killed panel left
    ASSERT_TRUE (SingleInstanceChannel::socketFile().createDirectory());

    ProgramWithOutput running ({}, {});
    ASSERT_TRUE (running.started);
    ASSERT_TRUE (X11Windows::waitForWindowTitled (windowTitle, 30000).has_value()) << "running: " << running.process.isRunning();

    // The panel is the process that holds the lock: a window of that title alone could be another's.
    ASSERT_TRUE (waitForPanelLock (true)) << "running: " << running.process.isRunning();

    // Plain launches alike (the channel's own tests): this one waits out the time-out.
    ProgramWithOutput stopper ({}, "/shutdown");
    const auto said = stopper.process.readAllProcessOutput();
    ASSERT_TRUE (stopper.process.waitForProcessToFinish (SingleInstanceChannel::handOverTimeoutMs + 10000));
    EXPECT_EQ (stopper.process.getExitCode(), 1u);
    EXPECT_TRUE (said.contains ("does not listen for later launches")) << said;

    EXPECT_TRUE (running.process.isRunning());
    running.process.kill();
    const auto output = running.process.readAllProcessOutput();
    EXPECT_TRUE (output.contains ("later launches cannot reach this panel (a folder is in the way")) << output;
    SingleInstanceChannel::socketFile().deleteRecursively();
}

TEST (ProgramLaunch, TheWindowIsShownOnceAndAtItsStartSize)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    X11Windows::MapRecorder recorder (juce::File (TALVO_APP_BINARY).getFullPathName());
    Program running;
    ASSERT_TRUE (running.started);
    ASSERT_TRUE (X11Windows::waitForWindowSized (windowTitle, 297, 816, 30000).has_value());

    // Nothing else comes up: no window at the framework's default size or the panel's initial
    // 744 x 1360 before the real one.
    const auto maps = recorder.mapsWithin (300, 2);
    ASSERT_EQ (maps.size(), 1u);
    EXPECT_EQ (maps[0].width, 297);
    EXPECT_EQ (maps[0].height, 816);
}

TEST (ProgramLaunch, ASaveThatFailsAtExitSaysSoOnceAndExitsWith1)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    // A file larger than the file-size limit below: its save at exit cannot succeed.
    auto stored = storedSettingsAt (SettingsFile::defaultFile());
    stored->setValue (SettingsFile::Keys::snapshotName (0), juce::String::repeatedString ("x", 2000));
    stored->setValue (SettingsFile::Keys::resetNextBoot, false);   // the exit sets it: a change to save
    stored = nullptr;

    // A window an earlier test's panel left is not this one's.
    for (const auto end = juce::Time::getMillisecondCounter() + 10000;
         X11Windows::findWindowTitled (windowTitle).has_value() && juce::Time::getMillisecondCounter() < end;)
        juce::Thread::sleep (10);

    juce::ChildProcess running;
    ASSERT_TRUE (running.start (juce::StringArray { "sh", "-c", "ulimit -f 1 && exec \"$0\"", TALVO_APP_BINARY },
                                juce::ChildProcess::wantStdErr));
    ASSERT_TRUE (X11Windows::waitForWindowTitled (windowTitle, 30000).has_value());

    Program stopper ("/shutdown");
    const auto stopped = stopper.exitCodeWithin (10000);
    if (stopped != std::optional<juce::uint32> (0u))
        running.kill();
    ASSERT_EQ (stopped, std::optional<juce::uint32> (0u));
    const auto output = running.readAllProcessOutput();
    ASSERT_TRUE (running.waitForProcessToFinish (20000));
    EXPECT_EQ (running.getExitCode(), 1u) << output;
    EXPECT_EQ (output.indexOf ("could not be saved"), output.lastIndexOf ("could not be saved")) << output;
    EXPECT_TRUE (output.contains (SettingsFile::defaultFile().getFullPathName()) && output.contains (std::strerror (EFBIG))) << output;
    removeSettings();
}

TEST (ProgramLaunch, ARunAsRootWithAnotherUsersHomeStartsButMakesAndWritesNothingThere)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("other-user");
    home.deleteRecursively();
    ASSERT_TRUE (home.createDirectory());
    if (::chown (home.getFullPathName().toRawUTF8(), ::geteuid() + 1, static_cast<gid_t> (-1)) != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";

    ProgramWithOutput program ({ "HOME=" + home.getFullPathName(), "XDG_RUNTIME_DIR=",
                                 "XDG_STATE_HOME=" + home.getFullPathName() + "/.local/state" }, "/init");
    ASSERT_TRUE (program.started);
    const auto output = program.process.readAllProcessOutput();
    ASSERT_TRUE (program.process.waitForProcessToFinish (30000));
    EXPECT_EQ (program.process.getExitCode(), 4321u & 0xFFu) << output;
    EXPECT_TRUE (output.contains ("starts without the one-panel check")) << output;
    EXPECT_TRUE (output.contains ("saves no settings")) << output;
    // Only the panel's own places: the framework's display-scale probe runs gsettings, whose
    // dconf makes ~/.cache/dconf on its own.
    EXPECT_FALSE (home.getChildFile (".config").exists());
    EXPECT_FALSE (home.getChildFile (".local").exists());
    home.deleteRecursively();
}
