#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** What the main window asks of an X11 window manager beyond the framework's own requests.

    The framework can make a window always-on-top on X11 only by taking it off the desktop and
    putting it back: a new native window, which the window manager places anew. And a window
    manager that holds a window maximised or full screen gives it the size of the screen, whatever
    its size hints say, and refuses every other size while it does.
*/
namespace WindowManagerRequests
{
    /** Asks the window manager to raise the window and give it the keyboard focus, the way an
        application asks (_NET_ACTIVE_WINDOW, with the display's current time, so that focus
        stealing prevention sees a fresh request). Its position, size and native window stay.
        False where there is no X display, the window has no native window, or the server gives
        no time within seconds; a server that ends meanwhile counts as the display's loss
        (DisplayLoss). Message thread.
    */
    bool activate (juce::Component& window);

    /** True while the window manager holds the window maximised (either way) or full screen.
        Message thread.
    */
    bool holdsAtScreenSize (juce::Component& window);

    /** Asks the window manager to stop holding the window maximised or full screen; a size the
        program sets after this call reaches it after that request. Message thread.
    */
    void releaseFromScreenSize (juce::Component& window);
}
