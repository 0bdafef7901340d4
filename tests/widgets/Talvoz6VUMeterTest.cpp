#include "widgets/Talvoz6VUMeter.h"
#include "widgets/WidgetTestHelpers.h"

#include <gtest/gtest.h>

using WidgetTestHelpers::Canvas;
using WidgetTestHelpers::Panel;

namespace
{
/** A meter on a panel of the given width, reading one level byte. */
struct MeterOnPanel
{
    MeterOnPanel (int panelWidth, int meterHeight)
        : panel (panelWidth)
    {
        panel.addAndMakeVisible (meter);
        meter.levelSource = &level;
        meter.setBounds (0, 0, 8, meterHeight);
    }

    /** Paints once (one step of the ballistics) and returns the picture. */
    juce::Image paintOnce()
    {
        Canvas c (meter.getWidth(), meter.getHeight());
        meter.paint (c.g);
        return c.image;
    }

    Panel panel;
    Talvoz6VUMeter meter;
    std::int8_t level = 0;
};

bool isBackground (juce::Colour c) { return c == juce::Colour (0xff184141); }
} // namespace

TEST (Talvoz6VUMeter, BallisticsRiseAtOnceAndFallByAFractionPerPaint)
{
    MeterOnPanel m (496, 380);
    m.level = 60;
    m.paintOnce();
    EXPECT_EQ (m.meter.currentLevel, 60);

    m.level = 100;
    m.paintOnce();
    m.level = 50;
    std::vector<int> fall;

    for (int i = 0; i < 40; ++i)
    {
        m.paintOnce();
        fall.push_back (m.meter.currentLevel);
    }

    const std::vector<int> start { 96, 92, 88, 84, 81, 78, 75, 73 };
    EXPECT_EQ (std::vector<int> (fall.begin(), fall.begin() + 8), start);

    for (size_t i = 1; i < fall.size(); ++i)
    {
        EXPECT_GE (fall[i], 50);

        if (fall[i - 1] > 50)
        {
            EXPECT_LT (fall[i], fall[i - 1]) << "step " << i; // at least one per paint while above
        }
    }

    EXPECT_EQ (fall.back(), 50);
}

TEST (Talvoz6VUMeter, LowOrNegativeTargetsDropToZero)
{
    EXPECT_EQ (Talvoz6VUMeter::nextLevel (30, 4, 0.07995558f), 0);
    EXPECT_EQ (Talvoz6VUMeter::nextLevel (30, 5, 0.07995558f), 28);
    EXPECT_EQ (Talvoz6VUMeter::nextLevel (0, 4, 0.07995558f), 4); // a rise is a rise, even below 5
    EXPECT_EQ (Talvoz6VUMeter::nextLevel (4, 4, 0.07995558f), 0);

    // A byte of 128 or more reads as negative: the bar drops to zero.
    MeterOnPanel m (496, 380);
    m.level = 80;
    m.paintOnce();
    m.level = static_cast<std::int8_t> (-56); // 200 as an unsigned byte
    m.paintOnce();
    EXPECT_EQ (m.meter.currentLevel, 0);
}

TEST (Talvoz6VUMeter, NullSourceKeepsTheShownLevel)
{
    MeterOnPanel m (496, 380);
    m.level = 70;
    m.paintOnce();
    m.meter.levelSource = nullptr;
    m.paintOnce();
    m.paintOnce();
    EXPECT_EQ (m.meter.currentLevel, 70);
}

