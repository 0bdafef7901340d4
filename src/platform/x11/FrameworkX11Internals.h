#pragma once

/** The framework's own X11 classes, for the few files that reach past its API into them.

    Include this first, before any framework header: the framework declares these classes only
    when JUCE_GUI_BASICS_INCLUDE_XHEADERS is set before its header is first read, so a file that
    includes this is compiled on its own, outside its folder's unity build. Nothing else sets that
    define, so every file that uses these classes passes the version check below.

    What they rely on, all of it internal to the framework and free to change in any release:
    - XWindowSystem::getInstanceWithoutCreating and getDisplay (FrameworkX11::display, below), updateConstraints
      (WindowSizeHints); XWindowSystemUtilities::ScopedXLock and GetXProperty;
    - the X11Symbols table: its xFlush entry (PaintDelivery), and its xSetWMNormalHints entry as the
      one way the framework writes size hints, replaced in place (WindowSizeHints);
    - LinuxEventLoopInternal::invokeEventLoopCallbackForFd as the handler of the display
      connection's data, reading the X library's queue to its end (WaitingEvents);
    - the framework's X I/O error handler stopping the message loop and returning, with the exit
      handler left to the program (DisplayLoss);
    - that the framework draws a paint's picture without flushing (PaintDelivery), and sends no
      _NET_ACTIVE_WINDOW or _NET_WM_STATE request of its own (WindowManagerRequests).
*/

#ifdef JUCE_GUI_BASICS_H_INCLUDED
 #error "platform/x11/FrameworkX11Internals.h must be included before any framework header, and the file outside the unity build."
#endif

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include <juce_gui_basics/juce_gui_basics.h>

#if (JUCE_LINUX || JUCE_BSD) && ! (JUCE_MAJOR_VERSION == 7 && JUCE_MINOR_VERSION == 0 && JUCE_BUILDNUMBER == 5)
 #error "These files were written against JUCE 7.0.5's X11 internals. Before building with another version, check each use listed in src/platform/x11/FrameworkX11Internals.h against the new juce_gui_basics/native/x11 and juce_events/native sources, then change the version here."
#endif

#if JUCE_LINUX || JUCE_BSD
namespace FrameworkX11
{
    /** The framework's own connection to the X display; null before the framework has connected
        and where there is no display. Message thread.
    */
    inline ::Display* display()
    {
        auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
        return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
    }
}
#endif
