// Launches programs on the X display and watches them from outside: when their first window is
// mapped, when it is first painted (the X damage extension), every window mapped on the way, and
// their memory some seconds after launch (resident, proportional and private). Alternates two
// programs run by run and prints the medians and their ratios, and how many font files the
// framework's first typeface scans in each launch.
//
//   talvo_launch_probe [--runs N] [--settle-ms MS] <reference program> <program>
//
// Each launch gets a throwaway HOME and XDG_RUNTIME_DIR. Run it on a display with no window
// manager (scripts/benchmark.sh starts one).

#include "Median.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <regex>
#include <sstream>
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
        long pssKb = 0;       ///< each shared page counted in part, by the processes sharing it
        long privateKb = 0;   ///< pages no other process maps: what this launch alone costs
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

    /** A field in kB of a /proc file of the process, 0 if missing. */
    long procField (pid_t pid, const char* file, const char* name)
    {
        std::ifstream status ("/proc/" + std::to_string (pid) + "/" + file);
        std::string line;
        while (std::getline (status, line))
            if (line.rfind (name, 0) == 0)
                return std::atol (line.c_str() + std::strlen (name));
        return 0;
    }

    /** The font files a JUCE program's first typeface opens: every .ttf, .pfb, .pcf and .otf under
        the folders JUCE_FONT_PATH or else fonts.conf names, as the framework finds them. A folder
        in the home directory holds none here, since each launch gets an empty one.
    */
    struct FontFiles
    {
        int count = 0;
        std::string folders;
    };

    FontFiles fontFilesScanned()
    {
        std::vector<std::string> folders;

        if (const char* fontPath = std::getenv ("JUCE_FONT_PATH"); fontPath != nullptr && *fontPath != 0)
        {
            std::string separatedBySemicolons (fontPath);
            std::replace (separatedBySemicolons.begin(), separatedBySemicolons.end(), ',', ';');
            std::stringstream list (separatedBySemicolons);
            for (std::string folder; std::getline (list, folder, ';');)
                if (! folder.empty())
                    folders.push_back (folder);
        }
        else
        {
            for (const auto* conf : { "/etc/fonts/fonts.conf", "/usr/share/fonts/fonts.conf",
                                      "/usr/local/etc/fonts/fonts.conf", "/usr/share/defaults/fonts/fonts.conf" })
            {
                std::ifstream file (conf);
                if (! file)
                    continue;

                std::stringstream text;
                text << file.rdbuf();
                const auto uncommented = std::regex_replace (text.str(), std::regex ("<!--[\\s\\S]*?-->"), "");
                const std::regex dir ("<dir( prefix=\"xdg\")?[^>]*>\\s*([^<]*?)\\s*</dir>");

                for (std::sregex_iterator i (uncommented.begin(), uncommented.end(), dir), end; i != end; ++i)
                    if (! (*i)[1].matched && (*i)[2].str().rfind ('~', 0) != 0)
                        folders.push_back ((*i)[2].str());
                break;
            }
        }

        FontFiles result;
        namespace fs = std::filesystem;

        for (const auto& folder : folders)
        {
            result.folders += (result.folders.empty() ? "" : ", ") + folder;
            std::error_code error;

            for (fs::recursive_directory_iterator i (folder, fs::directory_options::follow_directory_symlink, error), end;
                 ! error && i != end; i.increment (error))
            {
                auto extension = i->path().extension().string();
                for (auto& c : extension)
                    c = static_cast<char> (std::tolower (static_cast<unsigned char> (c)));

                if (extension == ".ttf" || extension == ".pfb" || extension == ".pcf" || extension == ".otf")
                    ++result.count;
            }
        }

        return result;
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

        result.rssKb = procField (pid, "status", "VmRSS:");
        result.peakKb = procField (pid, "status", "VmHWM:");
        result.pssKb = procField (pid, "smaps_rollup", "Pss:");
        result.privateKb = procField (pid, "smaps_rollup", "Private_Clean:") + procField (pid, "smaps_rollup", "Private_Dirty:");

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

    struct Series
    {
        std::vector<double> mapped, painted, rss, pss, privateMemory, peak;
        std::string lastWindows;

        void add (const Launch& l)
        {
            mapped.push_back (l.mappedMs);
            painted.push_back (l.paintedMs);
            rss.push_back (static_cast<double> (l.rssKb) / 1024.0);
            pss.push_back (static_cast<double> (l.pssKb) / 1024.0);
            privateMemory.push_back (static_cast<double> (l.privateKb) / 1024.0);
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

    const auto fonts = fontFilesScanned();
    std::printf ("font files a first typeface scans: %d (in %s)\n", fonts.count, fonts.folders.c_str());

    Series series[2];
    for (int run = 0; run < runs; ++run)
    {
        // Alternate which one goes first, so neither always finds the caches the other warmed.
        for (int k = 0; k < 2; ++k)
        {
            const auto which = (run + k) % 2;
            const auto launch = launchOnce (display, damageEvent, programs[static_cast<size_t> (which)], settleMs);
            series[which].add (launch);
            std::printf ("run %2d %-9s mapped %6.1f ms  painted %6.1f ms  RSS %6.1f MB  PSS %6.1f MB  private %6.1f MB  peak %6.1f MB  windows %s\n",
                         run, which == 0 ? "reference" : "program", launch.mappedMs, launch.paintedMs,
                         launch.rssKb / 1024.0, launch.pssKb / 1024.0, launch.privateKb / 1024.0,
                         launch.peakKb / 1024.0, launch.mappedWindows.c_str());
            std::fflush (stdout);
        }
    }

    const char* names[] = { "reference", "program" };
    std::printf ("\nmedians of %d launches each (settle %d ms, %d font files)\n", runs, settleMs, fonts.count);
    std::printf ("%-10s %10s %10s %10s %10s %10s %10s\n", "", "mapped ms", "painted ms", "RSS MB", "PSS MB", "private MB", "peak MB");
    for (int i = 0; i < 2; ++i)
        std::printf ("%-10s %10.1f %10.1f %10.1f %10.1f %10.1f %10.1f\n", names[i], median (series[i].mapped),
                     median (series[i].painted), median (series[i].rss), median (series[i].pss),
                     median (series[i].privateMemory), median (series[i].peak));

    const auto ratio = [&series] (const std::vector<double> Series::*values)
    {
        return median (series[1].*values) / median (series[0].*values);
    };
    std::printf ("%-10s %10.2f %10.2f %10.2f %10.2f %10.2f %10.2f\n", "ratio", ratio (&Series::mapped), ratio (&Series::painted),
                 ratio (&Series::rss), ratio (&Series::pss), ratio (&Series::privateMemory), ratio (&Series::peak));

    XCloseDisplay (display);
    return 0;
}
