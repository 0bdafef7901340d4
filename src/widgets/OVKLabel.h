#pragma once

#include "widgets/LookAndFeelDestructor.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Gives a label the largest whole font height, from 20 down, at which a reference text fits
    the label's width, so that every dB readout of a column shares one height.

    getLabelFont may be called from any thread: it takes the message-manager lock first and, when
    the lock cannot be had, returns the stored font unchanged.
*/
class OVKdBLabelLookAndFeel final : public juce::LookAndFeel_V4
{
public:
    OVKdBLabelLookAndFeel() = default;
    TALVO_LOOK_AND_FEEL_DESTRUCTOR ~OVKdBLabelLookAndFeel() override;

    juce::Font getLabelFont (juce::Label&) override;

    /** The working font: the default face; its height is the last one tried. */
    juce::Font labelFont { 8.0f };

    /** The text that must fit the label's width. */
    juce::String referenceText { "-63.5 dB" };

    /** How many widths the last search measured. */
    int measurementsInLastSearch = 0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVKdBLabelLookAndFeel)
};
