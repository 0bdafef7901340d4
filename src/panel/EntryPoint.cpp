#include "panel/CommandLineSwitches.h"
#include "panel/Main.h"
#include "panel/SingleInstanceChannel.h"
#include "platform/AllocatorTuning.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <utility>

namespace
{
    /** The command line as the framework will hand it to the application. */
    juce::String commandLineOf (int argc, char* argv[])
    {
        juce::String joined;

        for (int i = 1; i < argc; ++i)
        {
            const auto arg = juce::String::fromUTF8 (argv[i]);
            joined << (arg.containsChar (' ') && ! arg.isQuotedString() ? arg.quoted ('"') : arg) << ' ';
        }

        return joined.trim();
    }

    /** The connection the entry point looks for a display with (the framework's window code
        cannot cope without one). It is held until the framework has its own: when it is a
        display's only client, closing it makes the X server reset itself, and the framework's
        connection would wait tens of milliseconds for that.
    */
    Display* displayLookedWith = nullptr;

    void closeDisplayLookedWith()
    {
        if (displayLookedWith != nullptr)
            XCloseDisplay (std::exchange (displayLookedWith, nullptr));
    }

    /** This launch's claim to be the panel, from the hand-over until the application takes it.
        Let go before main returns: the names it needs at the end are statics too.
    */
    std::unique_ptr<SingleInstanceChannel::Claim> claimAtLaunch;
}

int main (int argc, char* argv[])
{
    AllocatorTuning::apply();

    const auto commandLine = commandLineOf (argc, argv);

    using Outcome = SingleInstanceChannel::HandOverResult::Outcome;
    auto launch = SingleInstanceChannel::handOverOrClaim (commandLine);

    if (launch.handOver.outcome == Outcome::accepted)
        return 0;

    // A run as another user (root with a user's HOME) has no folder of its own for the hand-over
    // and must not make one in that home; the user still expects a panel.
    if (launch.handOver.outcome == Outcome::othersPlace)
    {
        std::fprintf (stderr, "Talvo z3 Control: this panel starts without the one-panel check (%s); "
                              "later launches start panels of their own.\n", launch.handOver.reason.toRawUTF8());
    }
    // One panel per user: when we cannot tell whether one runs, or it did not take the command
    // line, starting another would be wrong and ending quietly would claim a success.
    else if (launch.claim == nullptr && launch.handOver.outcome == Outcome::folderRefused)
    {
        std::fprintf (stderr, "Talvo z3 Control: cannot tell whether a panel runs, so none is started: %s.\n",
                      launch.handOver.reason.toRawUTF8());
        return 1;
    }
    else if (launch.claim == nullptr)
    {
        std::fprintf (stderr, "Talvo z3 Control: could not reach the running panel: %s.\n", launch.handOver.reason.toRawUTF8());
        return 1;
    }
    else if (const auto problem = launch.claim->listenerProblem(); problem.isNotEmpty())
        std::fprintf (stderr, "Talvo z3 Control: later launches cannot reach this panel (%s); they will say so and end.\n",
                      problem.toRawUTF8());

    claimAtLaunch = std::move (launch.claim);

    // "/shutdown" builds no window, so it needs no display either.
    if (! CommandLineSwitches::is (commandLine, CommandLineSwitches::shutdown))
    {
        displayLookedWith = XOpenDisplay (nullptr);

        if (displayLookedWith == nullptr)
        {
            std::fprintf (stderr, "Talvo z3 Control: cannot open a display (is DISPLAY set?); exiting.\n");
            claimAtLaunch = nullptr;
            return 2;
        }
    }

    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase*
    {
        auto* application = new Talvoz3UIApplication();
        application->onDisplayConnected = closeDisplayLookedWith;
        application->instanceClaim = std::move (claimAtLaunch);
        return application;
    };

    const auto result = juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
    closeDisplayLookedWith();
    claimAtLaunch = nullptr;
    return result;
}
