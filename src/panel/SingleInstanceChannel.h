#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

/** Hands a second launch's command line to the running instance.

    The framework does this itself on some platforms but not on Linux. The channel is a local
    socket in a folder that only the current user can enter, and the running instance accepts only
    peers of the same user; nothing listens beyond this machine.
*/
namespace SingleInstanceChannel
{
    /** Where the socket lives: $XDG_RUNTIME_DIR when it is set, otherwise a per-user folder under
        the temporary folder.
    */
    juce::File socketFile();

    /** Sends the command line to a running instance. False when none is listening (or the channel
        cannot be trusted); the caller then starts normally. Any thread.
    */
    bool handOverToRunningInstance (const juce::String& commandLine);

    /** Accepts hand-overs on a background thread and passes each command line to the callback on
        the message thread. Stops listening and removes the socket when destroyed.
    */
    class Listener
    {
    public:
        virtual ~Listener() = default;
    };

    /** Starts listening; null when the socket cannot be created (a second launch then starts a
        panel of its own, which the framework's instance lock ends).
    */
    std::unique_ptr<Listener> listen (std::function<void (const juce::String&)> onCommandLine);
}
