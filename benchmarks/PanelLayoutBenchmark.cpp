#include "DiscardingPorts.h"

#include "panel/MainComponent.h"

/** One layout pass of the whole panel (resized), as a window resize brings it. */
namespace
{
int heightForWidth (int width)
{
    return width * PanelLayout::designHeight / PanelLayout::designWidth;
}

/** Alternates the panel between two widths, one layout pass per iteration. */
void layOutBetween (benchmark::State& state, int widthA, int widthB)
{
    DiscardingPorts ports;
    MainComponent panel (ports);
    panel.setSize (widthB, heightForWidth (widthB));

    bool toA = true;
    for (auto _ : state)
    {
        const auto width = toA ? widthA : widthB;
        panel.setSize (width, heightForWidth (width));
        toA = !toA;
    }
}
} // namespace

// The same size again: pictures and background are kept, only the bounds are set.
static void LayoutPassFullSizeUnchanged (benchmark::State& state)
{
    DiscardingPorts ports;
    MainComponent panel (ports);
    panel.setSize (PanelLayout::designWidth, PanelLayout::designHeight);

    for (auto _ : state)
        panel.resized();
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
