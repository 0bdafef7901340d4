#include "widgets/Talvoz6ComboBox.h"
#include "widgets/WidgetTestHelpers.h"

#include <gtest/gtest.h>

#include <future>

using WidgetTestHelpers::Canvas;
using WidgetTestHelpers::paintedBounds;

TEST (TalvoComboBoxLookAndFeel, CustomFontHeightHasAFloorOfEight)
{
    auto heightFor = [] (int h) { return TalvoComboBoxLookAndFeel::getCustomFont ({ 0, 0, 50, h }).getHeight(); };

    EXPECT_FLOAT_EQ (heightFor (0), 8.0f);    // not laid out yet
    EXPECT_FLOAT_EQ (heightFor (11), 8.0f);   // 7.92 is below the floor
    EXPECT_FLOAT_EQ (heightFor (12), 12.0f * 0.72f);
    EXPECT_FLOAT_EQ (heightFor (100), 72.0f);
    EXPECT_FLOAT_EQ (heightFor (20), 14.4f);
    EXPECT_FLOAT_EQ (heightFor (-5), 8.0f);
}

TEST (TalvoComboBoxLookAndFeel, CustomFontSharesOneTypefaceAcrossCallsAndThreads)
{
    auto fromOtherThread = std::async (std::launch::async, [] { return TalvoComboBoxLookAndFeel::getCustomFont ({}).getTypefacePtr(); });
    const auto a = TalvoComboBoxLookAndFeel::getCustomFont ({ 0, 0, 10, 10 });
    auto b = TalvoComboBoxLookAndFeel::getCustomFont ({ 0, 0, 10, 40 });
    b.setHeight (3.0f); // callers change their copy freely

    ASSERT_NE (a.getTypefacePtr(), nullptr);
    EXPECT_EQ (a.getTypefacePtr(), b.getTypefacePtr());
    EXPECT_EQ (a.getTypefacePtr(), fromOtherThread.get());
    EXPECT_FLOAT_EQ (TalvoComboBoxLookAndFeel::getCustomFont ({ 0, 0, 10, 10 }).getHeight(), 8.0f);
    EXPECT_FALSE (a.isUnderlined());
    EXPECT_FLOAT_EQ (a.getHorizontalScale(), 1.0f);
}

TEST (TalvoComboBoxLookAndFeel, ArrowGeometryFollowsTheScale)
{
    const auto full = TalvoComboBoxLookAndFeel::arrowPath (100, 24, 1.0f).getBounds();
    EXPECT_NEAR (full.getY(), 8.6667f, 1e-3f);
    EXPECT_NEAR (full.getBottom(), 22.6667f, 1e-3f);
    EXPECT_FLOAT_EQ (full.getWidth(), 16.0f);
    EXPECT_FLOAT_EQ (full.getCentreX(), 84.0f);

    const auto half = TalvoComboBoxLookAndFeel::arrowPath (50, 12, 0.5f).getBounds();
    EXPECT_NEAR (half.getY(), 5.6667f, 1e-3f);
    EXPECT_FLOAT_EQ (half.getHeight(), 7.0f);
    EXPECT_FLOAT_EQ (half.getWidth(), 8.0f);
    EXPECT_FLOAT_EQ (half.getCentreX(), 42.0f);
}

TEST (TalvoComboBoxLookAndFeel, BoxShowsOnlyTheArrowAndOnlyWithAChoice)
{
    TalvoComboBoxLookAndFeel lf;
    juce::ComboBox box;
    box.setLookAndFeel (&lf);
    box.setBounds (0, 0, 100, 24);
    box.addItem ("MIC", 3);

    auto render = [&]
    {
        Canvas c (100, 24);
        lf.drawComboBox (c.g, 100, 24, false, 100, 0, 0, 24, box);
        return c.image;
    };

    EXPECT_TRUE (paintedBounds (render()).isEmpty()); // transparent box, one item: nothing at all

    box.addItem ("LINE", 2);
    const auto enabled = render();
    const auto painted = paintedBounds (enabled);
    EXPECT_EQ (painted.getX(), 76);
    EXPECT_EQ (painted.getRight(), 92);
    EXPECT_EQ (painted.getY(), 8);
    EXPECT_EQ (enabled.getPixelAt (84, 14).getAlpha(), 153); // 0.6 of turquoise's full alpha

    // The arrow fades to a tenth when the box or any parent is disabled.
    juce::Component parent;
    parent.addAndMakeVisible (box);
    parent.setEnabled (false);
    const auto disabled = render();
    EXPECT_EQ (disabled.getPixelAt (84, 14).getAlpha(), 26);
    EXPECT_NEAR (disabled.getPixelAt (84, 14).getRed(), juce::Colours::turquoise.getRed(), 10); // premultiplied round trip
    parent.removeChildComponent (&box);
    box.setLookAndFeel (nullptr);
}

