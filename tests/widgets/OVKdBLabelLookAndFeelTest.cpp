#include "widgets/OVKLabel.h"
#include "widgets/PopupMenuLookAndFeel.h"
#include "widgets/WidgetTestHelpers.h"

#include <gtest/gtest.h>

TEST (OVKdBLabelLookAndFeel, FindsTheLargestWholeHeightAtWhichTheReferenceFits)
{
    OVKdBLabelLookAndFeel lf;
    EXPECT_FLOAT_EQ (lf.labelFont.getHeight(), 8.0f);
    EXPECT_EQ (lf.referenceText, "-63.5 dB");

    juce::Label label;
    const auto widthAt = [] (float h) { return juce::Font (h).getStringWidthFloat ("-63.5 dB"); };

    label.setSize ((int) std::ceil (widthAt (20.0f)) + 5, 20);
    EXPECT_FLOAT_EQ (lf.getLabelFont (label).getHeight(), 20.0f);
    EXPECT_EQ (lf.measurementsInLastSearch, 1);

    // Narrower: the largest whole height whose width does not exceed the label's.
    label.setSize ((int) std::floor (widthAt (13.0f)), 20);
    const auto height = lf.getLabelFont (label).getHeight();
    EXPECT_LE (widthAt (height), (float) label.getWidth());
    EXPECT_GT (widthAt (height + 1.0f), (float) label.getWidth());
    EXPECT_EQ (height, std::floor (height));
    EXPECT_LT (height, 20.0f);
    EXPECT_FLOAT_EQ (lf.labelFont.getHeight(), height); // keeps the last height tried

    // Width 0: nothing fits, the search ends at 0 after 20 steps and gives a 0.1-high font.
    label.setSize (0, 20);
    EXPECT_FLOAT_EQ (lf.getLabelFont (label).getHeight(), 0.1f);
    EXPECT_EQ (lf.measurementsInLastSearch, 21);
}

TEST (OVKdBLabelLookAndFeel, WithoutTheMessageLockReturnsTheStoredFont)
{
    OVKdBLabelLookAndFeel lf;
    juce::Label label;
    label.setSize (500, 20);

    // Another thread waits for the message thread, which is busy here: give up via its exit signal.
    struct Worker : juce::Thread
    {
        Worker (OVKdBLabelLookAndFeel& l, juce::Label& lab) : juce::Thread ("dB label"), lf (l), label (lab) {}
        void run() override { height = lf.getLabelFont (label).getHeight(); }
        OVKdBLabelLookAndFeel& lf;
        juce::Label& label;
        float height = -1.0f;
    } worker (lf, label);

    worker.startThread();
    juce::Thread::sleep (50);
    worker.signalThreadShouldExit();
    ASSERT_TRUE (worker.waitForThreadToExit (5000));
    EXPECT_FLOAT_EQ (worker.height, 8.0f);
}

TEST (PopupMenuLookandFeel, PlainBarAndItemsTenPixelsWiderThanTheirNames)
{
    PopupMenuLookandFeel lf;
    juce::MenuBarComponent bar;
    const auto font = lf.getMenuBarFont (bar, 0, "Snapshots");
    EXPECT_EQ (lf.getMenuBarItemWidth (bar, 0, "Snapshots"), font.getStringWidth ("Snapshots") + 10);

    WidgetTestHelpers::Canvas c (60, 20);
    lf.drawMenuBarBackground (c.g, 60, 20, true, bar);
    EXPECT_EQ (c.image.getPixelAt (0, 0), juce::Colours::lightgrey);
    EXPECT_EQ (c.image.getPixelAt (59, 19), juce::Colours::lightgrey);

    c.g.setFont (14.0f);
    lf.drawMenuBarItem (c.g, 60, 20, 0, "File", true, true, true, bar);

    bool sawBlack = false;

    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < 20; ++y)
            sawBlack = sawBlack || c.image.getPixelAt (x, y).getBrightness() < 0.2f;

    EXPECT_TRUE (sawBlack);
    EXPECT_EQ (c.image.getPixelAt (1, 1), juce::Colours::lightgrey); // no highlight
}
