#pragma once

#include "widgets/LookAndFeelDestructor.h"
#include "widgets/TalvoComboBoxLookAndFeel2.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The look of the panel's combo boxes, their popup menus and the snapshot recall buttons.

    Turquoise text in the embedded font on a transparent box, a plain triangle for the arrow,
    popup items without highlight, and image buttons whose picture fills the button with the
    button's text written over it. Message thread only; the owner keeps it alive for as long as any
    component uses it.
*/
class TalvoComboBoxLookAndFeel final : public juce::LookAndFeel_V4
{
public:
    TalvoComboBoxLookAndFeel();
    TALVO_LOOK_AND_FEEL_DESTRUCTOR ~TalvoComboBoxLookAndFeel() override;

    void drawPopupMenuItem (juce::Graphics&, const juce::Rectangle<int>& area,
                            bool isSeparator, bool isActive, bool isHighlighted, bool isTicked, bool hasSubMenu,
                            const juce::String& text, const juce::String& shortcutKeyText,
                            const juce::Drawable* icon, const juce::Colour* textColour) override;

    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;

    juce::Font getComboBoxFont (juce::ComboBox&) override;

    void positionComboBoxText (juce::ComboBox&, juce::Label&) override;

    juce::PopupMenu::Options getOptionsForComboBoxPopupMenu (juce::ComboBox&, juce::Label&) override;

    void drawImageButton (juce::Graphics&, juce::Image*, int imageX, int imageY, int imageW, int imageH,
                          const juce::Colour& overlayColour, float imageOpacity, juce::ImageButton&) override;

    /** A font on the embedded typeface, max (8, 0.72 x area height) high; only the area's height
        is read. The typeface is created once, on the first call from any thread, and shared by
        every font handed out; it lives until the program exits.
    */
    static juce::Font getCustomFont (juce::Rectangle<int> area);

    /** The arrow triangle's corners (left, right, tip) for a box of the given height whose label
        ends at buttonX, at drawing scale s.
    */
    static juce::Path arrowPath (int buttonX, int boxHeight, float s);

    /** Drawing scale of popup items and of the arrow: panel width / 496. Written by the owner. */
    float scale = 1.0f;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoComboBoxLookAndFeel)
};
