#pragma once

#include "widgets/LookAndFeelDestructor.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** A combo-box look that draws no box at all: a box using it shows only its label text. */
class TalvoComboBoxLookAndFeel2 final : public juce::LookAndFeel_V4
{
public:
    TalvoComboBoxLookAndFeel2() = default;
    TALVO_LOOK_AND_FEEL_DESTRUCTOR ~TalvoComboBoxLookAndFeel2() override;

    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoComboBoxLookAndFeel2)
};
