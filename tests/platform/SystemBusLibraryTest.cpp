#include "platform/linux/SystemBusLibrary.h"
#include "support/ChildTestRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

/** libsystemd loaded when first needed, not linked. This test program links libsystemd for its
    fake logind, so whether the panel maps it is looked at in the panel itself.
*/
TEST (SystemBusLibrary, LoadsOnceFromAnyThreadOrSaysWhatIsMissing)
{
    std::vector<const SystemBusLibrary*> seen (8);
    std::vector<std::thread> threads;

    for (auto& s : seen)
        threads.emplace_back ([&s] { s = &SystemBusLibrary::get(); });

    for (auto& t : threads)
        t.join();

    EXPECT_EQ (std::count (seen.begin(), seen.end(), seen[0]), 8);
    EXPECT_TRUE (seen[0]->isAvailable()) << seen[0]->whyUnavailable();

    const SystemBusLibrary missing ("libtalvo-no-such-library.so.0");
    EXPECT_FALSE (missing.isAvailable());
    EXPECT_TRUE (missing.whyUnavailable().startsWith ("libtalvo-no-such-library.so.0 cannot be loaded (")) << missing.whyUnavailable();

    // A library that loads but has no sd-bus in it.
    const SystemBusLibrary notSdBus ("libudev.so.1");
    EXPECT_FALSE (notSdBus.isAvailable());
    EXPECT_TRUE (notSdBus.whyUnavailable().startsWith ("libudev.so.1 has no sd_bus_")) << notSdBus.whyUnavailable();
}

TEST (SystemBusLibrary, TheProgramsDoNotLinkLibsystemdOrLibusb)
{
    const auto readelf = ChildTestRun::findProgram ("readelf");

    if (readelf.isEmpty())
        GTEST_SKIP() << "readelf is not installed (Debian package binutils)";

    for (const auto* binary : { TALVO_APP_BINARY, TALVO_UPDATER_BINARY })
    {
        juce::ChildProcess process;
        ASSERT_TRUE (process.start (juce::StringArray { readelf, "--dynamic", binary }));
        const auto dynamicSection = process.readAllProcessOutput();
        EXPECT_TRUE (dynamicSection.contains ("(NEEDED)")) << binary;   // read at all

        for (const auto* loadedWhenNeeded : { "[libsystemd.so.0]", "[libusb-1.0.so.0]" })
            EXPECT_FALSE (dynamicSection.contains (loadedWhenNeeded)) << binary << " needs " << loadedWhenNeeded;
    }
}

namespace
{
    /** The panel with its standard error on a pipe, and the system bus address given in its
        environment (empty: none).
    */
    struct LaunchedPanel
    {
        explicit LaunchedPanel (const juce::String& systemBusAddress)
        {
            const auto assignment = "DBUS_SYSTEM_BUS_ADDRESS=" + systemBusAddress;
            std::vector<const char*> args { "env", "-u", "DBUS_SYSTEM_BUS_ADDRESS" };

            if (systemBusAddress.isNotEmpty())
                args.push_back (assignment.toRawUTF8());

            args.insert (args.end(), { TALVO_APP_BINARY, nullptr });

            int ends[2];

            if (::pipe2 (ends, O_CLOEXEC) != 0)
                return;

            // env replaces itself with the panel: the child's id is the panel's.
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init (&actions);
            posix_spawn_file_actions_adddup2 (&actions, ends[1], STDERR_FILENO);
            started = ::posix_spawnp (&pid, "env", &actions, nullptr, const_cast<char**> (args.data()), environ) == 0;
            posix_spawn_file_actions_destroy (&actions);
            ::close (ends[1]);
            errors = ends[0];
        }

        // The test's own run-time folder lets the next launch replace this one's stale socket.
        ~LaunchedPanel()
        {
            if (started && ::kill (pid, SIGKILL) == 0)
                ::waitpid (pid, nullptr, 0);

            ::close (errors);
        }

        /** Reads its standard error until it holds this line; false when it ends or falls silent. */
        bool says (const juce::String& line)
        {
            while (! said.contains (line + "\n"))
            {
                char buffer[256];
                pollfd readable { errors, POLLIN, 0 };
                const auto got = ::poll (&readable, 1, 30000) > 0 ? ::read (errors, buffer, sizeof (buffer)) : -1;

                if (got <= 0)
                    return false;

                said += juce::String::fromUTF8 (buffer, static_cast<int> (got));
            }

            return true;
        }

        bool hasMapped (const juce::String& libraryFileName) const
        {
            return juce::File ("/proc/" + juce::String (pid) + "/maps").loadFileAsString().contains (libraryFileName);
        }

        pid_t pid = -1;
        bool started = false;
        int errors = -1;
        juce::String said;
    };
}

// In the suite of the other launches: they look for the panel's window by its title.
TEST (ProgramLaunch, LoadsLibsystemdOnlyWhenASystemBusMayBeThere)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs a display (run under xvfb-run)";

    const juce::String noBus = "Talvo z3 Control: no sleep and wake events: no system bus (No such file or directory).";

    // An address in the environment is worth trying: libsystemd is loaded to try it.
    {
        LaunchedPanel panel ("unix:path=/nonexistent/system_bus_socket");
        ASSERT_TRUE (panel.started);
        ASSERT_TRUE (panel.says (noBus)) << panel.said;
        EXPECT_TRUE (panel.hasMapped ("libsystemd.so.0"));
    }

    if (juce::File ("/run/dbus/system_bus_socket").exists())
        GTEST_SKIP() << "this machine has a system bus; a start without one is not tried";

    // Neither an address nor the standard socket: the same words, and libsystemd never loaded.
    LaunchedPanel panel ({});
    ASSERT_TRUE (panel.started);
    ASSERT_TRUE (panel.says (noBus)) << panel.said;
    EXPECT_FALSE (panel.hasMapped ("libsystemd.so.0"));
}
