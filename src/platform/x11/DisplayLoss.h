#pragma once

#include <functional>

struct _XDisplay;

/** What happens when the connection to the X display breaks (the X server ends, or the session
    that ran it): the X library's default is to end the process on the spot, in the middle of
    whatever call noticed, so nothing the program holds would be saved.
*/
namespace DisplayLoss
{
    /** From now on a broken display connection calls onLoss (on the thread that noticed, the
        message thread in practice) and then lets the program go on: the framework has already
        asked its message loop to stop, and the program ends through its ordinary shutdown. Calls
        that still reach the display return at once. Does nothing where there is no X display;
        call once the framework has connected. Message thread.
    */
    void handleWith (std::function<void()> onLoss);

    /** Another connection of ours to the same display, which its owner closes: its loss counts as
        the display's (the X server has gone for both), so onLoss runs once and the process goes
        on. Call straight after opening it. Message thread.
    */
    void handleAlsoOn (_XDisplay* connection);

    /** True once a connection to the display has broken; from then on nothing of ours touches
        the framework's display. Any thread.
    */
    bool happened();
}
