#pragma once

#include "widgets/TalvoSliderLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** A level fader: a vertical slider without a text box. Its look comes from the look-and-feel
    its owner attaches (normally a TalvoSliderLookAndFeel). Message thread only.
*/
class TalvoVSlider final : public juce::Slider
{
public:
    TalvoVSlider();
    ~TalvoVSlider() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoVSlider)
};

/** A pan or balance slider: a horizontal slider without a text box. Message thread only. */
class TalvoHSlider final : public juce::Slider
{
public:
    TalvoHSlider();
    ~TalvoHSlider() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoHSlider)
};
