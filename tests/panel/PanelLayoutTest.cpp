#include "panel/BackgroundRescaler.h"
#include "panel/PanelArtwork.h"
#include "panel/PanelLayout.h"
#include "resources/OVKBIN.h"
#include "mixer/TimerIds.h"
#include "support/PanelFixture.h"
#include "support/VirtualPanelFixture.h"
#include "support/ResidentPages.h"

#include <gtest/gtest.h>

using PanelLayout::ArtworkTier;
using PanelLayout::Row;

namespace
{
juce::Rectangle<int> first (Row row, int width)
{
    return PanelLayout::rowBounds (row, width).front();
}

int heightForWidth (int width)
{
    return width * PanelLayout::designHeight / PanelLayout::designWidth;
}

/** The framework's own rescale of a tier's background, as it shows on a black ground. */
juce::Image rescaledOnBlack (ArtworkTier tier, juce::Rectangle<int> size)
{
    const auto rescaled = PanelArtwork::decodePicture (PanelArtwork::Picture::panelBackground, tier)
                              .rescaled (size.getWidth(), size.getHeight(), juce::Graphics::highResamplingQuality);
    juce::Image onBlack (juce::Image::RGB, size.getWidth(), size.getHeight(), true);
    juce::Graphics g (onBlack);
    g.drawImageAt (rescaled, 0, 0);
    return onBlack;
}
} // namespace

TEST (PanelLayout, TierAndRectanglesAtTheEdgeWidths)
{
    const std::pair<int, ArtworkTier> tiers[] = {
        {496, ArtworkTier::large}, {471, ArtworkTier::large}, {373, ArtworkTier::large}, {372, ArtworkTier::medium}, {268, ArtworkTier::medium}, {267, ArtworkTier::small}, {248, ArtworkTier::small}};
    for (auto [width, tier] : tiers)
        EXPECT_EQ (PanelLayout::tierForWidth (width), tier) << width;

    // The MIDI and update buttons at 496, 471 and 248 are checked on the panel below.
    using R = juce::Rectangle<int>;
    EXPECT_EQ (first (Row::midiButton, 373), R (129, 968, 36, 36));
    EXPECT_EQ (first (Row::muteAllButton, 372), R (75, 537, 36, 36));
    EXPECT_EQ (first (Row::snapshotButtons, 248), R (6, 434, 90, 18));

    // A start on a tall screen: each product truncated on its own, so the snapshot button ends
    // at 181 while 192 x s would be 182.
    EXPECT_EQ (first (Row::snapshotButtons, 471), R (11, 824, 170, 34));

    EXPECT_EQ (PanelLayout::noticeBox (496, 1360), juce::Rectangle<float> (30.0f, 650.0f, 436.0f, 50.0f));
    EXPECT_EQ (PanelLayout::noticeBox (248, 680), juce::Rectangle<float> (15.0f, 325.0f, 218.0f, 25.0f));
}

TEST (PanelLayout, EveryControlStaysOnThePanelAndRowsKeepTheirOrderAtEveryWidth)
{
    for (int width = 248; width <= 496; ++width)
    {
        const juce::Rectangle<int> panel (0, 0, width, heightForWidth (width));

        for (const auto& designRow : PanelLayout::designTable())
        {
            const auto bounds = PanelLayout::rowBounds (designRow.row, width);
            ASSERT_EQ (bounds.size(), designRow.positions.size());

            for (size_t i = 0; i < bounds.size(); ++i)
            {
                EXPECT_TRUE (panel.contains (bounds[i])) << width << " row " << (int)designRow.row << " #" << i;
                EXPECT_FALSE (bounds[i].isEmpty());

                // Entries of an array never swap places or collapse onto each other.
                if (i > 0)
                {
                    EXPECT_LT (bounds[i - 1].getX() + bounds[i - 1].getY(), bounds[i].getX() + bounds[i].getY());
                }
            }
        }
    }
}

TEST (PanelLayout, TheTierBeyondANearbyBoundary)
{
    const std::pair<int, std::optional<ArtworkTier>> cases[] = {
        {496, {}}, {404, {}}, {403, ArtworkTier::medium}, {373, ArtworkTier::medium}, {372, ArtworkTier::large},
        {341, {}}, {342, ArtworkTier::large}, {290, ArtworkTier::small}, {267, ArtworkTier::medium}, {248, ArtworkTier::medium}};

    for (const auto& [width, beyond] : cases)
        EXPECT_EQ (PanelLayout::tierAcrossNearbyBoundary (width, 32), beyond) << width;
}

