#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>

/** Vector drawings of every picture of the panel, in design pixels.

    Each painter draws into a Graphics context whose transform already scales design pixels to the
    tier being rendered (1.0, 0.75 or 0.5), so one drawing serves all three tiers. Used only by the
    artwork generator; the application never links this.
*/
namespace ArtworkPainters
{
    /** The face used for every printed label (the panel's own embedded font). */
    void setTypeface (juce::Typeface::Ptr face);

    /** Design sizes of the fader knob (44 x 80) and the pan knob (32 x 32). */
    constexpr int faderKnobWidth = 44, faderKnobHeight = 80, panKnobSize = 32;

    /** Reports print that could not be set at a legible size (the generator lists it). */
    void setMisfitReporter (std::function<void (const juce::String&)> report);

    /** The accent colours of the panel. */
    const juce::Colour turquoise { 0xff40e0d0 };
    const juce::Colour orange    { 0xffffa500 };

    /** The glyph printed on a square button. */
    enum class Glyph { midi, muteAll, muteAllAltA, muteAllAltB, phantom, phase, mute, solo, target, settings };

    /** The whole printed face of the panel on the 496 x 1360 design canvas. */
    void paintPanelFace (juce::Graphics& g, float tierScale);

    /** The picture shown before the first layout: 744 x 1360, opaque. */
    void paintInitialBackground (juce::Graphics& g);

    /** One 48 x 48 square button frame. */
    void paintSquareButton (juce::Graphics& g, juce::Rectangle<float> frame, Glyph glyph, bool on);

    /** One 56 x 32 monitor button frame. */
    void paintMonitorButton (juce::Graphics& g, juce::Rectangle<float> frame, bool on);

    /** One 48 x 48 mono (first) or stereo (second) button frame. */
    void paintMonoStereoButton (juce::Graphics& g, juce::Rectangle<float> frame, bool stereo, bool on);

    /** One 180 x 36 snapshot recall button frame (the button writes its text over it). */
    void paintSnapshotButton (juce::Graphics& g, juce::Rectangle<float> frame, bool on);

    /** One 40 x 36 snapshot edit button frame. */
    void paintSnapshotEditButton (juce::Graphics& g, juce::Rectangle<float> frame, bool on);

    /** One 24 x 24 lamp: 0 dark, 1 green, 2 red. */
    void paintLed (juce::Graphics& g, juce::Rectangle<float> frame, int lamp);

    /** A 44 x 80 fader cap with an index line in the given colour. */
    void paintFaderKnob (juce::Graphics& g, juce::Colour index);

    /** A 32 x 32 pan knob. */
    void paintPanKnob (juce::Graphics& g);

    /** The 8 x 760 meter strip: lit segments on top, unlit below. */
    void paintMeterStrip (juce::Graphics& g);

    /** The 514 x 212 about picture. */
    void paintAbout (juce::Graphics& g);

    /** A 524 x 442 sheet of spare sprites; variant 1 or 2. */
    void paintSpriteSheet (juce::Graphics& g, int variant);
}
