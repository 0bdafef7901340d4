// Drags a program's main window bigger and smaller under a window manager, as a user does with the
// mouse, and watches from outside whether every size it takes reaches the screen: after each step
// of the pointer, the window's new size (its ConfigureNotify) and the program's drawing into it
// (the X damage extension). A step whose new size is not drawn over in full within the wait, with
// no further input, has stalled. Also the program's CPU time per step (all its threads, from /proc).
//
//   talvo_resize_probe [--step PX] [--wait-ms MS] [--drags N] [--title PREFIX] <program>
//
// It starts openbox on the display it is given (which must have no window manager yet, and room
// for the program's largest window: 1600 x 1600 does), then the program with a throwaway HOME and
// XDG_RUNTIME_DIR. Each drag takes the bottom-right corner from the start width up to 496 pixels
// and then down to 248, the pointer moving step pixels across and the matching height down.

#include "Median.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>


namespace
{
    using Clock = std::chrono::steady_clock;

    constexpr int designWidth = 496, designHeight = 1360, smallestWidth = 248;
    /** The panel's window; the bare reference window is dragged with --title "Reference Window". */
    constexpr const char* panelTitlePrefix = "Talvo z3 Control";

    int ignoreXErrors (Display*, XErrorEvent*) { return 0; }

    double msSince (Clock::time_point start)
    {
        return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
    }

    pid_t spawn (const std::vector<std::string>& arguments, const std::string& home, bool quiet)
    {
        const auto pid = fork();
        if (pid != 0)
            return pid;

        if (! home.empty())
        {
            setenv ("HOME", home.c_str(), 1);
            setenv ("XDG_RUNTIME_DIR", home.c_str(), 1);
        }

        if (quiet)
        {
            const auto devNull = open ("/dev/null", O_WRONLY);
            dup2 (devNull, STDOUT_FILENO);
            dup2 (devNull, STDERR_FILENO);
        }

        std::vector<char*> argv;
        for (const auto& a : arguments)
            argv.push_back (const_cast<char*> (a.c_str()));
        argv.push_back (nullptr);
        execvp (argv[0], argv.data());
        _exit (127);
    }

    /** CPU time of a process in milliseconds (user and system, threads that have ended included),
        at the kernel's tick.
    */
    double cpuMs (pid_t pid)
    {
        std::ifstream stat ("/proc/" + std::to_string (pid) + "/stat");
        std::string text ((std::istreambuf_iterator<char> (stat)), std::istreambuf_iterator<char>());
        const auto afterName = text.rfind (')');
        if (afterName == std::string::npos)
            return 0;

        std::istringstream fields (text.substr (afterName + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i == 14 || i == 15) // utime, stime
                ticks += std::atof (field.c_str());

        return ticks * 1000.0 / (double) sysconf (_SC_CLK_TCK);
    }

    std::vector<unsigned long> windowProperty (Display* d, Window w, const char* name)
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;

        if (XGetWindowProperty (d, w, XInternAtom (d, name, False), 0, 1024, False, AnyPropertyType, &type, &format,
                                &items, &remaining, &data) == Success && data != nullptr)
        {
            if (format == 32)
                values.assign (reinterpret_cast<unsigned long*> (data), reinterpret_cast<unsigned long*> (data) + items);
            XFree (data);
        }

        return values;
    }

    std::string windowTitle (Display* d, Window w)
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::string title;

        if (XGetWindowProperty (d, w, XA_WM_NAME, 0, 1024, False, AnyPropertyType, &type, &format, &items, &remaining,
                                &data) == Success && data != nullptr)
        {
            if (format == 8)
                title.assign (reinterpret_cast<const char*> (data), items);
            XFree (data);
        }

