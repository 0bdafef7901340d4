#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Keeps the main window's client area (the panel, not the framed window) within its size limits
    and aspect ratio while the user resizes, and never moves the window: only its size changes.
*/
class BorderBoundsConstrainer final : public juce::ComponentBoundsConstrainer
{
public:
    BorderBoundsConstrainer() = default;
    ~BorderBoundsConstrainer() override = default;

    /** bounds are those of the whole window, native frame included. */
    void checkBounds (juce::Rectangle<int>& bounds,
                      const juce::Rectangle<int>& previous,
                      const juce::Rectangle<int>& limits,
                      bool stretchingTop, bool stretchingLeft,
                      bool stretchingBottom, bool stretchingRight) override;

    void resizeStart() override {}

    /** True when a client area of this size is within the size limits and on the aspect ratio to
        the pixel: window managers and the program's own start sizes round it differently.
    */
    bool fits (juce::Rectangle<int> clientArea) const;

    /** The client area to ask for when the window manager gave the window one that does not fit:
        previousClientArea (the last one that fitted) tells which edges the user moved; those
        stay, and the correction lands on the others. When no edge stayed (a maximise or a tiling
        request), it is the largest client area that fits inside the one given.
    */
    juce::Rectangle<int> correctedClientArea (juce::Rectangle<int> clientArea,
                                              juce::Rectangle<int> previousClientArea);

    /** The largest client area that fits inside room, at its top-left corner (or the smallest
        allowed, when room is smaller).
    */
    juce::Rectangle<int> largestClientAreaWithin (juce::Rectangle<int> room);

    /** Where the window starts, for a start size chosen before the frame is known: that size
        centred on userArea when it fits there with its frame, otherwise the largest allowed
        client area that does. Either way moved, where it must be, so that the whole frame lies in
        userArea; a frame that cannot fit keeps its top-left corner (the title bar) there.
    */
    juce::Rectangle<int> startClientArea (juce::Rectangle<int> startSize, juce::Rectangle<int> userArea);

    /** Thickness of the native window frame around the client area; measured once at start. */
    juce::BorderSize<int> frameBorder;

private:
    juce::Rectangle<int> constrainedClientArea (juce::Rectangle<int> clientArea,
                                                juce::Rectangle<int> previousClientArea,
                                                bool top, bool left, bool bottom, bool right);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BorderBoundsConstrainer)
};
