#include "panel/CommandLineSwitches.h"
#include "panel/Main.h"
#include "panel/OVKBorderBoundsConstrainer.h"

#include <gtest/gtest.h>

TEST (CommandLineSwitches, RecogniseOnlyTheWholeCommandLineIgnoringCase)
{
    using namespace CommandLineSwitches;

    EXPECT_TRUE (is ("/DEFAULT", defaultSwitch));
    EXPECT_TRUE (is ("/Shutdown", shutdown));
    EXPECT_TRUE (is ("/init", init));
    EXPECT_FALSE (is ("/default ", defaultSwitch));
    EXPECT_FALSE (is (" /default", defaultSwitch));
    EXPECT_FALSE (is ("/default /init", defaultSwitch));
    EXPECT_FALSE (is ("/defaults", defaultSwitch));
    EXPECT_FALSE (is ("", shutdown));

    EXPECT_TRUE (asksForDefaults ("/Defaults"));
    EXPECT_FALSE (asksForDefaults ("/init"));
    EXPECT_TRUE (asksForResetAtStart ("/INIT"));
    EXPECT_TRUE (asksForResetAtStart ("/default"));
    EXPECT_FALSE (asksForResetAtStart ("/shutdown"));
}

TEST (CommandLineSwitches, ShownVersionCutsAfterTheFirstDotZero)
{
    EXPECT_EQ (shownVersionOf ("1.1.0.0"), "1.1.0");
    EXPECT_EQ (shownVersionOf ("1.2.3"), "1.2.3");
    EXPECT_EQ (shownVersionOf ("2.0"), "2.0");
    EXPECT_EQ (shownVersionOf ("1.0.1.0"), "1.0");
}

TEST (MainWindowSize, StartScaleDependsOnTheMainDisplayHeight)
{
    EXPECT_EQ (Talvoz3UIApplication::startSizeForUserAreaHeight (1291), juce::Rectangle<int> (297, 816));
    EXPECT_EQ (Talvoz3UIApplication::startSizeForUserAreaHeight (1292), juce::Rectangle<int> (471, 1292));
    EXPECT_EQ (Talvoz3UIApplication::startSizeForUserAreaHeight (0), juce::Rectangle<int> (297, 816));
    EXPECT_EQ (Talvoz3UIApplication::startSizeForUserAreaHeight (2160), juce::Rectangle<int> (471, 1292));
}

namespace
{
    void configure (BorderBoundsConstrainer& c)
    {
        c.frameBorder = juce::BorderSize<int> (28, 2, 2, 2); // title bar and thin sides
        c.setFixedAspectRatio (496.0 / 1360.0);
        c.setSizeLimits (248, 680, 496, 1360);
    }

    juce::Rectangle<int> clientOf (const BorderBoundsConstrainer& c, juce::Rectangle<int> window)
    {
        return c.frameBorder.subtractedFrom (window);
    }
}

TEST (BorderBoundsConstrainer, KeepsTheClientAreaOnItsRatioAndLimits)
{
    BorderBoundsConstrainer c;
    configure (c);
    const juce::Rectangle<int> previous (100, 100, 300 + 4, 823 + 30);
    const juce::Rectangle<int> screen (0, 0, 4000, 4000);

    // Dragging the bottom edge: the width follows the height.
    auto bounds = previous.withHeight (1000 + 30);
    c.checkBounds (bounds, previous, screen, false, false, true, false);
    auto client = clientOf (c, bounds);
    EXPECT_EQ (client.getHeight(), 1000);
    EXPECT_NEAR (client.getWidth(), 1000 * 496.0 / 1360.0, 1.0);
    EXPECT_EQ (bounds.getPosition(), previous.getPosition());

    // Too big and too small are held at the limits of the client area, not of the framed window.
    bounds = previous.withSize (2000, 5000);
    c.checkBounds (bounds, previous, screen, false, false, true, true);
    EXPECT_EQ (clientOf (c, bounds).getWidth(), 496);
    EXPECT_EQ (clientOf (c, bounds).getHeight(), 1360);
    EXPECT_EQ (bounds.getHeight(), 1360 + 30);

    bounds = previous.withSize (50, 100);
    c.checkBounds (bounds, previous, screen, false, false, true, true);
    EXPECT_EQ (clientOf (c, bounds).getWidth(), 248);
    EXPECT_EQ (clientOf (c, bounds).getHeight(), 680);
}

