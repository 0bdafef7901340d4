#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/** The part of a monitor that windows may use: the screen less the desktop's panels and docks.

    On X11 the framework gives every display a user area that is its whole screen. The window
    manager says what its panels leave free in _NET_WORKAREA on the root window: one rectangle per
    virtual desktop (x, y, width, height), in physical pixels, over all monitors together;
    _NET_CURRENT_DESKTOP says which desktop is shown.
*/
namespace WorkArea
{
    /** A monitor, in physical pixels and in the framework's logical ones. */
    struct Monitor
    {
        juce::Rectangle<int> physicalArea;
        juce::Rectangle<int> logicalArea;
    };

    /** The current desktop's work area (the first desktop's when there is none for it) within the
        monitor, in logical pixels, rounded inwards so that it never reaches past the physical one;
        the whole monitor when workAreas holds no usable rectangle, or one that misses the monitor.
        workAreas holds _NET_WORKAREA's values as read. Pure.
    */
    juce::Rectangle<int> userAreaWithin (const Monitor& monitor,
                                         const std::vector<unsigned long>& workAreas,
                                         unsigned long currentDesktop);

    /** The display's user area as the window manager's work area has it now: read at each call,
        since a desktop's panel may come, go or change size at any time. The framework's user area
        where there is no X display. Message thread: reads through the framework's display.
    */
    juce::Rectangle<int> userAreaOf (const juce::Displays::Display& display);
}
