#pragma once

#include <functional>

/** The operating system's quit request on Linux: SIGTERM, which a desktop session sends at log-out
    and shutdown, and SIGHUP, when the session or terminal that started the program goes.

    Either signal, which would otherwise end the process at once, reaches a function on the message
    thread instead. The signal handler itself only writes a byte to a pipe that the message loop
    watches; the rest happens when the loop reads it.
*/
class QuitSignals final
{
public:
    /** Starts handling the signals; onQuitRequest runs on the message thread once for each batch
        of them that the loop finds waiting. One instance at a time. Message thread.
    */
    explicit QuitSignals (std::function<void()> onQuitRequest);

    /** Gives the signals back their earlier handling, then closes the pipe once no handler that
        began before (on any thread) can still write to it. Message thread.
    */
    ~QuitSignals();

    QuitSignals (const QuitSignals&) = delete;
    QuitSignals& operator= (const QuitSignals&) = delete;

private:
    std::function<void()> onQuitRequest;
    int readEnd = -1;
    int writeEnd = -1;
};