//==============================================================================
/** The panel in a window that is not on screen, as the application builds it. */
class PanelLayoutOnThePanel : public PanelFixture
{
protected:
    PanelLayoutOnThePanel() { window.addAndMakeVisible (*panel); }
    ~PanelLayoutOnThePanel() override { window.removeAllChildren(); }

    void layOut (int width) { panel->setSize (width, heightForWidth (width)); }

    juce::Component window;

    static bool isCached (const char* embeddedData)
    {
        return juce::ImageCache::getFromHashCode ((juce::int64) (juce::pointer_sized_int)embeddedData).isValid();
    }
};

TEST_F (PanelLayoutOnThePanel, PlacesControlsAndCutsPicturesForEachTier)
{
    struct Case
    {
        int width;
        float uiScale;
        int frameSide; // one frame of a 48 x 48 button picture
        juce::Rectangle<int> midiButton, outputFader, updateButton;
    };

    const Case cases[] = {
        {496, 1.0f, 48, {172, 1288, 48, 48}, {256, 916, 40, 392}, {274, 12, 150, 32}},
        {471, 1.0f, 48, {163, 1223, 45, 45}, {243, 869, 37, 372}, {260, 11, 142, 30}},
        {372, 0.75f, 36, {129, 966, 36, 36}, {192, 687, 30, 294}, {205, 9, 112, 24}},
        {248, 0.5f, 24, {86, 644, 24, 24}, {128, 458, 20, 196}, {137, 6, 75, 16}},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.width);
        layOut (c.width);

        EXPECT_EQ (panel->m_uiScale, c.uiScale);
        panel->updateBackground(); // as painting does
        EXPECT_EQ (panel->m_background.getBounds(), panel->getLocalBounds());
        EXPECT_FLOAT_EQ (panel->m_comboLookAndFeel.scale, (float)c.width / 496.0f);

        EXPECT_EQ (panel->m_midiButton.getBounds(), c.midiButton);
        EXPECT_EQ (panel->m_vSliders2[0]->getBounds(), c.outputFader);
        EXPECT_EQ (panel->m_updateButton.getBounds(), c.updateButton);

        // The large pictures stay large in a 45-pixel button: the button scales them down.
        EXPECT_EQ (panel->m_midiButton.getNormalImage().getWidth(), c.frameSide);
        EXPECT_EQ (panel->m_ssButtons[3]->getDownImage().getBounds(),
                   juce::Rectangle<int> (0, 0, (int)(180 * c.uiScale), (int)(36 * c.uiScale)));
    }

    // Never laid out: the hidden HP1 level and the two MIDI monitors.
    EXPECT_TRUE (panel->m_faderHP1.getBounds().isEmpty());
    EXPECT_TRUE (panel->m_midiMonitorIn.getBounds().isEmpty());
}

TEST_F (PanelLayoutOnThePanel, RescalesTheBackgroundOnlyForANewSizeAndKeepsNoPictureItDoesNotShow)
{
    // A size that is laid out but never painted decodes and rescales no background.
    layOut (744);
    EXPECT_FALSE (panel->m_background.isValid());
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_70)) << "large background";

    layOut (372);
    panel->updateBackground();
    const auto background = panel->m_background;
    ASSERT_TRUE (background.isValid());

    panel->resized();
    panel->updateBackground();
    EXPECT_EQ (panel->m_background, background) << "same size, same picture";

    layOut (371);
    panel->updateBackground();
    EXPECT_NE (panel->m_background, background);
    EXPECT_EQ (panel->m_background.getWidth(), 371);

    // No background picture, the first one included, is held once its tier is shown: only the
    // rescaled one is. The shown buttons' pictures are held.
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_71));
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_70));
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_46));
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_23)) << "medium background";
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_54)) << "spare routing picture";
    EXPECT_TRUE (isCached (OVKBIN::temp_binary_data_11)) << "medium mute picture";

    // What is painted is the tier's picture rescaled with high quality to the panel's size.
    const auto expected = rescaledOnBlack (PanelLayout::tierForWidth (371), panel->getLocalBounds());
    for (const auto point : {juce::Point<int> (0, 0), {185, 400}, {370, panel->getHeight() - 1}, {40, 900}})
        EXPECT_EQ (panel->m_background.getPixelAt (point.x, point.y), expected.getPixelAt (point.x, point.y));
}

