#include "support/WindowManagerFixture.h"
#include "support/ChildTestRun.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
    Display* asDisplay (void* display) { return static_cast<Display*> (display); }

    /** Windows come and go while the helpers look; Xlib's default handler would end the test. */
    int ignoreError (Display*, XErrorEvent*) { return 0; }

    /** A window's property: 32-bit values (windows, cardinals) or text. */
    struct Property
    {
        Property (Display* d, Window window, const char* name)
        {
            XGetWindowProperty (d, window, XInternAtom (d, name, False), 0, 1024, False, AnyPropertyType,
                                &type, &format, &items, &remaining, &data);
        }

        ~Property()
        {
            if (data != nullptr)
                XFree (data);
        }

        std::vector<unsigned long> values() const
        {
            const auto* longs = reinterpret_cast<const unsigned long*> (data);
            return format == 32 && data != nullptr ? std::vector<unsigned long> (longs, longs + items) : std::vector<unsigned long>();
        }

        juce::String text() const
        {
            return format == 8 && data != nullptr ? juce::String::fromUTF8 (reinterpret_cast<const char*> (data), static_cast<int> (items)) : juce::String();
        }

        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
    };
}

void WindowManagerFixture::SetUp()
{
    if (ChildTestRun::findProgram ("Xvfb").isEmpty() || ChildTestRun::findProgram ("openbox").isEmpty())
        GTEST_SKIP() << "needs Xvfb and openbox (scripts/test.sh installs them)";

    // The server picks a free display and says which on a pipe.
    int ends[2] {};
    ASSERT_EQ (::pipe (ends), 0);
    ::fcntl (ends[0], F_SETFD, FD_CLOEXEC);
    xServer = spawn ({ "Xvfb", "-displayfd", juce::String (ends[1]), "-nolisten", "tcp", "-screen", "0",
                       juce::String (screenWidth) + "x" + juce::String (screenHeight) + "x24" }, true);
    ::close (ends[1]);

    juce::String number;
    pollfd readable { ends[0], POLLIN, 0 };
    for (char c = 0; ! number.endsWithChar ('\n') && ::poll (&readable, 1, 20000) > 0 && ::read (ends[0], &c, 1) == 1;)
        number << juce::String::charToString (c);
    ::close (ends[0]);
    ASSERT_TRUE (number.trim().isNotEmpty()) << "Xvfb gave no display";

    displayBefore = juce::SystemStats::getEnvironmentVariable ("DISPLAY", {});
    ::setenv ("DISPLAY", (":" + number.trim()).toRawUTF8(), 1);

    XSetErrorHandler (ignoreError);
    auto* d = XOpenDisplay (nullptr);
    display = d;
    ASSERT_NE (d, nullptr);

    int damageErrorBase = 0;
    ASSERT_TRUE (XDamageQueryExtension (d, &damageEventBase, &damageErrorBase));
    XSelectInput (d, DefaultRootWindow (d), SubstructureNotifyMask);

    // Shown before openbox starts, which takes over the windows there once it is ready: it answers
    // for the display before it manages new windows.
    other = XCreateSimpleWindow (d, DefaultRootWindow (d), 0, 0, 120, 120, 0, 0, 0);
    XMapWindow (d, other);

    windowManager = spawn ({ "openbox", "--sm-disable" }, true);
    ASSERT_TRUE (windowManagerCaughtUp()) << "openbox did not take the display";
}

void WindowManagerFixture::TearDown()
{
    if (display != nullptr)
        XCloseDisplay (asDisplay (std::exchange (display, nullptr)));

    for (auto process : { programs, std::vector<pid_t> { windowManager, xServer } })
        for (auto pid : process)
            if (pid > 0 && ::kill (pid, SIGKILL) == 0)
                ::waitpid (pid, nullptr, 0);

    if (displayBefore.isNotEmpty())
        ::setenv ("DISPLAY", displayBefore.toRawUTF8(), 1);
}

