#pragma once

/** The framework's own X11 classes, for the few files that reach past its API into them.

    Include this first, before any framework header: the framework declares these classes only
    when JUCE_GUI_BASICS_INCLUDE_XHEADERS is set before its header is first read, so a file that
    includes this is compiled on its own, outside its folder's unity build. Nothing else sets that
    define (tests included), so every file that uses these classes passes the checks below.

    What they rely on, all of it internal to the framework and free to change in any release:
    - XWindowSystem::getInstanceWithoutCreating and getDisplay (FrameworkX11::display, below), updateConstraints
      (WindowSizeHints); XWindowSystemUtilities::ScopedXLock and GetXProperty;
    - the X11Symbols table: its xFlush entry (PaintDelivery), and its xSetWMNormalHints entry as the
      one way the framework writes size hints, replaced in place (WindowSizeHints). The table's
      layout follows the framework's JUCE_USE_XCURSOR, XINERAMA, XRENDER, XRANDR and XSHM settings,
      checked below against the ones it is compiled with (cmake/juce gives every file the same);
    - LinuxEventLoopInternal::invokeEventLoopCallbackForFd as the handler of the display
      connection's data, reading the X library's queue to its end (WaitingEvents);
    - the framework's X I/O error handler stopping the message loop and returning, with the exit
      handler left to the program (DisplayLoss); the framework opens its display once, when its
      window system is first made, and opens a new one only if that is deleted and made again;
    - that the framework draws a paint's picture without flushing (PaintDelivery), and sends no
      _NET_ACTIVE_WINDOW or _NET_WM_STATE request of its own (WindowManagerRequests).

    The rule for the framework's display, which every use here keeps:
    - Only the message thread touches it, always under the framework's ScopedXLock, and never
      with a call that waits for an event (XNextEvent, XWindowEvent, XIfEvent, XPeekEvent on an
      empty queue): the framework reads its events itself.
    - Nothing touches it once its connection has broken: FrameworkX11::display() is then null. The
      X library (1.8, from its documented exit handler and Xlibint.h's XlibDisplayIOError flag)
      marks the display broken, keeps the thread that noticed holding the display's lock for good
      (any other thread that locks it waits forever), and lets every later call return without
      reading; a call that waits for an event then either reads an empty queue (a null pointer)
      or loops for good. Only the framework's own teardown goes on using it, on the message thread.
*/

#ifdef JUCE_GUI_BASICS_H_INCLUDED
 #error "platform/x11/FrameworkX11Internals.h must be included before any framework header, and the file outside the unity build."
#endif

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include <juce_gui_basics/juce_gui_basics.h>

#include "platform/x11/DisplayLoss.h"

#if (JUCE_LINUX || JUCE_BSD) && ! (JUCE_MAJOR_VERSION == 7 && JUCE_MINOR_VERSION == 0 && JUCE_BUILDNUMBER == 5)
 #error "These files were written against JUCE 7.0.5's X11 internals. Before building with another version, check each use listed in src/platform/x11/FrameworkX11Internals.h against the new juce_gui_basics/native/x11 and juce_events/native sources, then change the version here."
#endif

#if (JUCE_LINUX || JUCE_BSD) && ! (JUCE_USE_XCURSOR == 1 && JUCE_USE_XINERAMA == 1 && JUCE_USE_XRENDER == 0 && JUCE_USE_XRANDR == 1 && JUCE_USE_XSHM == 1)
 #error "The framework's table of X functions (X11Symbols), whose entries these files replace and call, was checked with its default settings only: JUCE_USE_XCURSOR=1, JUCE_USE_XINERAMA=1, JUCE_USE_XRENDER=0, JUCE_USE_XRANDR=1, JUCE_USE_XSHM=1. Build the framework with those, or check the table's entries used in src/platform/x11 under the new settings and change them here."
#endif

#if JUCE_LINUX || JUCE_BSD
namespace FrameworkX11
{
    /** The framework's own connection to the X display; null before the framework has connected,
        where there is no display, and from the moment its connection (or any other of ours to
        the same display) has broken. Message thread.
    */
    inline ::Display* display()
    {
        if (DisplayLoss::happened())
            return nullptr;

        auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
        return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
    }
}
#endif
