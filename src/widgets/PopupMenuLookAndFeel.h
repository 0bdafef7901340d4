#pragma once

#include "widgets/LookAndFeelDestructor.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** A plain menu bar: light grey background, black centred item names, no highlight.
    Message thread only.
*/
class PopupMenuLookandFeel final : public juce::LookAndFeel_V4
{
public:
    PopupMenuLookandFeel() = default;
    TALVO_LOOK_AND_FEEL_DESTRUCTOR ~PopupMenuLookandFeel() override;

    void drawMenuBarBackground (juce::Graphics&, int width, int height, bool isMouseOverBar, juce::MenuBarComponent&) override;

    /** The item name's width in the menu-bar font, in whole pixels, plus 10. */
    int getMenuBarItemWidth (juce::MenuBarComponent&, int itemIndex, const juce::String& itemText) override;

    void drawMenuBarItem (juce::Graphics&, int width, int height, int itemIndex, const juce::String& itemText,
                          bool isMouseOverItem, bool isMenuOpen, bool isMouseOverBar, juce::MenuBarComponent&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PopupMenuLookandFeel)
};
