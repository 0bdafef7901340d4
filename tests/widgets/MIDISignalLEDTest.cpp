#include "widgets/TalvoMIDISignalLED.h"
#include "widgets/WidgetTestHelpers.h"

#include <gtest/gtest.h>

using WidgetTestHelpers::Canvas;

namespace
{
enum class Shown { dark, off, on };

Shown shown (const MIDISignalLED& led)
{
    const auto& frame = led.currentFrame();

    if (frame == led.blinkImage)
        return Shown::dark;

    return frame == led.onImage ? Shown::on : Shown::off;
}

/** What the lamp shows in each 50 ms slot from a blink's start: the timer ticks at the slot edges. */
std::vector<Shown> blinkTimeline (MIDISignalLED& led, int slots, int restartAtSlot = -1)
{
    std::vector<Shown> timeline;

    for (int slot = 0; slot < slots; ++slot)
    {
        if (slot == restartAtSlot)
            led.startBlink();

        timeline.push_back (shown (led));

        if (led.isBlinking())
            led.timerCallback();
    }

    return timeline;
}
} // namespace

TEST (MIDISignalLED, StartsAtRestShowingTheSteadyFrame)
{
    MIDISignalLED led;
    EXPECT_TRUE (led.idle);
    EXPECT_FALSE (led.steadyState);
    EXPECT_EQ (led.blinkCount, 0);
    EXPECT_FALSE (led.offImage.isValid()); // frames are made at the first layout

    // Drawing before the first layout draws nothing.
    Canvas c (24, 24);
    led.paint (c.g);
    EXPECT_TRUE (WidgetTestHelpers::paintedBounds (c.image).isEmpty());
}

TEST (MIDISignalLED, OneBlinkShowsThreeDarkBeatsAndStopsAfterSevenTicks)
{
    MIDISignalLED led;
    led.setBounds (0, 0, 24, 24);
    led.startBlink();
    EXPECT_TRUE (led.isBlinking());

    // Slots: 0-50 steady, 50-100 dark, 100-150 steady, ..., 300-350 steady, 350+ at rest.
    const auto timeline = blinkTimeline (led, 8);
    const std::vector<Shown> expected { Shown::off, Shown::dark, Shown::off, Shown::dark,
                                        Shown::off, Shown::dark, Shown::off, Shown::off };
    EXPECT_EQ (timeline, expected);
    EXPECT_FALSE (led.isBlinking()); // stopped by the seventh tick, at 350 ms
    EXPECT_TRUE (led.idle);
    EXPECT_EQ (led.blinkCount, 0);
}

TEST (MIDISignalLED, ASecondBlinkRestartsTheCount)
{
    MIDISignalLED led;
    led.setBounds (0, 0, 24, 24);
    led.startBlink();

    // Two ticks (to 100 ms), then a restart in the third slot: the dark beats move with it.
    std::vector<Shown> timeline;
    for (int slot = 0; slot < 2; ++slot)
    {
        timeline.push_back (shown (led));
        led.timerCallback();
    }

    EXPECT_EQ (led.blinkCount, 2);
    const auto rest = blinkTimeline (led, 8, 0);
    const std::vector<Shown> expected { Shown::off, Shown::dark, Shown::off, Shown::dark,
                                        Shown::off, Shown::dark, Shown::off, Shown::off };
    EXPECT_EQ (rest, expected);
    EXPECT_FALSE (led.isBlinking());
}

TEST (MIDISignalLED, SteadyStateChangesTheNonDarkBeatsAtOnce)
{
    MIDISignalLED led;
    led.setBounds (0, 0, 24, 24);
    led.startBlink();
    led.timerCallback(); // count 1: dark
    led.setSteadyState (true);
    EXPECT_EQ (shown (led), Shown::dark);
    led.timerCallback(); // count 2
    EXPECT_EQ (shown (led), Shown::on);
    led.setSteadyState (false);
    EXPECT_EQ (shown (led), Shown::off);
}

TEST (MIDISignalLED, FramesAreScaledToTheLampSize)
{
    MIDISignalLED led;
    led.setBounds (0, 0, 12, 12);
    ASSERT_TRUE (led.onImage.isValid());
    EXPECT_EQ (led.onImage.getBounds(), juce::Rectangle<int> (0, 0, 12, 12));
    EXPECT_EQ (led.blinkImage.getBounds(), juce::Rectangle<int> (0, 0, 12, 12));

    // The three lamps differ where they glow: dark, green and red.
    const auto dark = led.blinkImage.getPixelAt (6, 7);
    const auto green = led.offImage.getPixelAt (6, 7);
    const auto red = led.onImage.getPixelAt (6, 7);
    EXPECT_GT (green.getGreen(), green.getRed());
    EXPECT_GT (red.getRed(), red.getGreen());
    EXPECT_LT (dark.getBrightness(), green.getBrightness());

    Canvas c (12, 12);
    led.setSteadyState (true);
    led.paint (c.g);
    EXPECT_EQ (c.image.getPixelAt (6, 7), red);

    led.setBounds (0, 0, 0, 0);
    EXPECT_FALSE (led.onImage.isValid());
}
