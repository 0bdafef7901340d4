// Launches programs on the X display and watches them from outside: when their first window is
// mapped, when it is first painted (the X damage extension), every window mapped on the way, and
// the resident memory some seconds after launch. Alternates two programs run by run and prints
// the medians and their ratios.
//
//   talvo_launch_probe [--runs N] [--settle-ms MS] <reference program> <program>
//
// Each launch gets a throwaway HOME and XDG_RUNTIME_DIR. Run it on a display with no window
// manager (scripts/benchmark-startup.sh starts one).

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
    using Clock = std::chrono::steady_clock;

    struct Launch
    {
        double mappedMs = -1, paintedMs = -1;
        long rssKb = 0, peakKb = 0;
        std::string mappedWindows; ///< every window mapped, as WxH@ms
    };

    // Windows vanish, and input-only ones cannot be watched for drawing: neither is an error here.
    int ignoreXErrors (Display*, XErrorEvent*) { return 0; }

    const bool verbose = std::getenv ("TALVO_PROBE_VERBOSE") != nullptr;

    void describe (const XEvent& e, int damageEvent, double ms)
    {
        switch (e.type)
        {
            case CreateNotify:
                std::printf ("%7.1f create %lx %dx%d+%d+%d override %d\n", ms, e.xcreatewindow.window, e.xcreatewindow.width,
                             e.xcreatewindow.height, e.xcreatewindow.x, e.xcreatewindow.y, e.xcreatewindow.override_redirect);
                break;
            case MapNotify:     std::printf ("%7.1f map %lx\n", ms, e.xmap.window); break;
            case UnmapNotify:   std::printf ("%7.1f unmap %lx\n", ms, e.xunmap.window); break;
            case DestroyNotify: std::printf ("%7.1f destroy %lx\n", ms, e.xdestroywindow.window); break;
            case ConfigureNotify:
                std::printf ("%7.1f configure %lx %dx%d+%d+%d\n", ms, e.xconfigure.window, e.xconfigure.width,
                             e.xconfigure.height, e.xconfigure.x, e.xconfigure.y);
                break;
            default:
                if (e.type == damageEvent + XDamageNotify)
                {
                    const auto& d = reinterpret_cast<const XDamageNotifyEvent&> (e);
                    std::printf ("%7.1f damage %lx %dx%d+%d+%d\n", ms, d.drawable, d.area.width, d.area.height, d.area.x, d.area.y);
                }
                break;
        }
    }

    double msSince (Clock::time_point start)
    {
        return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
    }

    long statusField (pid_t pid, const char* name)
    {
        std::ifstream status ("/proc/" + std::to_string (pid) + "/status");
        std::string line;
        while (std::getline (status, line))
            if (line.rfind (name, 0) == 0)
                return std::atol (line.c_str() + std::strlen (name));
        return 0;
    }

    std::string makeTempDir()
    {
        char pattern[] = "/tmp/talvo-launch-XXXXXX";
        const char* made = mkdtemp (pattern);
        return made != nullptr ? made : "/tmp";
    }

    void removeTree (const std::string& dir)
    {
        if (dir.rfind ("/tmp/talvo-launch-", 0) == 0)
            std::system (("rm -rf '" + dir + "'").c_str());
    }

    Launch launchOnce (Display* display, int damageEvent, const std::string& program, int settleMs)
    {
        Launch result;
        const auto home = makeTempDir(), runtime = makeTempDir();
        const auto root = DefaultRootWindow (display);
        XSelectInput (display, root, SubstructureNotifyMask);
        XSync (display, True);

        struct Watched
        {
            Damage damage = 0;
            double mappedMs = -1, paintedMs = -1;
            bool gone = false;
            bool skipFirstDamage = false;
        };
        std::map<Window, Watched> windows;
        Window lastMapped = 0;

        const auto start = Clock::now();
        const auto pid = fork();
        if (pid == 0)
        {
            setenv ("HOME", home.c_str(), 1);
            setenv ("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            execl (program.c_str(), program.c_str(), static_cast<char*> (nullptr));
            _exit (127);
        }

        while (msSince (start) < settleMs)
        {
            if (XPending (display) == 0)
            {
                pollfd fd { ConnectionNumber (display), POLLIN, 0 };
                poll (&fd, 1, 5);
                continue;
            }

            XEvent event;
            XNextEvent (display, &event);

            if (verbose)
                describe (event, damageEvent, msSince (start));

            if (event.type == CreateNotify && event.xcreatewindow.parent == root)
            {
                // Watch for drawing from before the window is mapped, so no paint is missed. A
                // window already on screen when it starts being watched is reported damaged as a
                // whole at once: that report is not a paint. The server is held meanwhile so
                // that the window cannot be mapped between the two requests.
                auto& watched = windows[event.xcreatewindow.window];
                XGrabServer (display);
                watched.damage = XDamageCreate (display, event.xcreatewindow.window, XDamageReportNonEmpty);
                XWindowAttributes attributes {};
                watched.skipFirstDamage = XGetWindowAttributes (display, event.xcreatewindow.window, &attributes) != 0
                                          && attributes.map_state == IsViewable;
                XUngrabServer (display);
            }
            else if (event.type == MapNotify && event.xmap.event == root)
            {
                XWindowAttributes attributes {};
                if (XGetWindowAttributes (display, event.xmap.window, &attributes) == 0 || attributes.width <= 1)
                    continue;

                const auto now = msSince (start);
                result.mappedWindows += (result.mappedWindows.empty() ? "" : " ") + std::to_string (attributes.width) + "x"
                                      + std::to_string (attributes.height) + "@" + std::to_string (static_cast<int> (now));
                windows[event.xmap.window].mappedMs = now;
                lastMapped = event.xmap.window;
            }
            else if ((event.type == UnmapNotify && event.xunmap.event == root)
                     || (event.type == DestroyNotify && event.xdestroywindow.event == root))
            {
                const auto window = event.type == UnmapNotify ? event.xunmap.window : event.xdestroywindow.window;
                if (auto found = windows.find (window); found != windows.end())
                    found->second.gone = true;
            }
            else if (event.type == damageEvent + XDamageNotify)
            {
                const auto& damage = reinterpret_cast<const XDamageNotifyEvent&> (event);
                if (auto found = windows.find (damage.drawable); found != windows.end() && found->second.paintedMs < 0)
                {
                    if (found->second.skipFirstDamage)
                        found->second.skipFirstDamage = false;
                    else
                        found->second.paintedMs = msSince (start);
                }
                XDamageSubtract (display, damage.damage, None, None);
            }
        }

        // The main window is the one mapped last and still there: windows mapped and replaced
        // on the way do not count as shown.
        if (auto found = windows.find (lastMapped); found != windows.end() && ! found->second.gone)
        {
            result.mappedMs = found->second.mappedMs;
            result.paintedMs = found->second.paintedMs;
        }

        result.rssKb = statusField (pid, "VmRSS:");
        result.peakKb = statusField (pid, "VmHWM:");

        kill (pid, SIGKILL);
        waitpid (pid, nullptr, 0);

        for (auto& [window, watched] : windows)
            if (watched.damage != 0)
                XDamageDestroy (display, watched.damage);
        XSelectInput (display, root, NoEventMask);
        XSync (display, True);

        removeTree (home);
        removeTree (runtime);
        return result;
    }

    double median (std::vector<double> values)
    {
        if (values.empty())
            return 0;
        std::sort (values.begin(), values.end());
        const auto n = values.size();
        return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

    struct Series
    {
        std::vector<double> mapped, painted, rss, peak;
        std::string lastWindows;

        void add (const Launch& l)
        {
            mapped.push_back (l.mappedMs);
            painted.push_back (l.paintedMs);
            rss.push_back (static_cast<double> (l.rssKb) / 1024.0);
            peak.push_back (static_cast<double> (l.peakKb) / 1024.0);
            lastWindows = l.mappedWindows;
        }
    };
}

int main (int argc, char** argv)
{
    int runs = 20, settleMs = 5000;
    std::vector<std::string> programs;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::atoi (argv[++i]);
        else if (arg == "--settle-ms" && i + 1 < argc)
            settleMs = std::atoi (argv[++i]);
        else
            programs.push_back (arg);
    }

    if (programs.size() != 2 || runs < 1)
    {
        std::fprintf (stderr, "usage: %s [--runs N] [--settle-ms MS] <reference program> <program>\n", argv[0]);
        return 2;
    }

    auto* display = XOpenDisplay (nullptr);
    int damageEvent = 0, damageError = 0;
    if (display == nullptr || ! XDamageQueryExtension (display, &damageEvent, &damageError))
    {
        std::fprintf (stderr, "needs an X display with the damage extension\n");
        return 1;
    }

    XSetErrorHandler (ignoreXErrors);

    Series series[2];
    for (int run = 0; run < runs; ++run)
    {
        // Alternate which one goes first, so neither always finds the caches the other warmed.
        for (int k = 0; k < 2; ++k)
        {
            const auto which = (run + k) % 2;
            const auto launch = launchOnce (display, damageEvent, programs[static_cast<size_t> (which)], settleMs);
            series[which].add (launch);
            std::printf ("run %2d %-9s mapped %6.1f ms  painted %6.1f ms  RSS %6.1f MB  peak %6.1f MB  windows %s\n",
                         run, which == 0 ? "reference" : "program", launch.mappedMs, launch.paintedMs,
                         launch.rssKb / 1024.0, launch.peakKb / 1024.0, launch.mappedWindows.c_str());
            std::fflush (stdout);
        }
    }

    const char* names[] = { "reference", "program" };
    std::printf ("\nmedians of %d launches each (settle %d ms)\n", runs, settleMs);
    std::printf ("%-10s %10s %10s %10s %10s\n", "", "mapped ms", "painted ms", "RSS MB", "peak MB");
    for (int i = 0; i < 2; ++i)
        std::printf ("%-10s %10.1f %10.1f %10.1f %10.1f\n", names[i], median (series[i].mapped),
                     median (series[i].painted), median (series[i].rss), median (series[i].peak));
    std::printf ("%-10s %10.2f %10.2f %10.2f %10.2f\n", "ratio", median (series[1].mapped) / median (series[0].mapped),
                 median (series[1].painted) / median (series[0].painted), median (series[1].rss) / median (series[0].rss),
                 median (series[1].peak) / median (series[0].peak));

    XCloseDisplay (display);
    return 0;
}
