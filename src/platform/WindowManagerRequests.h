#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** What the main window asks of an X11 window manager beyond the framework's own requests.

    A window manager that holds a window maximised or full screen gives it the size of the screen,
    whatever its size hints say, and refuses every other size while it does.
*/
namespace WindowManagerRequests
{
    /** True while the window manager holds the window maximised (either way) or full screen.
        Message thread.
    */
    bool holdsAtScreenSize (juce::Component& window);

    /** Asks the window manager to stop holding the window maximised or full screen; a size the
        program sets after this call reaches it after that request. Message thread.
    */
    void releaseFromScreenSize (juce::Component& window);
}