        return title;
    }

    bool waitFor (Display* d, int timeoutMs, const std::function<bool()>& condition)
    {
        const auto start = Clock::now();
        while (! condition())
        {
            if (msSince (start) > timeoutMs)
                return false;
            XSync (d, False);
            usleep (5000);
        }
        return true;
    }

    struct Area
    {
        int x = 0, y = 0, width = 0, height = 0;
    };

    Area clientArea (Display* d, Window w)
    {
        XWindowAttributes attributes {};
        int x = 0, y = 0;
        Window child = 0;
        if (XGetWindowAttributes (d, w, &attributes) == 0 || ! XTranslateCoordinates (d, w, DefaultRootWindow (d), 0, 0, &x, &y, &child))
            return {};
        return { x, y, attributes.width, attributes.height };
    }

    /** What the probe sees of the program's window between two inputs. */
    class WindowWatch
    {
    public:
        WindowWatch (Display* d, Window w, int damageEventBase) : display (d), window (w), damageEvent (damageEventBase)
        {
            XSelectInput (d, w, StructureNotifyMask);
            damage = XDamageCreate (d, w, XDamageReportRawRectangles);
            const auto area = clientArea (d, w);
            width = area.width;
            height = area.height;
            XSync (d, False);
            drawn = XCreateRegion();
        }

        ~WindowWatch()
        {
            XDamageDestroy (display, damage);
            XDestroyRegion (drawn);
        }

        /** Reads what has arrived; true once the window's latest size is drawn over in full. */
        bool readEvents()
        {
            while (XPending (display) > 0)
            {
                XEvent event;
                XNextEvent (display, &event);

                if (event.type == ConfigureNotify && event.xconfigure.window == window
                    && (event.xconfigure.width != width || event.xconfigure.height != height))
                {
                    width = event.xconfigure.width;
                    height = event.xconfigure.height;
                    ++sizesSeen;
                    lastSizeAt = Clock::now();
                    XDestroyRegion (drawn);
                    drawn = XCreateRegion();
                }
                else if (event.type == damageEvent + XDamageNotify)
                {
                    const auto& d = reinterpret_cast<const XDamageNotifyEvent&> (event);
                    XRectangle r { d.area.x, d.area.y, d.area.width, d.area.height };
                    XUnionRectWithRegion (&r, drawn, drawn);
                }
            }

            return XRectInRegion (drawn, 0, 0, static_cast<unsigned> (width), static_cast<unsigned> (height)) == RectangleIn;
        }

        /** Waits until the window has a size it did not have after sizesBefore sizes and that size
            is drawn in full. False if waitMs pass without a new size, or after the last new size,
            without it drawn.
        */
        bool waitUntilNewSizeDrawn (int sizesBefore, int waitMs)
        {
            auto since = Clock::now();
            int sizes = sizesSeen;
            for (;;)
            {
                const auto drawnInFull = readEvents();
                if (sizesSeen != sizes)
                {
                    sizes = sizesSeen;
                    since = Clock::now();
                }

                if (drawnInFull && sizesSeen != sizesBefore)
                    return true;

                const auto left = waitMs - msSince (since);
                if (left <= 0)
                    return false;

                pollfd fd { ConnectionNumber (display), POLLIN, 0 };
                poll (&fd, 1, static_cast<int> (std::ceil (std::min (left, 5.0))));
            }
        }

        /** Forgets what was drawn so far. */
        void forgetDrawing()
        {
            readEvents();
            XDestroyRegion (drawn);
            drawn = XCreateRegion();
        }

        int width = 0, height = 0, sizesSeen = 0;
        Clock::time_point lastSizeAt;

    private:
        Display* display;
        Window window;
        int damageEvent;
        Damage damage = 0;
        Region drawn = nullptr;
    };

    struct DragResult
    {
        int steps = 0, stalled = 0, sizes = 0;
        bool lastSizeDrawnBeforeRelease = false;
        double cpuMsPerStep = 0;
        std::vector<double> drawnAfterMs, sizedAfterMs;
    };

    DragResult dragOnce (Display* d, Window client, int damageEventBase, pid_t program, int step, int waitMs)
    {
        DragResult result;
        WindowWatch watch (d, client, damageEventBase);

        const auto start = clientArea (d, client);
        if (std::getenv ("TALVO_PROBE_VERBOSE") != nullptr)
            std::printf ("client %lx at %dx%d+%d+%d\n", client, start.width, start.height, start.x, start.y);
        const auto frame = windowProperty (d, client, "_NET_FRAME_EXTENTS"); // left, right, top, bottom
        const int right = start.x + start.width + (frame.size() == 4 ? static_cast<int> (frame[1]) : 0);
        const int bottom = start.y + start.height + (frame.size() == 4 ? static_cast<int> (frame[3]) : 0);
        const int grabX = right - 2, grabY = bottom - 2;

        // The pointer for a client area of width w: the corner moves with the width and with the
        // height the aspect ratio gives it.
        const auto pointerFor = [&] (int w)
        {
            const auto h = static_cast<int> (std::lround (w * static_cast<double> (designHeight) / designWidth));
            return std::make_pair (grabX + (w - start.width), grabY + (h - start.height));
        };

        std::vector<int> widths;
        for (int w = start.width + step; w < designWidth; w += step)
            widths.push_back (w);
        widths.push_back (designWidth);
        for (int w = designWidth - step; w > smallestWidth; w -= step)
            widths.push_back (w);
        widths.push_back (smallestWidth);

        // openbox starts a resize on the first move after the press; that move does not size.
        XTestFakeMotionEvent (d, -1, grabX, grabY, CurrentTime);
        XSync (d, False);
        usleep (50 * 1000);
        XTestFakeButtonEvent (d, 1, True, CurrentTime);
        XSync (d, False);
        usleep (50 * 1000);
        XTestFakeMotionEvent (d, -1, grabX, grabY + 1, CurrentTime);
        XSync (d, False);
        usleep (100 * 1000);
        watch.forgetDrawing();

        const auto cpuBefore = cpuMs (program);

        for (const auto w : widths)
        {
            const auto [x, y] = pointerFor (w);
            const auto sizesBefore = watch.sizesSeen;
            const auto moved = Clock::now();
            XTestFakeMotionEvent (d, -1, x, y, CurrentTime);
            XFlush (d);

            const auto drawn = watch.waitUntilNewSizeDrawn (sizesBefore, waitMs);
            if (watch.sizesSeen == sizesBefore)
                continue; // the window manager kept the size: nothing new to draw

            ++result.steps;
            result.sizes += watch.sizesSeen - sizesBefore;

            result.sizedAfterMs.push_back (std::chrono::duration<double, std::milli> (watch.lastSizeAt - moved).count());

            if (drawn)
                result.drawnAfterMs.push_back (msSince (moved));
            else
                ++result.stalled;
        }

        result.lastSizeDrawnBeforeRelease = watch.readEvents();
        result.cpuMsPerStep = result.steps > 0 ? (cpuMs (program) - cpuBefore) / result.steps : 0;

        XTestFakeButtonEvent (d, 1, False, CurrentTime);
        XSync (d, False);

        // Back to the start size for the next drag, without a window manager's drag.
        const auto sizesBefore = watch.sizesSeen;
        XResizeWindow (d, client, static_cast<unsigned> (start.width), static_cast<unsigned> (start.height));
        XSync (d, False);
        watch.waitUntilNewSizeDrawn (sizesBefore, 1000);
        return result;
    }
}