TEST (TalvoComboBoxLookAndFeel, LabelFillsTheBoxAndPopupOptionsMatchTheBox)
{
    TalvoComboBoxLookAndFeel lf;
    juce::ComboBox box;
    box.setBounds (0, 0, 108, 33);
    juce::Label label;
    lf.positionComboBoxText (box, label);

    EXPECT_EQ (label.getBounds(), juce::Rectangle<int> (0, 0, 108, 33));
    EXPECT_EQ (label.getJustificationType(), juce::Justification::centredLeft);
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 33.0f * 0.72f);

    box.addItem ("MIC", 3);
    box.addItem ("LINE", 2);
    box.setSelectedId (2, juce::dontSendNotification);
    const auto options = lf.getOptionsForComboBoxPopupMenu (box, label);
    EXPECT_EQ (options.getTargetComponent(), &box);
    EXPECT_EQ (options.getItemThatMustBeVisible(), 2);
    EXPECT_EQ (options.getMinimumWidth(), 108);
    EXPECT_EQ (options.getMaximumNumColumns(), 1);
    EXPECT_EQ (options.getStandardItemHeight(), 33);
    EXPECT_EQ (options.getInitiallySelectedItemId(), 0);

    EXPECT_EQ (lf.findColour (juce::ComboBox::textColourId), juce::Colours::turquoise);
    EXPECT_EQ (lf.findColour (juce::ComboBox::backgroundColourId).getARGB(), 0u);
    EXPECT_EQ (lf.findColour (juce::ComboBox::focusedOutlineColourId).getARGB(), 0u);
}

TEST (TalvoComboBoxLookAndFeel, PopupItemTextKeepsItsMarginsAndLooksTheSameHighlighted)
{
    TalvoComboBoxLookAndFeel lf;
    const juce::String text ("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"); // far too long: cut with an ellipsis

    auto render = [&] (bool highlighted, bool ticked)
    {
        Canvas c (200, 20);
        lf.drawPopupMenuItem (c.g, { 0, 0, 200, 20 }, false, true, highlighted, ticked, false, text, {}, nullptr, nullptr);
        return c.image;
    };

    const auto plain = render (false, false);
    const auto painted = paintedBounds (plain);
    EXPECT_GE (painted.getX(), 25);
    EXPECT_LE (painted.getRight(), 175);
    EXPECT_LE (plain.getPixelAt (painted.getCentreX(), painted.getCentreY()).getAlpha(), 0xcc);

    const auto highlighted = render (true, false);
    EXPECT_EQ (paintedBounds (highlighted), painted);

    // The tick is an 8 x 8 dot at (10, 6) on a 20-high item at scale 1.
    const auto ticked = render (false, true);
    EXPECT_GT (ticked.getPixelAt (14, 10).getAlpha(), 0);
    EXPECT_EQ (paintedBounds (ticked).getX(), 10);
}

TEST (TalvoComboBoxLookAndFeel, ImageButtonPictureFillsAndSpillsWithTextOnTop)
{
    TalvoComboBoxLookAndFeel lf;
    juce::ImageButton button;
    button.setButtonText ("");
    auto picture = WidgetTestHelpers::gradientPicture (180, 36);

    // 36/36 beats 100/180: factor 1.0, centred, 40 pixels spilling over each side.
    Canvas c (100, 36);
    lf.drawImageButton (c.g, &picture, 0, 0, 100, 36, juce::Colours::red, 0.2f, button);
    EXPECT_EQ (c.image.getPixelAt (0, 10), picture.getPixelAt (40, 10));
    EXPECT_EQ (c.image.getPixelAt (99, 30), picture.getPixelAt (139, 30));

    // A null picture draws only the text, in turquoise.
    button.setButtonText ("Snapshot 1");
    Canvas t (100, 36);
    t.g.setFont (14.0f);
    lf.drawImageButton (t.g, nullptr, 0, 0, 100, 36, {}, 1.0f, button);
    const auto painted = paintedBounds (t.image);
    ASSERT_FALSE (painted.isEmpty());
    EXPECT_NEAR (painted.getCentreX(), 50, 3);

    bool sawTurquoise = false;

    for (int x = painted.getX(); x < painted.getRight(); ++x)
        for (int y = painted.getY(); y < painted.getBottom(); ++y)
            sawTurquoise = sawTurquoise || t.image.getPixelAt (x, y) == juce::Colours::turquoise;

    EXPECT_TRUE (sawTurquoise);
}

TEST (TalvoComboBoxLookAndFeel2, DrawsNoBox)
{
    TalvoComboBoxLookAndFeel2 lf;
    juce::ComboBox box;
    box.addItem ("A", 1);
    box.addItem ("B", 2);
    Canvas c (50, 20);
    lf.drawComboBox (c.g, 50, 20, true, 50, 0, 0, 20, box);
    EXPECT_TRUE (paintedBounds (c.image).isEmpty());
}
