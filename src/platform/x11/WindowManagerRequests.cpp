#include "platform/x11/FrameworkX11Internals.h"   // first: the framework's X11 classes, for its one version

#include "platform/SteadyDeadline.h"
#include "platform/x11/DisplayLoss.h"
#include "platform/x11/WindowManagerRequests.h"

#include <algorithm>
#include <array>
#include <optional>

#if JUCE_LINUX || JUCE_BSD
 #include <poll.h>
#endif

namespace WindowManagerRequests
{
   #if JUCE_LINUX || JUCE_BSD
    namespace
    {
        constexpr long fromAnApplication = 1;
        constexpr long removeState = 0;
        constexpr int serverAnswerMs = 5000;

        ::Window nativeWindowOf (juce::Component& window)
        {
            auto* peer = window.getPeer();
            return peer != nullptr ? reinterpret_cast<::Window> (peer->getNativeHandle()) : ::Window {};
        }

        /** A message to the window manager about this window, sent as EWMH asks: to the root
            window, for whoever redirects its children's requests.
        */
        void sendToWindowManager (Display* display, ::Window window, const char* type, std::array<long, 5> data)
        {
            XEvent message {};
            message.xclient.type = ClientMessage;
            message.xclient.window = window;
            message.xclient.message_type = XInternAtom (display, type, False);
            message.xclient.format = 32;
            std::copy (data.begin(), data.end(), message.xclient.data.l);

            XSendEvent (display, DefaultRootWindow (display), False,
                        SubstructureRedirectMask | SubstructureNotifyMask, &message);
        }

        /** The _NET_WM_STATE values that hold a window at the screen's size: maximised either
            way, and full screen.
        */
        std::array<Atom, 3> screenSizedStates (Display* display)
        {
            return { XInternAtom (display, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                     XInternAtom (display, "_NET_WM_STATE_MAXIMIZED_HORZ", False),
                     XInternAtom (display, "_NET_WM_STATE_FULLSCREEN", False) };
        }

        /** The X server's current time: the time stamp of a property change we make and wait for,
            at most serverAnswerMs; nothing when the server does not answer or has gone. On a
            connection of our own, so that the framework's never holds an event it did not read;
            its events are read without a wait that could outlast a broken connection.
        */
        std::optional<Time> serverTimeNow (Display* display)
        {
            XSetWindowAttributes attributes {};
            attributes.event_mask = PropertyChangeMask;
            const auto probe = XCreateWindow (display, DefaultRootWindow (display), -1, -1, 1, 1, 0, 0,
                                              InputOnly, nullptr, CWEventMask, &attributes);

            XChangeProperty (display, probe, XInternAtom (display, "_NET_WM_USER_TIME", False),
                             XA_CARDINAL, 32, PropModeAppend, nullptr, 0);
            XFlush (display);

            std::optional<Time> now;
            const auto deadline = SteadyDeadline::in (serverAnswerMs);

            while (! DisplayLoss::happened())
            {
                if (XEvent event {}; XCheckWindowEvent (display, probe, PropertyChangeMask, &event))
                {
                    now = event.xproperty.time;
                    break;
                }

                const auto left = deadline.millisecondsLeft();

                if (left == 0)
                    break;

                pollfd readable { ConnectionNumber (display), POLLIN, 0 };
                ::poll (&readable, 1, left);
            }

            XDestroyWindow (display, probe);
            return now;
        }
    }

    bool activate (juce::Component& window)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        auto* framework = FrameworkX11::display();
        const auto native = nativeWindowOf (window);

        if (framework == nullptr || native == ::Window {})
            return false;

        // What the framework holds (the window's map, when it was hidden) goes first.
        {
            juce::XWindowSystemUtilities::ScopedXLock lock;
            XFlush (framework);
        }

        auto* display = XOpenDisplay (XDisplayString (framework));

        if (display == nullptr)
            return false;

        // A server that ends meanwhile ends the panel as the framework's connection's loss does.
        DisplayLoss::handleAlsoOn (display);

        const auto now = serverTimeNow (display);

        if (now)
            sendToWindowManager (display, native, "_NET_ACTIVE_WINDOW", { fromAnApplication, static_cast<long> (*now), 0, 0, 0 });

        XCloseDisplay (display);   // sends what it holds; returns at once on a broken connection
        return now.has_value() && ! DisplayLoss::happened();
    }

    bool holdsAtScreenSize (juce::Component& window)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        auto* display = FrameworkX11::display();
        const auto native = nativeWindowOf (window);

        if (display == nullptr || native == ::Window {})
            return false;

        juce::XWindowSystemUtilities::ScopedXLock lock;

        const auto screenSized = screenSizedStates (display);

        juce::XWindowSystemUtilities::GetXProperty state (display, native, XInternAtom (display, "_NET_WM_STATE", False),
                                                           0, 64, false, XA_ATOM);

        if (! state.success || state.actualFormat != 32 || state.data == nullptr)
            return false;

        const auto* atoms = reinterpret_cast<const unsigned long*> (state.data);

        return std::any_of (atoms, atoms + state.numItems, [&] (unsigned long atom)
                            {
                                return std::find (screenSized.begin(), screenSized.end(), atom) != screenSized.end();
                            });
    }

    void releaseFromScreenSize (juce::Component& window)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        auto* display = FrameworkX11::display();
        const auto native = nativeWindowOf (window);

        if (display == nullptr || native == ::Window {})
            return;

        // On the framework's connection: the size the program sets next follows these requests.
        juce::XWindowSystemUtilities::ScopedXLock lock;

        const auto [vertical, horizontal, fullScreen] = screenSizedStates (display);

        sendToWindowManager (display, native, "_NET_WM_STATE", { removeState, static_cast<long> (vertical), static_cast<long> (horizontal), fromAnApplication, 0 });
        sendToWindowManager (display, native, "_NET_WM_STATE", { removeState, static_cast<long> (fullScreen), 0, fromAnApplication, 0 });
    }
   #else
    bool activate (juce::Component&) { return false; }
    bool holdsAtScreenSize (juce::Component&) { return false; }
    void releaseFromScreenSize (juce::Component&) {}
   #endif
}