TEST (Talvoz6VUMeter, BarHeightFollowsScaleAndIsCutAtTheComponent)
{
    MeterOnPanel full (496, 380);
    EXPECT_EQ (full.meter.fullHeight, 380);
    full.level = 100;
    auto image = full.paintOnce();
    EXPECT_FLOAT_EQ (full.meter.barHeight, 380.0f);
    EXPECT_EQ (image.getPixelAt (4, 10).getRed(), 255);  // red at the top
    EXPECT_LT (image.getPixelAt (4, 370).getRed(), 20);  // green at the bottom
    EXPECT_EQ (image.getPixelAt (0, 200), juce::Colours::black); // 2 px outline at scale 1
    EXPECT_EQ (image.getPixelAt (1, 200), juce::Colours::black);
    EXPECT_NE (image.getPixelAt (2, 200), juce::Colours::black);

    // 50 % at scale 0.5 on a 190-high meter: a 95-pixel bar from the bottom, 1 px outline.
    MeterOnPanel half (248, 190);
    EXPECT_EQ (half.meter.fullHeight, 190);
    half.level = 50;
    image = half.paintOnce();
    EXPECT_TRUE (isBackground (image.getPixelAt (4, 190 - 96)));
    EXPECT_FALSE (isBackground (image.getPixelAt (4, 190 - 95)));
    EXPECT_NE (image.getPixelAt (1, 100), juce::Colours::black);

    // A meter 100 pixels tall at scale 1 showing 50 % draws 190 cut to 100.
    MeterOnPanel cut (496, 100);
    cut.level = 50;
    image = cut.paintOnce();
    EXPECT_FLOAT_EQ (cut.meter.barHeight, 190.0f);
    EXPECT_FALSE (isBackground (image.getPixelAt (4, 2)));

    // Above 100 % the bar is taller than full height, still cut at the component.
    MeterOnPanel over (496, 380);
    over.level = 120;
    image = over.paintOnce();
    EXPECT_FALSE (isBackground (image.getPixelAt (4, 2)));
}

TEST (Talvoz6VUMeter, EveryLevelAtEverySizeLooksAsTheGradientFilledOverTheBackground)
{
    // The picture as the meter was first drawn: its background, the gradient filled over the bar's
    // rectangle, the outline drawn round it. The meter copies most of it now; not one pixel may
    // move, in the opaque picture its buffer holds, in a transparent one, or on a display that
    // scales (the buffer then has more pixels than the meter).
    const auto drawAsGradient = [] (const Talvoz6VUMeter& meter, juce::Graphics& g)
    {
        const auto w = meter.getWidth(), h = meter.getHeight();
        g.setColour (juce::Colour (0xff184141));
        g.fillRect (0, 0, w, h);
        g.setGradientFill (meter.gradient);
        const auto shown = juce::jmin ((float) h, meter.barHeight);
        g.fillRect (juce::Rectangle<float> (0.0f, (float) h - shown, (float) w, shown));
        g.setColour (juce::Colours::black);
        g.drawRect (0, 0, w, h, (int) (2.0f * meter.meterScale));
    };

    const auto render = [] (const juce::Component& meter, juce::Image::PixelFormat format, float scale, auto&& draw)
    {
        juce::Image image (format, (int) (scale * (float) meter.getWidth()), (int) (scale * (float) meter.getHeight()), true);
        juce::Graphics g (image);
        g.addTransform (juce::AffineTransform::scale (scale));
        draw (g);
        return image;
    };

    struct Case
    {
        int panelWidth;
        juce::Image::PixelFormat format;
        float scale;
    };
    std::vector<Case> cases;
    for (const auto panelWidth : { 248, 267, 297, 372, 373, 471, 496 })
        for (const auto format : { juce::Image::RGB, juce::Image::ARGB })
            cases.push_back ({ panelWidth, format, 1.0f });
    cases.push_back ({ 496, juce::Image::RGB, 2.0f });
    cases.push_back ({ 297, juce::Image::RGB, 1.5f });

    for (const auto& c : cases)
    {
        const auto s = (float) c.panelWidth / 496.0f;

        for (const auto meterHeight : { (int) (380.0f * s), 100 })
        {
            MeterOnPanel m (c.panelWidth, meterHeight);
            m.meter.setBounds (0, 0, (int) (8.0f * s), meterHeight);

            for (int level = 0; level <= 127; ++level)
            {
                m.meter.currentLevel = 0;
                m.level = (std::int8_t) level;

                const auto picture = render (m.meter, c.format, c.scale, [&] (juce::Graphics& g) { m.meter.paint (g); });
                const auto expected = render (m.meter, c.format, c.scale, [&] (juce::Graphics& g) { drawAsGradient (m.meter, g); });

                for (int y = 0; y < picture.getHeight(); ++y)
                    for (int x = 0; x < picture.getWidth(); ++x)
                        ASSERT_EQ (picture.getPixelAt (x, y), expected.getPixelAt (x, y))
                            << "panel " << c.panelWidth << ", meter height " << meterHeight << ", scale " << c.scale
                            << ", level " << level << ", pixel " << x << ", " << y;
            }
        }
    }
}