TEST_F (PanelLayoutOnThePanel, PaintsTheNoticeAsABlackRoundedBoxOverTheBackground)
{
    layOut (496);
    ASSERT_TRUE (panel->m_elementsDisabled);

    juce::Image picture (juce::Image::RGB, 496, 1360, true);
    {
        juce::Graphics g (picture);
        panel->paint (g);
    }

    const auto black = juce::Colours::black;
    EXPECT_EQ (picture.getPixelAt (32, 675), black);
    EXPECT_EQ (picture.getPixelAt (460, 695), black);
    EXPECT_EQ (picture.getPixelAt (30, 650), panel->m_background.getPixelAt (30, 650)) << "rounded corner";
    EXPECT_EQ (picture.getPixelAt (20, 675), panel->m_background.getPixelAt (20, 675)) << "background around it";

    // The text is light and centred in the box.
    juce::Rectangle<int> text;
    for (int y = 650; y < 700; ++y)
        for (int x = 30; x < 466; ++x)
            if (picture.getPixelAt (x, y).getBrightness() > 0.6f)
                text = text.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : text.getUnion ({x, y, 1, 1});

    ASSERT_FALSE (text.isEmpty());
    EXPECT_NEAR (text.getCentreX(), 248, 3);
    EXPECT_NEAR (text.getCentreY(), 675, 3);

    // Connected: the background alone.
    panel->enableAllElements (true);
    juce::Graphics g (picture);
    panel->paint (g);
    EXPECT_EQ (picture.getPixelAt (248, 660), panel->m_background.getPixelAt (248, 660));
}

TEST_F (PanelLayoutOnThePanel, APanelInAWindowNotYetOnScreenHasItsBackgroundMadeAheadOfItsFirstPaint)
{
    // Alone, as during its construction: nothing is decoded for a size that may never show,
    // until the panel is painted at it.
    window.removeChildComponent (panel.get());
    layOut (372);
    EXPECT_FALSE (panel->m_backgroundRescaler.isPreparing());
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_11)) << "medium mute picture";

    juce::Image picture (juce::Image::RGB, 372, heightForWidth (372), true);
    juce::Graphics g (picture);
    panel->paint (g);
    EXPECT_EQ (panel->m_midiButton.getNormalImage().getWidth(), 36);

    // Made at the paint; off screen no other size is coming, so the tier picture is let go.
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_23)) << "medium background";

    window.addAndMakeVisible (*panel);
    layOut (300);
    EXPECT_TRUE (panel->m_backgroundRescaler.isPreparing());

    panel->updateBackground();
    EXPECT_FALSE (panel->m_backgroundRescaler.isPreparing()) << "collected by the paint";

    const auto expected = BackgroundRescaler::rescale (ArtworkTier::medium, panel->getLocalBounds());
    ASSERT_EQ (panel->m_background.getBounds(), expected.getBounds());
    for (const auto point : {juce::Point<int> (0, 0), {150, 400}, {299, panel->getHeight() - 1}})
        EXPECT_EQ (panel->m_background.getPixelAt (point.x, point.y), expected.getPixelAt (point.x, point.y));
}

TEST_F (PanelLayoutOnThePanel, APaintGivesBackTheMemoryOfTheFilesItDecoded)
{
    const auto* middleOfMediumBackground = OVKBIN::temp_binary_data_23 + OVKBIN::temp_binary_data_23Size / 2;

    layOut (372);
    juce::Image picture (juce::Image::RGB, 372, heightForWidth (372), true);
    juce::Graphics g (picture);
    panel->paint (g);

    if (const auto resident = isPageResident (middleOfMediumBackground))
    {
        EXPECT_FALSE (*resident);
    }

    // Read in again from the program file for the next decode: the same picture.
    const auto again = BackgroundRescaler::rescale (ArtworkTier::medium, panel->getLocalBounds());
    for (const auto point : {juce::Point<int> (0, 0), {186, 500}, {371, panel->getHeight() - 1}})
        EXPECT_EQ (panel->m_background.getPixelAt (point.x, point.y), again.getPixelAt (point.x, point.y));
}

