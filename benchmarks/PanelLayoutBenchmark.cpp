#include "DiscardingPorts.h"

#include "panel/MainComponent.h"

#include <chrono>
#include <thread>

/** One layout pass of the whole panel (resized) and the panel's own paint that follows it,
    which makes the background for a new size: what each step of a live resize brings.
*/
namespace
{
int heightForWidth (int width)
{
    return width * PanelLayout::designHeight / PanelLayout::designWidth;
}

/** The panel on screen, as in a window being resized: each layout is painted at once, so nothing
    is prepared ahead on a worker, and the pictures of every tier a resize has used stay decoded
    until it settles. (Without a window, the paint applies the button pictures the layout left.)
*/
struct ShownPanel
{
    ShownPanel()
    {
        window.setSize (PanelLayout::designWidth, PanelLayout::designHeight);
        window.addToDesktop (0);
        window.setVisible (true);
        window.addAndMakeVisible (panel);
    }

    ~ShownPanel()
    {
        window.removeAllChildren();
        window.removeFromDesktop();
    }

    void layOutAndPaint (int width)
    {
        panel.setSize (width, heightForWidth (width));
        juce::Graphics g (canvas);
        panel.paint (g);
    }

    /** As when the sizes stopped coming: only what is shown stays decoded. */
    void settle() { panel.resizeSettled(); }

    juce::Component window;
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

/** The first crossing of a drag into a tier: the resize starts settled at from, its previous step
    (a frame earlier) was at near, and only the pass at into is timed.
*/
void crossFirstTime (benchmark::State& state, int from, int near, int into)
{
    ShownPanel shown;

    for (auto _ : state)
    {
        state.PauseTiming();
        shown.layOutAndPaint (from);
        shown.settle();
        shown.layOutAndPaint (near);
        std::this_thread::sleep_for (std::chrono::milliseconds (16));
        state.ResumeTiming();

        shown.layOutAndPaint (into);
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

// Back and forth across each tier boundary: both tiers' pictures are decoded already.
static void LayoutPassLargeMediumTier (benchmark::State& state) { layOutBetween (state, 373, 372); }
BENCHMARK (LayoutPassLargeMediumTier)->Unit (benchmark::kMillisecond);

static void LayoutPassMediumSmallTier (benchmark::State& state) { layOutBetween (state, 268, 267); }
BENCHMARK (LayoutPassMediumSmallTier)->Unit (benchmark::kMillisecond);

// A drag's first crossing of a boundary, either way: the steps before it neared the boundary.
static void LayoutPassFirstCrossingIntoMedium (benchmark::State& state) { crossFirstTime (state, 420, 380, 372); }
BENCHMARK (LayoutPassFirstCrossingIntoMedium)->Unit (benchmark::kMillisecond);

static void LayoutPassFirstCrossingIntoLarge (benchmark::State& state) { crossFirstTime (state, 320, 360, 373); }
BENCHMARK (LayoutPassFirstCrossingIntoLarge)->Unit (benchmark::kMillisecond);

// A jump into another tier with no step near the boundary (maximising, say): decoded there and then.
static void LayoutPassJumpIntoLarge (benchmark::State& state) { crossFirstTime (state, 300, 320, 471); }
BENCHMARK (LayoutPassJumpIntoLarge)->Unit (benchmark::kMillisecond);
