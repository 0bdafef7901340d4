#pragma once

/** Getting a window's freshly painted picture onto the screen without waiting a frame.

    On X11 the framework hands the picture a paint makes to the display connection but does not
    send it: it leaves when the framework next reads from the connection, at its next repaint tick
    10 to 17 ms later. Every paint of a window reaches the screen a frame late, the first one
    included.
*/
namespace PaintDelivery
{
    /** Called from a window's paint: once the paint has finished and its picture has been handed
        over, the display connection sends what it holds. Any number of calls before that send
        once. Message thread only; does nothing where there is no X display.
    */
    void sendAfterThisPaint();
}