TEST (BackgroundRescaler, AStalePreparationIsNeverPainted)
{
    BackgroundRescaler rescaler;
    const juce::Rectangle<int> small (0, 0, 250, 686), medium (0, 0, 300, 823);

    rescaler.prepare (ArtworkTier::small, small);
    rescaler.prepare (ArtworkTier::small, small); // the job under way is kept
    EXPECT_TRUE (rescaler.isPreparing());

    // Another size or tier than prepared: made on the spot, the stale job dropped.
    EXPECT_EQ (rescaler.make (ArtworkTier::medium, medium).getBounds(), medium);
    EXPECT_FALSE (rescaler.isPreparing());

    rescaler.prepare (ArtworkTier::small, small);
    const auto fromTheOtherTier = rescaler.make (ArtworkTier::medium, small);
    EXPECT_EQ (fromTheOtherTier.getPixelAt (125, 300), BackgroundRescaler::rescale (ArtworkTier::medium, small).getPixelAt (125, 300));

    EXPECT_FALSE (rescaler.make (ArtworkTier::large, {}).isValid());
    rescaler.prepare (ArtworkTier::large, {});
    EXPECT_FALSE (rescaler.isPreparing()) << "nothing to make for an empty panel";

    rescaler.prepare (ArtworkTier::large, {0, 0, 496, 1360}); // left running: the destructor waits
}

TEST (BackgroundRescaler, MakesWhatTheFrameworksRescaleShowsWithoutAnAlphaChannel)
{
    const std::pair<ArtworkTier, juce::Rectangle<int>> cases[] = {
        {ArtworkTier::large, {0, 0, 471, 1292}}, {ArtworkTier::medium, {0, 0, 297, 816}}, {ArtworkTier::small, {0, 0, 248, 680}}};

    for (const auto& [tier, size] : cases)
    {
        SCOPED_TRACE (size.getWidth());
        const auto made = BackgroundRescaler::rescale (tier, size);
        const auto expected = rescaledOnBlack (tier, size);

        ASSERT_EQ (made.getBounds(), size);
        EXPECT_FALSE (made.hasAlphaChannel());

        int differing = 0;
        for (int y = 0; y < size.getHeight(); ++y)
            for (int x = 0; x < size.getWidth(); ++x)
                differing += made.getPixelAt (x, y) != expected.getPixelAt (x, y) ? 1 : 0;

        EXPECT_EQ (differing, 0);
    }
}

TEST (BackgroundRescaler, MakesEachSizeFromTheTierPictureInTheImageCache)
{
    juce::ImageCache::releaseUnusedImages(); // what earlier tests in this process loaded
    BackgroundRescaler rescaler;
    const juce::Rectangle<int> a (0, 0, 300, 823), b (0, 0, 310, 850), c (0, 0, 250, 686);
    const auto cached = [] (const char* file) { return juce::ImageCache::getFromHashCode ((juce::int64) (juce::pointer_sized_int) file).isValid(); };

    rescaler.prepare (ArtworkTier::medium, a);
    rescaler.make (ArtworkTier::medium, a);
    EXPECT_FALSE (cached (OVKBIN::temp_binary_data_23)) << "a prepared background leaves nothing behind";

    // Made on the spot, each size of a resize from the tier picture the cache keeps.
    const auto atB = rescaler.make (ArtworkTier::medium, b);
    const auto atC = rescaler.make (ArtworkTier::small, c);
    EXPECT_TRUE (cached (OVKBIN::temp_binary_data_23));
    EXPECT_TRUE (cached (OVKBIN::temp_binary_data_46));
    EXPECT_EQ (atB.getPixelAt (155, 425), BackgroundRescaler::rescale (ArtworkTier::medium, b).getPixelAt (155, 425));
    EXPECT_EQ (atC.getPixelAt (125, 343), BackgroundRescaler::rescale (ArtworkTier::small, c).getPixelAt (125, 343));

    juce::ImageCache::releaseUnusedImages();
    EXPECT_FALSE (cached (OVKBIN::temp_binary_data_23)) << "the rescaled backgrounds hold nothing of it";

    // The cache keeps the tier picture without an alpha channel; the steps of a resize show the
    // very pixels of the framework's own rescale all the same, across and beside each boundary.
    for (const auto width : { 248, 267, 268, 372, 373, 471, 496 })
    {
        const juce::Rectangle<int> size (0, 0, width, heightForWidth (width));
        const auto tier = PanelLayout::tierForWidth (width);
        const auto made = rescaler.make (tier, size);
        const auto expected = rescaledOnBlack (tier, size);

        int differing = 0;
        for (int y = 0; y < size.getHeight(); ++y)
            for (int x = 0; x < width; ++x)
                differing += made.getPixelAt (x, y) != expected.getPixelAt (x, y) ? 1 : 0;

        EXPECT_EQ (differing, 0) << width;
    }
    EXPECT_FALSE (PanelArtwork::loadBackgroundPicture (ArtworkTier::large).hasAlphaChannel());
}

