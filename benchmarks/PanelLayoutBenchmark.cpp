#include "DiscardingPorts.h"

#include "panel/MainComponent.h"

/** One layout pass of the whole panel (resized) and the panel's own paint that follows it,
    which makes the background for a new size: what a window resize brings.
*/
namespace
{
int heightForWidth (int width)
{
    return width * PanelLayout::designHeight / PanelLayout::designWidth;
}

/** The panel as in a window on screen: each layout is painted at once, so nothing is prepared
    ahead on a worker. (Without a window, the paint applies the button pictures the layout left.)
*/
struct ShownPanel
{
    void layOutAndPaint (int width)
    {
        panel.setSize (width, heightForWidth (width));
        juce::Graphics g (canvas);
        panel.paint (g);
    }

    DiscardingPorts ports;
    MainComponent panel { ports };
    juce::Image canvas { juce::Image::RGB, PanelLayout::designWidth, PanelLayout::designHeight, false };
};

/** Alternates the panel between two widths, one layout pass and paint per iteration. */
void layOutBetween (benchmark::State& state, int widthA, int widthB)
{
    ShownPanel shown;
    shown.layOutAndPaint (widthB);

    bool toA = true;
    for (auto _ : state)
    {
        shown.layOutAndPaint (toA ? widthA : widthB);
        toA = !toA;
    }
}
} // namespace

// The same size again: pictures and background are kept; the bounds are set and the background copied.
static void LayoutPassFullSizeUnchanged (benchmark::State& state)
{
    ShownPanel shown;
    shown.layOutAndPaint (PanelLayout::designWidth);

    for (auto _ : state)
        shown.layOutAndPaint (PanelLayout::designWidth);
}
BENCHMARK (LayoutPassFullSizeUnchanged)->Unit (benchmark::kMicrosecond);

// Full size from one pixel narrower and back: the large background is rescaled every pass.
static void LayoutPassFullSizeResize (benchmark::State& state) { layOutBetween (state, 496, 495); }
BENCHMARK (LayoutPassFullSizeResize)->Unit (benchmark::kMillisecond);

// Across each tier change: the other tier's pictures are decoded again every pass.
static void LayoutPassLargeMediumTier (benchmark::State& state) { layOutBetween (state, 373, 372); }
BENCHMARK (LayoutPassLargeMediumTier)->Unit (benchmark::kMillisecond);

static void LayoutPassMediumSmallTier (benchmark::State& state) { layOutBetween (state, 268, 267); }
BENCHMARK (LayoutPassMediumSmallTier)->Unit (benchmark::kMillisecond);
