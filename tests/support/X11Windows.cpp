#include "support/X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <map>
#include <unistd.h>

namespace X11Windows
{
namespace
{
    /** Other tests' windows come and go on the same display while these helpers walk it; a window
        gone between two requests is an error that Xlib's default handler would end the process on.
    */
    int ignoreError (Display*, XErrorEvent*) { return 0; }

    Display* openDisplay()
    {
        XSetErrorHandler (ignoreError);
        return XOpenDisplay (nullptr);
    }

    /** The path of the program that created the window, from the process id it announces. */
    juce::String programOf (Display* display, Window window)
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        juce::String program;

        const auto pidAtom = XInternAtom (display, "_NET_WM_PID", False);
        if (XGetWindowProperty (display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                &items, &remaining, &data) == Success
            && data != nullptr && items == 1 && format == 32)
        {
            const auto pid = *reinterpret_cast<const unsigned long*> (data);
            char path[4096] {};
            const auto link = "/proc/" + juce::String (static_cast<juce::int64> (pid)) + "/exe";
            if (const auto length = ::readlink (link.toRawUTF8(), path, sizeof (path) - 1); length > 0)
                program = juce::String::fromUTF8 (path, static_cast<int> (length));
        }

        if (data != nullptr)
            XFree (data);
        return program;
    }

    juce::String titleOf (Display* display, Window window)
    {
        // The framework writes the title as UTF8_STRING, which XFetchName does not return.
        XTextProperty property {};
        juce::String title;
        if (XGetWMName (display, window, &property) != 0 && property.value != nullptr)
        {
            title = juce::String::fromUTF8 (reinterpret_cast<const char*> (property.value),
                                            static_cast<int> (property.nitems));
            XFree (property.value);
        }
        return title;
    }

    std::optional<Found> search (Display* display, Window window, const juce::String& title, int depth)
    {
        if (titleOf (display, window) == title)
        {
            XWindowAttributes attributes {};
            XGetWindowAttributes (display, window, &attributes);
            return Found { attributes.width, attributes.height, attributes.map_state == IsViewable };
        }

        if (depth > 3)
            return std::nullopt;

        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::optional<Found> result;

        if (XQueryTree (display, window, &root, &parent, &children, &count) != 0)
        {
            for (unsigned int i = 0; i < count && ! result; ++i)
                result = search (display, children[i], title, depth + 1);
            if (children != nullptr)
                XFree (children);
        }
        return result;
    }
}

std::optional<Found> findWindowTitled (const juce::String& title)
{
    auto* display = openDisplay();
    if (display == nullptr)
        return std::nullopt;

    auto result = search (display, DefaultRootWindow (display), title, 0);
    XCloseDisplay (display);
    return result;
}

std::optional<Found> waitForWindowTitled (const juce::String& title, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (timeoutMs);
    while (juce::Time::getMillisecondCounter() < end)
    {
        if (auto found = findWindowTitled (title); found && found->viewable)
            return found;
        juce::Thread::sleep (50);
    }
    return std::nullopt;
}

std::optional<Found> waitForWindowSized (const juce::String& title, int width, int height, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (timeoutMs);
    std::optional<Found> last;
    while (juce::Time::getMillisecondCounter() < end)
    {
        last = findWindowTitled (title);
        if (last && last->viewable && last->width == width && last->height == height)
            break;
        juce::Thread::sleep (50);
    }
    return last;
}

MapRecorder::MapRecorder (const juce::String& programPath) : program (programPath)
{
    auto* d = openDisplay();
    display = d;
    if (d != nullptr)
    {
        XSelectInput (d, DefaultRootWindow (d), SubstructureNotifyMask);
        XSync (d, False);
    }
}

MapRecorder::~MapRecorder()
{
    if (display != nullptr)
        XCloseDisplay (static_cast<Display*> (display));
}

std::vector<Found> MapRecorder::mapsWithin (int timeoutMs, size_t count)
{
    auto* d = static_cast<Display*> (display);
    if (d == nullptr)
        return maps;

    const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (timeoutMs);
    for (;;)
    {
        while (XPending (d) > 0)
        {
            XEvent event;
            XNextEvent (d, &event);

            // Sizes follow the events, so a window resized or destroyed right after its map
            // still counts with the size it was shown at.
            if (event.type == CreateNotify)
                sizes[event.xcreatewindow.window] = { event.xcreatewindow.width, event.xcreatewindow.height };
            else if (event.type == ConfigureNotify)
                sizes[event.xconfigure.window] = { event.xconfigure.width, event.xconfigure.height };
            else if (event.type == MapNotify)
                if (const auto size = sizes[event.xmap.window]; size.first > 1)
                    if (program.isEmpty() || programOf (d, event.xmap.window) == program)
                        maps.push_back ({ size.first, size.second, true });
        }

        if (maps.size() >= count || juce::Time::getMillisecondCounter() >= end)
            return maps;
        juce::Thread::sleep (10);
    }
}
}