TEST (BorderBoundsConstrainer, NeverMovesTheWindow)
{
    BorderBoundsConstrainer c;
    configure (c);
    const juce::Rectangle<int> previous (100, 100, 300 + 4, 823 + 30);
    const juce::Rectangle<int> screen (0, 0, 4000, 4000);

    // Dragging the top-left corner: the corner stays where the user put it even when the size
    // rules correct the size; the correction lands on the bottom and right edges.
    auto bounds = juce::Rectangle<int>::leftTopRightBottom (40, 20, previous.getRight(), previous.getBottom());
    c.checkBounds (bounds, previous, screen, true, true, false, false);
    EXPECT_EQ (bounds.getPosition(), juce::Point<int> (40, 20));
    const auto client = clientOf (c, bounds);
    EXPECT_LE (client.getWidth(), 496);
    EXPECT_LE (client.getHeight(), 1360);
    EXPECT_NEAR (client.getWidth(), client.getHeight() * 496.0 / 1360.0, 1.0);

    // Shrinking from the top-left below the minimum: held at the minimum, corner still put.
    bounds = juce::Rectangle<int>::leftTopRightBottom (previous.getRight() - 20, previous.getBottom() - 20,
                                                       previous.getRight(), previous.getBottom());
    c.checkBounds (bounds, previous, screen, true, true, false, false);
    EXPECT_EQ (bounds.getPosition(), juce::Point<int> (previous.getRight() - 20, previous.getBottom() - 20));
    EXPECT_EQ (clientOf (c, bounds).getWidth(), 248);
    EXPECT_EQ (clientOf (c, bounds).getHeight(), 680);
}

TEST (BorderBoundsConstrainer, BringsAClientAreaTheWindowManagerGaveBackOntoTheShape)
{
    BorderBoundsConstrainer c;
    configure (c);

    // The start sizes count as on the ratio; the framework rounds them differently.
    EXPECT_TRUE (c.fits ({ 297, 816 }));
    EXPECT_TRUE (c.fits ({ 323, 884 }));
    EXPECT_FALSE (c.fits ({ 297, 874 }));
    EXPECT_FALSE (c.fits ({ 500, 1371 }));

    const juce::Rectangle<int> shown (100, 100, 297, 814);

    // The bottom edge was dragged: the width follows, the top-left corner stays.
    auto corrected = c.correctedClientArea (shown.withHeight (874), shown);
    EXPECT_EQ (corrected, juce::Rectangle<int> (100, 100, 319, 874));

    // The top edge was dragged: the new top stays, the correction lands on the right.
    corrected = c.correctedClientArea (juce::Rectangle<int>::leftTopRightBottom (100, 40, 397, 914), shown);
    EXPECT_EQ (corrected, juce::Rectangle<int> (100, 40, 319, 874));

    // Maximised without the hints: the largest client area that fits inside, at its corner.
    corrected = c.correctedClientArea ({ 0, 19, 1280, 1005 }, shown);
    EXPECT_EQ (corrected, juce::Rectangle<int> (0, 19, 367, 1005));
    EXPECT_TRUE (c.fits (corrected));

    corrected = c.largestClientAreaWithin ({ 2, 28, 600, 2000 });
    EXPECT_EQ (corrected, juce::Rectangle<int> (2, 28, 496, 1360));
}

TEST (BorderBoundsConstrainer, StartsWithTheWholeFrameInTheUserArea)
{
    BorderBoundsConstrainer c;
    configure (c);

    struct Case
    {
        const char* what;
        juce::Rectangle<int> startSize, userArea, expected;
    };

    const Case cases[] {
        // Fits: the start size, centred as the framework centres a window.
        { "a taskbar below", { 297, 816 }, { 0, 0, 1920, 1274 }, { 812, 229, 297, 816 } },
        // Fits, but centred its title bar would stick out at the top.
        { "a tight fit", { 297, 816 }, { 0, 30, 1280, 850 }, { 492, 58, 297, 816 } },
        // Does not fit: the largest on the ratio that does, centred.
        { "a 768-high screen", { 297, 816 }, { 0, 0, 1024, 768 }, { 378, 28, 269, 738 } },
        { "too short for the 0.95 scale", { 471, 1292 }, { 0, 0, 1920, 1300 }, { 729, 28, 463, 1270 } },
        // Not even the smallest allowed fits: the title bar stays on the screen.
        { "a 600-high screen", { 297, 816 }, { 0, 20, 800, 600 }, { 276, 48, 248, 680 } },
    };

    for (const auto& start : cases)
        EXPECT_EQ (c.startClientArea (start.startSize, start.userArea), start.expected) << start.what;
}
