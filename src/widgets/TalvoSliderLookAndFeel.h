#pragma once

#include "widgets/LookAndFeelDestructor.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Draws a fader or pan slider as nothing but its knob bitmap, scaled with the panel.

    The track and the scale are printed on the panel background, so no track is drawn. The knob
    is scaled by the slider's parent width / 496 at every paint. Message thread only.
*/
class TalvoSliderLookAndFeel final : public juce::LookAndFeel_V4
{
public:
    TalvoSliderLookAndFeel() = default;
    TALVO_LOOK_AND_FEEL_DESTRUCTOR ~TalvoSliderLookAndFeel() override;

    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPos, float minSliderPos, float maxSliderPos,
                           juce::Slider::SliderStyle, juce::Slider&) override;

    /** Left edge of a horizontal slider's knob of the given (scaled) width. Never clamped. */
    static int horizontalKnobLeft (float sliderPos, int knobWidth);

    /** Top edge of a vertical fader's knob of the given (scaled) height, kept within
        -11 s .. 322 s so that the knob stays on the printed track at either end.
    */
    static int verticalKnobTop (float sliderPos, int knobHeight, float s);

    /** The knob bitmap at design size; null until the owner sets it (nothing is then drawn). */
    juce::Image knobImage;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoSliderLookAndFeel)
};