//==============================================================================
/** The panel on screen, its timers on the virtual clock: each new size is a step of a live resize. */
class PanelLiveResize : public VirtualPanelFixture
{
protected:
    PanelLiveResize()
    {
        juce::ImageCache::releaseUnusedImages(); // what earlier tests in this process loaded
        panel->setSize (440, heightForWidth (440));
        panel->addToDesktop (0);
        panel->setVisible (true);
    }

    ~PanelLiveResize() override { panel->removeFromDesktop(); }

    /** One size of the resize, laid out and painted. */
    void step (int width)
    {
        panel->setSize (width, heightForWidth (width));
        juce::Image picture (juce::Image::RGB, width, heightForWidth (width), false);
        juce::Graphics g (picture);
        panel->paint (g);
    }

    static bool isCached (const char* embeddedData)
    {
        return juce::ImageCache::getFromHashCode ((juce::int64) (juce::pointer_sized_int)embeddedData).isValid();
    }
};

TEST_F (PanelLiveResize, NearingATierBoundaryDecodesTheTierBeyondItAheadForTheCrossing)
{
    step (420);
    EXPECT_FALSE (panel->m_tierPrefetch.isUnderWay (ArtworkTier::medium));

    step (400); // 28 pixels from the medium tier
    EXPECT_TRUE (panel->m_tierPrefetch.isUnderWay (ArtworkTier::medium));

    step (396); // the worker's pictures are filed once it is done
    panel->m_tierPrefetch.fileDecoded (true);
    ASSERT_TRUE (isCached (OVKBIN::temp_binary_data_23)) << "medium background";
    ASSERT_TRUE (isCached (OVKBIN::temp_binary_data_11)) << "medium mute picture";
    const auto* prefetchedMute = juce::ImageCache::getFromHashCode ((juce::int64) (juce::pointer_sized_int)OVKBIN::temp_binary_data_11).getPixelData();

    // The crossing decodes nothing: its loads find the pictures decoded ahead.
    step (372);
    EXPECT_EQ (panel->m_midiButton.getNormalImage().getWidth(), 36);
    EXPECT_EQ (PanelArtwork::loadPicture (PanelArtwork::Picture::muteButton, ArtworkTier::medium).getPixelData(), prefetchedMute);
    EXPECT_FALSE (panel->m_tierPrefetch.isUnderWay (ArtworkTier::large)) << "the large tier's pictures are still decoded";
}

TEST_F (PanelLiveResize, EveryTiersPicturesStayDecodedUntilTheResizeSettles)
{
    for (const auto width : { 380, 372, 373, 372, 371 })
        step (width);

    EXPECT_TRUE (isCached (OVKBIN::temp_binary_data_70)) << "large background";
    EXPECT_TRUE (isCached (OVKBIN::temp_binary_data_58)) << "large mute picture";

    timers.advanceBy (TimerIntervals::resizeSettle - 1);
    EXPECT_TRUE (isCached (OVKBIN::temp_binary_data_70));

    // No new size for a while: what the shown buttons do not hold goes.
    timers.advanceBy (1);
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_70));
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_23)) << "medium background";
    EXPECT_FALSE (isCached (OVKBIN::temp_binary_data_58));
    EXPECT_TRUE (isCached (OVKBIN::temp_binary_data_11)) << "medium mute picture, on screen";
    EXPECT_FALSE (panel->m_tierPrefetch.isUnderWay (ArtworkTier::small));
}