pid_t WindowManagerFixture::spawn (const juce::StringArray& arguments, bool quiet)
{
    std::vector<std::string> strings;
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        strings.push_back (argument.toStdString());
    for (auto& s : strings)
        argv.push_back (s.data());
    argv.push_back (nullptr);

    // The server and openbox talk a lot; the program's own words stay in the log.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init (&actions);
    for (const auto fd : { STDOUT_FILENO, STDERR_FILENO })
        if (quiet)
            posix_spawn_file_actions_addopen (&actions, fd, "/dev/null", O_WRONLY, 0);

    pid_t pid = -1;
    if (::posix_spawnp (&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;

    posix_spawn_file_actions_destroy (&actions);
    return pid;
}

pid_t WindowManagerFixture::startProgram (const char* tsanSuppressions)
{
    const juce::String tsanBefore = std::getenv ("TSAN_OPTIONS") != nullptr ? std::getenv ("TSAN_OPTIONS") : "";

    // The later of two suppression files given wins.
    if (tsanSuppressions != nullptr && tsanBefore.isNotEmpty())
        ::setenv ("TSAN_OPTIONS", (tsanBefore + " suppressions=" + tsanSuppressions).toRawUTF8(), 1);

    programs.push_back (spawn ({ TALVO_APP_BINARY }, false));

    if (tsanBefore.isNotEmpty())
        ::setenv ("TSAN_OPTIONS", tsanBefore.toRawUTF8(), 1);

    return programs.back();
}

pid_t WindowManagerFixture::startProgramWithArgument (const juce::String& argument)
{
    programs.push_back (spawn ({ TALVO_APP_BINARY, argument }, false));
    return programs.back();
}

std::optional<int> WindowManagerFixture::exitWithin (pid_t program, int timeoutMs)
{
    std::optional<int> result;
    waitUntil ([&]
               {
                   int status = 0;
                   if (::waitpid (program, &status, WNOHANG) != program)
                       return false;
                   result = WIFEXITED (status) ? WEXITSTATUS (status) : -WTERMSIG (status);
                   std::replace (programs.begin(), programs.end(), program, -1);
                   return true;
               },
               timeoutMs);
    return result;
}

unsigned long WindowManagerFixture::panelWindow()
{
    auto* d = asDisplay (display);
    for (auto window : Property (d, DefaultRootWindow (d), "_NET_CLIENT_LIST").values())
        if (Property (d, window, "WM_NAME").text() == "Talvo z3 Control v1.1.0")
            return window;
    return 0;
}

unsigned long WindowManagerFixture::waitForPanelWindow()
{
    auto* d = asDisplay (display);
    unsigned long found = 0;
    const auto ready = waitUntil ([&]
                                  {
                                      // Watched from its creation: the window has no background, so
                                      // nothing is drawn in it before the program paints.
                                      for (XEvent event; XPending (d) > 0;)
                                      {
                                          XNextEvent (d, &event);
                                          if (event.type == CreateNotify)
                                              XDamageCreate (d, event.xcreatewindow.window, XDamageReportNonEmpty);
                                          else if (event.type == damageEventBase + XDamageNotify)
                                              painted[reinterpret_cast<XDamageNotifyEvent&> (event).drawable] = true;
                                      }

                                      found = panelWindow();
                                      return found != 0 && painted[found] && Property (d, found, "_NET_FRAME_EXTENTS").values().size() == 4;
                                  },
                                  30000);

    // The place the program asked for with its first paint has reached openbox.
    return ready && windowManagerCaughtUp() ? found : 0;
}

juce::Rectangle<int> WindowManagerFixture::clientArea (unsigned long window)
{
    auto* d = asDisplay (display);
    XWindowAttributes attributes {};
    int x = 0, y = 0;
    Window child = 0;
    if (XGetWindowAttributes (d, window, &attributes) == 0 || ! XTranslateCoordinates (d, window, DefaultRootWindow (d), 0, 0, &x, &y, &child))
        return {};
    return { x, y, attributes.width, attributes.height };
}

juce::Rectangle<int> WindowManagerFixture::framedArea (unsigned long window)
{
    const auto extents = Property (asDisplay (display), window, "_NET_FRAME_EXTENTS").values();   // left, right, top, bottom
    const auto side = [&] (size_t i) { return i < extents.size() ? static_cast<int> (extents[i]) : 0; };
    return juce::BorderSize<int> (side (2), side (0), side (3), side (1)).addedTo (clientArea (window));
}

void WindowManagerFixture::drag (juce::Point<int> from, juce::Point<int> to)
{
    auto* d = asDisplay (display);

    // openbox starts a drag on the first move after the press, and that move only starts it: what
    // it reads of the pointer from then on sizes the window. Each step goes once it took the last.
    XTestFakeMotionEvent (d, -1, from.x, from.y, CurrentTime);
    XTestFakeButtonEvent (d, 1, True, CurrentTime);
    windowManagerCaughtUp();
    XTestFakeMotionEvent (d, -1, from.x + 4, from.y + 4, CurrentTime);
    windowManagerCaughtUp();
    XTestFakeMotionEvent (d, -1, to.x, to.y, CurrentTime);
    windowManagerCaughtUp();
    XTestFakeButtonEvent (d, 1, False, CurrentTime);
    windowManagerCaughtUp();
}

void WindowManagerFixture::askWindowManager (unsigned long window, const char* type, std::initializer_list<long> data)
{
    auto* d = asDisplay (display);
    XEvent message {};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom (d, type, False);
    message.xclient.format = 32;
    std::copy (data.begin(), data.end(), message.xclient.data.l);
    XSendEvent (d, DefaultRootWindow (d), False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
    XSync (d, False);
}

long WindowManagerFixture::atom (const char* name)
{
    return static_cast<long> (XInternAtom (asDisplay (display), name, False));
}

bool WindowManagerFixture::isActiveOnTop (unsigned long window)
{
    auto* d = asDisplay (display);
    const auto active = Property (d, DefaultRootWindow (d), "_NET_ACTIVE_WINDOW").values();
    const auto stacking = Property (d, DefaultRootWindow (d), "_NET_CLIENT_LIST_STACKING").values();
    return ! active.empty() && active.front() == window && ! stacking.empty() && stacking.back() == window;
}

bool WindowManagerFixture::windowManagerCaughtUp()
{
    // openbox names what it shows of every title it is given, in the order it takes events: once
    // it has named this one, it has taken everything sent before.
    auto* d = asDisplay (display);
    const auto title = "another program " + juce::String (++titlesGiven);
    XStoreName (d, other, title.toRawUTF8());
    XSync (d, False);
    return waitUntil ([&] { return Property (d, other, "_NET_WM_VISIBLE_NAME").text() == title; }, 20000);
}

bool WindowManagerFixture::programKnowsPlaceOf (unsigned long window)
{
    auto* d = asDisplay (display);
    const auto place = clientArea (window);

    XEvent notice {};
    notice.xconfigure.type = ConfigureNotify;
    notice.xconfigure.event = notice.xconfigure.window = window;
    notice.xconfigure.x = place.getX();
    notice.xconfigure.y = place.getY();
    notice.xconfigure.width = place.getWidth();
    notice.xconfigure.height = place.getHeight();
    XSendEvent (d, window, False, StructureNotifyMask, &notice);
    XSync (d, False);

    // The framework writes the hints before it takes in the notice that made it write them: they
    // carry what the program knew from the notices before this one.
    return waitUntil ([&]
                      {
                          XSizeHints hints {};
                          long supplied = 0;
                          return XGetWMNormalHints (d, window, &hints, &supplied) != 0
                              && juce::Point<int> (hints.x, hints.y) == clientArea (window).getPosition();
                      },
                      30000);
}

void WindowManagerFixture::endDisplay()
{
    // Any call on a connection to a server that has gone would end this process.
    XCloseDisplay (asDisplay (std::exchange (display, nullptr)));
    ::kill (xServer, SIGTERM);
}

bool WindowManagerFixture::waitUntil (std::function<bool()> condition, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (timeoutMs);
    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() >= end)
            return false;
        juce::Thread::sleep (10);
    }
    return true;
}

bool WindowManagerFixture::addBottomDock (int height)
{
    auto* d = asDisplay (display);
    const auto dock = XCreateSimpleWindow (d, DefaultRootWindow (d), 0, screenHeight - height, static_cast<unsigned> (screenWidth),
                                           static_cast<unsigned> (height), 0, 0, 0);

    const auto type = static_cast<unsigned long> (atom ("_NET_WM_WINDOW_TYPE_DOCK"));
    XChangeProperty (d, dock, XInternAtom (d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                     reinterpret_cast<const unsigned char*> (&type), 1);

    // left, right, top, bottom, then the start and end of each along its edge.
    const long strut[12] { 0, 0, 0, height, 0, 0, 0, 0, 0, 0, 0, screenWidth - 1 };
    XChangeProperty (d, dock, XInternAtom (d, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32, PropModeReplace,
                     reinterpret_cast<const unsigned char*> (strut), 12);
    XMapWindow (d, dock);
    XSync (d, False);

    return waitUntil ([&] { return workArea() == juce::Rectangle<int> (screenWidth, screenHeight - height); }, 20000);
}

juce::Rectangle<int> WindowManagerFixture::workArea()
{
    auto* d = asDisplay (display);
    const auto areas = Property (d, DefaultRootWindow (d), "_NET_WORKAREA").values();
    const auto current = Property (d, DefaultRootWindow (d), "_NET_CURRENT_DESKTOP").values();
    const auto first = 4 * (current.empty() ? 0 : current.front());

    if (areas.size() < first + 4)
        return {};

    return { static_cast<int> (areas[first]), static_cast<int> (areas[first + 1]),
             static_cast<int> (areas[first + 2]), static_cast<int> (areas[first + 3]) };
}
