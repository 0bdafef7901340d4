#pragma once

/** Delivering X events that the framework's own reads leave waiting.

    The framework handles the display's events when its connection has data to read. A call that
    waits for the X server's reply (a property read, a pointer query, the wait for a painted
    picture's completion) reads every event that came before that reply into the X library's
    queue, where nothing reads it from the connection again: such events wait, unhandled, until
    more data arrives. A window manager's notice that the window moved, or got its new size, could
    wait seconds or for good.
*/
namespace WaitingEvents
{
    /** From now on, events read into the queue outside the framework's own handling are handled
        on the message thread straight after the call that read them. Call once the framework has
        connected to the display; does nothing where there is none. The framework's connection at
        the time of the call is the one covered: should the framework connect anew (its window
        system made again), call this again. Message thread.
    */
    void deliverFromNowOn();
}