TEST (Talvoz6VUMeter, IsBufferedAndPaintsOnlyOnRequest)
{
    MeterOnPanel m (496, 380);
    EXPECT_NE (m.meter.getCachedComponentImage(), nullptr);
    m.level = 100;

    // The parent paints its children through their caches.
    auto paintPanel = [&m]
    {
        juce::Image target (juce::Image::ARGB, 8, 380, true);
        juce::Graphics g (target);
        m.panel.paintEntireComponent (g, false);
    };

    paintPanel();
    EXPECT_EQ (m.meter.currentLevel, 100);

    // Without a repaint request the cached picture is reused: the ballistics do not advance.
    m.level = 50;
    paintPanel();
    EXPECT_EQ (m.meter.currentLevel, 100);

    m.meter.repaint();
    paintPanel();
    EXPECT_EQ (m.meter.currentLevel, 96);
}

TEST (Talvoz6VUMeter, AReadingRedrawsTheMeterAloneAndNothingUnderIt)
{
    struct CountedPanel final : Panel
    {
        CountedPanel() : Panel (496) {}
        void paint (juce::Graphics&) override { ++paints; }
        int paints = 0;
    };

    CountedPanel panel;
    Talvoz6VUMeter meter;
    std::int8_t level = 80;
    panel.addAndMakeVisible (meter);
    meter.levelSource = &level;
    meter.setBounds (72, 268, 8, 380);

    // What a window's paint does with the area a repaint request made dirty.
    juce::Image window (juce::Image::RGB, 496, 1360, true);
    const auto paintDirtyArea = [&] (juce::Rectangle<int> area)
    {
        juce::Graphics g (window);
        g.reduceClipRegion (area);
        panel.paintEntireComponent (g, false);
    };

    paintDirtyArea (panel.getLocalBounds());
    ASSERT_EQ (panel.paints, 1);

    level = 30;
    meter.repaint();
    paintDirtyArea (meter.getBounds());
    EXPECT_EQ (panel.paints, 1) << "the panel under the meter was drawn again";
    EXPECT_EQ (meter.currentLevel, 76) << "the meter did not paint the reading";
}

TEST (Talvoz6VUMeter, WithoutParentOrDisplayItScalesToTheDesignWidth)
{
    // A headless process (or one whose display went away) has no display to measure.
    auto& displays = const_cast<juce::Displays&> (juce::Desktop::getInstance().getDisplays());
    const auto saved = displays.displays;
    displays.displays.clear();

    {
        Talvoz6VUMeter meter;
        EXPECT_EQ (meter.meterScale, 1.0f);
        meter.setBounds (0, 0, 8, 400);
        EXPECT_EQ (meter.fullHeight, 380);

        std::int8_t level = 50;
        meter.levelSource = &level;
        Canvas c (8, 400);
        meter.paint (c.g);
        EXPECT_EQ (meter.barHeight, 190.0f);
    }

    displays.displays = saved;

    // With a display but no parent, the display's user area sets the scale, as before.
    if (auto* display = displays.getPrimaryDisplay())
    {
        Talvoz6VUMeter meter;
        EXPECT_EQ (meter.meterScale, (float) display->userArea.getWidth() / 496.0f);
    }
}
