#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Telling the window manager the size limits and the aspect ratio of a window's client area.

    On X11 the framework writes a window's size hints (WM_NORMAL_HINTS) itself, at every move or
    size the program makes and at every new size the window manager reports. It writes minimum
    and maximum sizes only, with the native frame taken off limits that are already those of the
    client area, no aspect ratio, and, when the program moves or sizes the window, hints that
    carry the position alone. A window manager then lets the user give the window any shape.
*/
namespace WindowSizeHints
{
    /** The client area's limits, in pixels; the aspect ratio is aspectWidth : aspectHeight. */
    struct Limits
    {
        int minWidth = 0, minHeight = 0;
        int maxWidth = 0, maxHeight = 0;
        int aspectWidth = 0, aspectHeight = 0;
    };

    /** From now on every size hint the framework writes for this window, whichever native window
        stands for it, carries these limits and this aspect ratio with whatever position and size
        the framework gives; the hints are written at once when the window is on the desktop.
        One window at a time: a later call replaces the earlier one, and the window's deletion
        ends it. Message thread; does nothing where there is no X display.
    */
    void keep (juce::Component& window, const Limits& limits);
}
