#pragma once

#include <juce_core/juce_core.h>

#include <map>
#include <optional>
#include <vector>

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

    /** Records the top-level windows mapped on the display from its construction on, with the
        size each had when it was mapped. Given a program's path, only that program's windows count:
        other tests share the display.
    */
    class MapRecorder
    {
    public:
        explicit MapRecorder (const juce::String& programPath = {});
        ~MapRecorder();

        /** Every map seen so far of a window larger than 1 x 1, waiting up to timeoutMs for at
            least count of them.
        */
        std::vector<Found> mapsWithin (int timeoutMs, size_t count);

    private:
        void* display = nullptr;
        juce::String program;
        std::vector<Found> maps;
        std::map<unsigned long, std::pair<int, int>> sizes;
    };
}
