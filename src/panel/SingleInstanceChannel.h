#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

/** Hands a second launch's command line to the running instance, and so keeps one panel per user
    on each machine.

    The framework does this itself on some platforms but not on Linux, and its own instance lock
    there is one file for the whole machine. The channel is a local socket in a folder that only
    the current user can make and enter (SingleInstanceFolder), and the running instance accepts
    only peers of the same user; nothing listens beyond this machine.

    The one panel is the process that holds an exclusive lock on a file in that folder; it listens
    at the socket once it holds the lock. A launch that finds nobody listening takes the lock and
    becomes the panel; one that finds the lock held waits for the holder to listen. So two launches
    at the same moment make one panel, and a panel that cannot listen (it says why) still keeps
    later launches from starting another.

    A hand-over is a frame (HandOverFrame) answered by one byte: accepted, or busy when too many
    hand-overs already wait for the message thread.
*/
namespace SingleInstanceChannel
{
    /** How long a second launch waits in all (connect, send, answer) before it gives up. */
    constexpr int handOverTimeoutMs = 5000;

    /** How long the running instance gives one connection, from accept to answer. */
    constexpr int connectionDeadlineMs = 1000;

    /** Hand-overs that may wait for the message thread at once; more are answered busy. */
    constexpr int maxPendingHandOvers = 8;

    /** Where the socket lives now (see SingleInstanceFolder). */
    juce::File socketFile();

    struct HandOverResult
    {
        enum class Outcome
        {
            accepted,            ///< the running instance has the command line
            noRunningInstance,   ///< nobody listens: the caller starts a panel of its own
            folderRefused,       ///< the channel's folder cannot be used (not private, ...)
            othersPlace,         ///< the folder would be another user's (a run as root that kept a user's HOME); nothing was made there
            busy,                ///< the running instance turned it down until the time was up
            noAnswer,            ///< connect, send or answer did not complete in time, or a panel holds the lock but does not listen
            panelLeft,           ///< the running instance closed the connection unanswered: it was ending
            failed               ///< any other error (in reason)
        };

        Outcome outcome = Outcome::failed;
        juce::String reason;

        explicit operator bool() const noexcept { return outcome == Outcome::accepted; }
    };

    /** Sends the command line to a running instance and waits for its answer; asks again while
        it answers busy. At most timeoutMs in all. Never starts or claims anything. Any thread.
    */
    HandOverResult handOverToRunningInstance (const juce::String& commandLine, int timeoutMs = handOverTimeoutMs);

    /** This process's claim to be the user's one panel on this machine: the exclusive lock, held
        for the claim's life, and the listening socket when one could be made. Launches that
        connect before startListening() wait in the socket's queue. Destroying the claim stops
        listening, removes the socket and then lets the lock go.
    */
    class Claim
    {
    public:
        virtual ~Claim() = default;

        /** Why later launches cannot reach this panel (they then say so and end); empty when
            they can.
        */
        virtual juce::String listenerProblem() const = 0;

        /** From now on passes each later launch's command line to the callback on the message
            thread, from a background thread that accepts them. Call once, on the message thread.
        */
        virtual void startListening (std::function<void (const juce::String&)> onCommandLine) = 0;

        /** Stops taking hand-overs and removes the socket, keeping the lock: later launches wait
            for it (up to their time-out) and become the panel once it goes. Message thread.
        */
        virtual void stopListening() = 0;
    };

    /** Takes the claim: null when another process (or another claim here) holds it, or the
        folder or the lock cannot be used. Any thread.
    */
    std::unique_ptr<Claim> tryClaim();

    /** What a launch is to do. */
    struct Launch
    {
        /** accepted: the running panel has the command line, end. noRunningInstance: claim is
            set, this launch is the panel. Anything else: reason says why the running panel could
            not be reached (folderRefused and othersPlace: no panel could be looked for).
        */
        HandOverResult handOver;
        std::unique_ptr<Claim> claim;
    };

    /** Hands the command line to the running panel, or, when none runs, takes the claim. While
        another launch holds the claim but does not listen yet, waits for it (at most timeoutMs in
        all). Any thread.
    */
    Launch handOverOrClaim (const juce::String& commandLine, int timeoutMs = handOverTimeoutMs);
}