int main (int argc, char** argv)
{
    int step = 4, waitMs = 250, drags = 3;
    std::string program;
    std::string titlePrefix = panelTitlePrefix;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--step" && i + 1 < argc)
            step = std::max (1, std::atoi (argv[++i]));
        else if (arg == "--wait-ms" && i + 1 < argc)
            waitMs = std::atoi (argv[++i]);
        else if (arg == "--drags" && i + 1 < argc)
            drags = std::max (1, std::atoi (argv[++i]));
        else if (arg == "--title" && i + 1 < argc)
            titlePrefix = argv[++i];
        else
            program = arg;
    }

    if (program.empty())
    {
        std::fprintf (stderr, "usage: %s [--step PX] [--wait-ms MS] [--drags N] [--title PREFIX] <program>\n", argv[0]);
        return 2;
    }

    auto* d = XOpenDisplay (nullptr);
    int damageEvent = 0, damageError = 0, xtest[4] {};
    if (d == nullptr || ! XDamageQueryExtension (d, &damageEvent, &damageError)
        || ! XTestQueryExtension (d, &xtest[0], &xtest[1], &xtest[2], &xtest[3]))
    {
        std::fprintf (stderr, "needs an X display with the damage and XTest extensions\n");
        return 1;
    }

    XSetErrorHandler (ignoreXErrors);
    const auto root = DefaultRootWindow (d);

    const auto windowManager = spawn ({ "openbox", "--sm-disable" }, {}, true);
    if (! waitFor (d, 10000, [&] { return ! windowProperty (d, root, "_NET_SUPPORTING_WM_CHECK").empty(); }))
    {
        std::fprintf (stderr, "openbox did not take the display\n");
        return 1;
    }

    char pattern[] = "/tmp/talvo-resize-XXXXXX";
    const std::string home = mkdtemp (pattern) != nullptr ? pattern : "/tmp";
    const auto pid = spawn ({ program }, home, false);

    Window client = 0;
    waitFor (d, 30000, [&]
             {
                 for (auto w : windowProperty (d, root, "_NET_CLIENT_LIST"))
                     if (windowTitle (d, w).rfind (titlePrefix, 0) == 0 && windowProperty (d, w, "_NET_FRAME_EXTENTS").size() == 4)
                         client = w;
                 return client != 0;
             });

    int exitCode = 0;
    if (client == 0)
    {
        std::fprintf (stderr, "no window titled \"%s...\" appeared\n", titlePrefix.c_str());
        exitCode = 1;
    }
    else
    {
        usleep (1000 * 1000); // the start's own work and paints are over

        std::vector<double> drawnAfter, cpuPerStep;
        int steps = 0, stalled = 0;
        bool everyLastSizeDrawn = true;

        for (int i = 0; i < drags; ++i)
        {
            const auto r = dragOnce (d, client, damageEvent, pid, step, waitMs);
            std::printf ("drag %d: %d steps (%d sizes), %d stalled, last size drawn before release: %s, "
                         "sized after median %.1f ms, drawn after median %.1f ms max %.1f ms, CPU %.1f ms per step\n",
                         i, r.steps, r.sizes, r.stalled, r.lastSizeDrawnBeforeRelease ? "yes" : "no", median (r.sizedAfterMs),
                         median (r.drawnAfterMs),
                         r.drawnAfterMs.empty() ? 0.0 : *std::max_element (r.drawnAfterMs.begin(), r.drawnAfterMs.end()),
                         r.cpuMsPerStep);
            std::fflush (stdout);
            steps += r.steps;
            stalled += r.stalled;
            everyLastSizeDrawn = everyLastSizeDrawn && r.lastSizeDrawnBeforeRelease;
            drawnAfter.insert (drawnAfter.end(), r.drawnAfterMs.begin(), r.drawnAfterMs.end());
            cpuPerStep.push_back (r.cpuMsPerStep);
        }

        std::printf ("\n%d drags, %d px steps: %d of %d steps stalled (no full picture within %d ms), last size drawn "
                     "before release in every drag: %s\nstep to its picture on screen: median %.1f ms, max %.1f ms; "
                     "CPU per step: median %.1f ms\n",
                     drags, step, stalled, steps, waitMs, everyLastSizeDrawn ? "yes" : "no", median (drawnAfter),
                     drawnAfter.empty() ? 0.0 : *std::max_element (drawnAfter.begin(), drawnAfter.end()), median (cpuPerStep));
    }

    kill (pid, SIGTERM);
    waitpid (pid, nullptr, 0);
    kill (windowManager, SIGTERM);
    waitpid (windowManager, nullptr, 0);
    std::system (("rm -rf '" + home + "'").c_str());
    XCloseDisplay (d);
    return exitCode;
}
