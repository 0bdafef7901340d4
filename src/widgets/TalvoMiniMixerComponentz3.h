#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** One strip of the mini-mixer overview, in design units of a 92-unit-wide mini mixer. */
struct MINIMIXER
{
    float barX = 0.0f;        ///< x of the strip's vertical track
    float label1X = 0.0f;     ///< x of the upper label
    float label2X = 0.0f;     ///< x of the lower label
    float tickX = 0.0f;       ///< x where the 20-unit level tick starts
    float thickness = 0.0f;   ///< stroke width of the track, level line and tick
    juce::String label1;      ///< upper label
    juce::String label2;      ///< lower label
};

/** A small read-only picture of how one output pair is fed.

    Three strips (input 1, input 2, playback 1/2), each a grey track with an orange level line, an
    orange tick at the level and two short orange labels. It draws no background of its own.
    Message thread only.
*/
class TalvoMiniMixerComponentz3 final : public juce::Component
{
public:
    TalvoMiniMixerComponentz3();
    ~TalvoMiniMixerComponentz3() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** Takes the loudest feed of each source to the pair (destA left, destB right) from a gain
        matrix in dB indexed [source][destination] (sources: DAW 1, DAW 2, In 1, In 2), raises
        values below minimumDb to it, and repaints. The matrix is read only during the call.
        A null matrix or a destination outside 0..3 changes nothing.
    */
    void setMiniMixerSliderValues (double (*matrix)[4], int destA, int destB);

    /** The label font height for a mini mixer of the given scale (width / 92). */
    static float labelHeightForScale (float s);

    /** The width of a label's box at scale s: 14 units, or the label's own width if that is
        larger, so that a label is never cut short.
    */
    static int labelBoxWidth (const juce::Font& font, const juce::String& label, float s);

    /** The level tick's y in pixels for a value in dB at scale s. */
    float levelY (double valueDb, float s) const;

    /** The embedded font at the height it had at construction; painting uses a resized copy. */
    juce::Font labelFont;

    /** How the labels sit in their boxes: centred vertically, flush left. */
    juce::Justification labelJustification { juce::Justification::centredLeft };

    /** The three strips. */
    juce::Array<MINIMIXER> strips;

    /** Two entries per strip (0-1, 2-3, 4-5), in dB; painting reads the first of each pair;
        entries 6 to 11 stay at the floor. Open to the owner.
    */
    double stripValues[12];

    /** The floor of the values and the bottom of the scale, in dB. Open to the owner. */
    double minimumDb = -90.0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoMiniMixerComponentz3)
};
