#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

/** A vertical level meter: a green-yellow-red bar over a dark background.

    The meter does not own its level: it reads the byte that levelSource points to whenever it
    paints, applies its own fall-back (instant rise, a fixed fraction of the gap per paint on the
    way down, zero below 5 %) and draws. It has no timer: it moves only when the owner repaints it.
    Buffered to an image, so the framework calls paint only after a repaint request, and opaque,
    so a repaint draws the meter alone and nothing under it. Message thread only.
*/
class Talvoz6VUMeter final : public juce::Component
{
public:
    Talvoz6VUMeter();
    ~Talvoz6VUMeter() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** The level after one paint's ballistics, from the shown level towards the target. */
    static int nextLevel (int currentLevel, int target, float releaseFactor);

    /** The lower half of the meter strip picture; only its height is used. */
    juce::Image barImage;

    /** The panel scale, parent width / 496. */
    float meterScale = 1.0f;

    /** The level to show in percent (0 to 100); set by the owner, whose byte must outlive the
        meter. Null: the shown level stays where it is.
    */
    const std::int8_t* levelSource = nullptr;

    /** The level shown by the last paint, in percent. */
    int currentLevel = 0;

    /** The bar height in pixels for 100 %. */
    int fullHeight = 0;

    /** The height of the bar drawn by the last paint. */
    float barHeight = 0.0f;

    /** The fraction of the gap to a lower level closed at each paint. */
    float releaseFactor = 0.07995558f;

    /** The bar's fill, fixed to the component: green at the bottom, red at the top. */
    juce::ColourGradient gradient;

private:
    /** The background, the gradient over (0, height - shown, width, shown), the outline. */
    void paintAsGradient (juce::Graphics&, float shown) const;

    /** The same picture, its whole rows copied from fullBar: for a context that does not scale. */
    void paintFromFullBar (juce::Graphics&, float shown) const;

    int outlineThickness() const;

    /** The gradient over the whole meter, remade by each resize. */
    juce::Image fullBar;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Talvoz6VUMeter)
};
