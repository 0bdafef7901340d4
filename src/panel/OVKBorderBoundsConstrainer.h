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

    /** Thickness of the native window frame around the client area; measured once at start. */
    juce::BorderSize<int> frameBorder;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BorderBoundsConstrainer)
};
