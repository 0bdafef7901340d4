#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

/** Hands a second launch's command line to the running instance, and so keeps one panel per user.

    The framework does this itself on some platforms but not on Linux, and its own instance lock
    there is one file for the whole machine. The channel is a local socket in a folder that only
    the current user can enter, and the running instance accepts only peers of the same user;
    nothing listens beyond this machine.

    A hand-over is a frame (the command line's length as four bytes, least significant first, then
    its UTF-8 bytes) answered by one byte: accepted, or busy when too many hand-overs already wait
    for the message thread.
*/
namespace SingleInstanceChannel
{
    /** How long a second launch waits in all (connect, send, answer) before it gives up. */
    constexpr int handOverTimeoutMs = 5000;

    /** How long the running instance gives one connection, from accept to answer. */
    constexpr int connectionDeadlineMs = 1000;

    /** Hand-overs that may wait for the message thread at once; more are answered busy. */
    constexpr int maxPendingHandOvers = 8;

    /** Where the socket lives: $XDG_RUNTIME_DIR when it is set, otherwise a per-user folder under
        the temporary folder.
    */
    juce::File socketFile();

    struct HandOverResult
    {
        enum class Outcome
        {
            accepted,            ///< the running instance has the command line
            noRunningInstance,   ///< nobody listens: the caller starts a panel of its own
            folderRefused,       ///< the channel's folder is not private, so it cannot be trusted
            busy,                ///< the running instance turned it down until the time was up
            noAnswer,            ///< connect, send or answer did not complete in time
            failed               ///< any other error (in reason)
        };

        Outcome outcome = Outcome::failed;
        juce::String reason;

        explicit operator bool() const noexcept { return outcome == Outcome::accepted; }
    };

    /** Sends the command line to a running instance and waits for its answer; asks again while
        it answers busy. At most timeoutMs in all. Any thread.
    */
    HandOverResult handOverToRunningInstance (const juce::String& commandLine, int timeoutMs = handOverTimeoutMs);

    /** Accepts hand-overs on a background thread and passes each command line to the callback on
        the message thread. Stops listening and removes the socket when destroyed.
    */
    class Listener
    {
    public:
        virtual ~Listener() = default;
    };

    /** Starts listening; null when the socket cannot be created or another instance listens. */
    std::unique_ptr<Listener> listen (std::function<void (const juce::String&)> onCommandLine);
}
