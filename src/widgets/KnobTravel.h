#pragma once

/** Where a fader's or pan slider's knob lands, in the slider's own pixels.

    Mirrors the framework's linear-slider geometry (the travel is inset at both ends by the thumb
    radius of LookAndFeel_V4) and the knob placement of TalvoSliderLookAndFeel, so that the panel
    artwork can print its scales exactly under the knob at every size. Pure arithmetic: any thread.
*/
namespace KnobTravel
{
    /** How far the framework insets the travel at each end: half the slider's cross size
        (its width for a fader, its height for a pan slider), truncated, but at most 12.
    */
    int travelInset (int crossSize);

    /** The position the framework hands to the look-and-feel for a value at `proportion` of the
        range (0 at the range start, 1 at its end). Faders run bottom to top.
    */
    float sliderPosition (int length, int crossSize, double proportion, bool vertical);

    /** Left edge of a pan knob of the given (scaled) width. Never clamped. */
    int horizontalKnobLeft (float sliderPos, int knobWidth);

    /** Top edge of a fader knob of the given (scaled) height, kept within -11 s .. 322 s so that
        the knob stays on the printed track at either end (s = panel width / 496).
    */
    int verticalKnobTop (float sliderPos, int knobHeight, float s);

    /** The drawn centre of a fader knob (design height knobHeight at s = 1) on a fader of
        width x height pixels, for a value at `proportion` of its range.
    */
    float verticalKnobCentre (int width, int height, float s, int knobHeight, double proportion);

    /** The drawn centre of a pan knob (design width knobWidth) on a slider of width x height. */
    float horizontalKnobCentre (int width, int height, float s, int knobWidth, double proportion);

    /** A knob dimension at panel scale s, truncated as the look-and-feel truncates it. */
    int scaledKnobSize (int designSize, float s);
}
