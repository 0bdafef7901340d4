#pragma once

#include <juce_core/juce_core.h>

#include <optional>

/** Looks at the X display the tests run on, to see the program's windows from outside. */
namespace X11Windows
{
    struct Found
    {
        int width = 0;
        int height = 0;
        bool viewable = false;
    };

    /** The first window (at any depth) whose title is exactly this text. */
    std::optional<Found> findWindowTitled (const juce::String& title);

    /** Polls until a viewable window with this title exists or the time runs out. */
    std::optional<Found> waitForWindowTitled (const juce::String& title, int timeoutMs);

    /** Polls until that window is viewable at the given size, and returns what it last saw: a
        window is mapped before the program gives it its final size.
    */
    std::optional<Found> waitForWindowSized (const juce::String& title, int width, int height, int timeoutMs);
}
