#include "dialogs/TalvoSnapshotWindow.h"
#include "resources/ArtworkFrames.h"
#include "resources/OVKBIN.h"

#include <gtest/gtest.h>

namespace
{
struct Expected
{
    const char* data;
    int size;
    int width, height;
    enum Kind { alpha, opaque, palette } kind;
};

#define TALVO_PICTURE(n, w, h, kind) Expected { OVKBIN::temp_binary_data_##n, OVKBIN::temp_binary_data_##n##Size, w, h, Expected::kind }

const Expected pictures[] = {
    TALVO_PICTURE (70, 496, 1360, alpha), TALVO_PICTURE (23, 372, 1020, alpha), TALVO_PICTURE (46, 248, 680, alpha),
    TALVO_PICTURE (72, 56, 64, alpha),    TALVO_PICTURE (25, 42, 48, alpha),    TALVO_PICTURE (48, 28, 32, alpha),
    TALVO_PICTURE (50, 48, 96, alpha),    TALVO_PICTURE (4, 36, 72, alpha),     TALVO_PICTURE (27, 24, 48, alpha),
    TALVO_PICTURE (57, 48, 96, alpha),    TALVO_PICTURE (10, 36, 72, alpha),    TALVO_PICTURE (33, 24, 48, alpha),
    TALVO_PICTURE (54, 48, 96, alpha),    TALVO_PICTURE (12, 36, 72, alpha),    TALVO_PICTURE (31, 24, 48, alpha),
    TALVO_PICTURE (59, 48, 96, alpha),    TALVO_PICTURE (8, 36, 72, alpha),     TALVO_PICTURE (35, 24, 48, alpha),
    TALVO_PICTURE (68, 24, 72, alpha),    TALVO_PICTURE (21, 18, 54, alpha),    TALVO_PICTURE (44, 12, 36, alpha),
    TALVO_PICTURE (56, 48, 192, alpha),   TALVO_PICTURE (9, 36, 144, alpha),    TALVO_PICTURE (32, 24, 96, alpha),
    TALVO_PICTURE (49, 48, 96, alpha),    TALVO_PICTURE (3, 36, 72, alpha),     TALVO_PICTURE (26, 24, 48, alpha),
    TALVO_PICTURE (60, 48, 96, alpha),    TALVO_PICTURE (13, 36, 72, alpha),    TALVO_PICTURE (36, 24, 48, alpha),
    TALVO_PICTURE (58, 48, 96, alpha),    TALVO_PICTURE (11, 36, 72, alpha),    TALVO_PICTURE (34, 24, 48, alpha),
    TALVO_PICTURE (62, 48, 96, alpha),    TALVO_PICTURE (15, 36, 72, alpha),    TALVO_PICTURE (38, 24, 48, alpha),
    TALVO_PICTURE (51, 48, 96, alpha),    TALVO_PICTURE (5, 36, 72, alpha),     TALVO_PICTURE (28, 24, 48, alpha),
    TALVO_PICTURE (53, 180, 72, alpha),   TALVO_PICTURE (7, 135, 54, alpha),    TALVO_PICTURE (30, 90, 36, alpha),
    TALVO_PICTURE (52, 40, 72, alpha),    TALVO_PICTURE (6, 30, 54, alpha),     TALVO_PICTURE (29, 20, 36, alpha),
    TALVO_PICTURE (61, 48, 96, alpha),    TALVO_PICTURE (14, 36, 72, alpha),    TALVO_PICTURE (37, 24, 48, alpha),
    TALVO_PICTURE (71, 744, 1360, opaque),
    TALVO_PICTURE (64, 44, 80, alpha),    TALVO_PICTURE (65, 44, 80, alpha),    TALVO_PICTURE (66, 32, 32, alpha),
    TALVO_PICTURE (69, 8, 760, opaque),
    TALVO_PICTURE (77, 514, 212, palette),
    TALVO_PICTURE (1, 524, 442, palette), TALVO_PICTURE (2, 524, 442, opaque),
};

#undef TALVO_PICTURE

// PNG colour type, byte 25 of the file: 2 RGB, 3 palette, 6 RGBA.
int pngColourType (const char* data)
{
    return (unsigned char) data[25];
}
} // namespace

TEST (EmbeddedResources, EveryPictureDecodesAtItsCatalogueSizeAndFormat)
{
    ASSERT_EQ (std::size (pictures), 56u);

    for (const auto& p : pictures)
    {
        SCOPED_TRACE (testing::Message() << p.width << "x" << p.height);
        ASSERT_GT (p.size, 33);
        EXPECT_EQ (juce::String::fromUTF8 (p.data + 1, 3), "PNG");

        const auto image = juce::ImageFileFormat::loadFrom (p.data, (size_t) p.size);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), p.width);
        EXPECT_EQ (image.getHeight(), p.height);

        const int expectedType = p.kind == Expected::alpha ? 6 : (p.kind == Expected::opaque ? 2 : 3);
        EXPECT_EQ (pngColourType (p.data), expectedType);
    }
}

TEST (EmbeddedResources, TheFontIsAFixedPitchTrueTypeFace)
{
    const auto* data = reinterpret_cast<const unsigned char*> (OVKBIN::temp_binary_data_75);
    ASSERT_GT (OVKBIN::temp_binary_data_75Size, 1000);
    // TrueType outlines start with the version 1.0 tag.
    EXPECT_EQ (data[0], 0);
    EXPECT_EQ (data[1], 1);

    const auto face = juce::Typeface::createSystemTypefaceFor (OVKBIN::temp_binary_data_75, (size_t) OVKBIN::temp_binary_data_75Size);
    ASSERT_NE (face, nullptr);

    const juce::Font font (face);
    EXPECT_FLOAT_EQ (font.getStringWidthFloat ("iiii"), font.getStringWidthFloat ("WWWW"));
    EXPECT_GT (font.getStringWidthFloat ("-63.5 dB"), 0.0f);

    // The face is a subset (tools/font/subset-font.sh). A character it lacks comes out as the
    // .notdef box, so an outline equal to the box's is a missing glyph. Everything the panel and
    // the artwork print is printable ASCII; snapshot names hold only the allowed characters.
    auto outlineOf = [&face] (juce::juce_wchar c)
    {
        juce::Array<int> glyphs;
        juce::Array<float> offsets;
        face->getGlyphPositions (juce::String::charToString (c), glyphs, offsets);

        juce::Path outline;
        if (! glyphs.isEmpty())
            face->getOutlineForGlyph (glyphs.getFirst(), outline);

        return outline;
    };

    const auto missing = outlineOf (0xe000); // private use: in no subset of ours
    ASSERT_FALSE (missing.isEmpty());

    juce::String needed = TalvoSnapshotWindow::allowed;
    for (juce::juce_wchar c = 0x20; c < 0x7f; ++c)
        needed += juce::String::charToString (c);

    for (const auto c : needed)
    {
        const auto text = juce::String::charToString (c);
        EXPECT_TRUE (outlineOf (c) != missing) << "no glyph for " << text;
        EXPECT_FLOAT_EQ (font.getStringWidthFloat (text), font.getStringWidthFloat ("M")) << text;
    }
}

TEST (EmbeddedResources, FramesAreCutAtTruncatedTierSizes)
{
    using ArtworkFrames::frameBounds;

    EXPECT_EQ (frameBounds ({ 48, 48 }, 1.0f, 1), juce::Rectangle<int> (0, 48, 48, 48));
    EXPECT_EQ (frameBounds ({ 48, 48 }, 0.75f, 0), juce::Rectangle<int> (0, 0, 36, 36));
    EXPECT_EQ (frameBounds ({ 48, 48 }, 0.75f, 1), juce::Rectangle<int> (0, 36, 36, 36));
    EXPECT_EQ (frameBounds ({ 180, 36 }, 0.5f, 0), juce::Rectangle<int> (0, 0, 90, 18));
    EXPECT_EQ (frameBounds ({ 180, 36 }, 0.5f, 1), juce::Rectangle<int> (0, 18, 90, 18));
    EXPECT_EQ (frameBounds ({ 56, 32 }, 0.75f, 1), juce::Rectangle<int> (0, 24, 42, 24));
    EXPECT_EQ (frameBounds ({ 40, 36 }, 0.75f, 1), juce::Rectangle<int> (0, 27, 30, 27));
    EXPECT_EQ (frameBounds ({ 48, 48 }, 0.5f, 3), juce::Rectangle<int> (0, 72, 24, 24));

    // Every tier's frames tile its picture exactly, as the pictures are drawn.
    const auto mediumMute = juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_11, OVKBIN::temp_binary_data_11Size);
    const auto bottom = ArtworkFrames::frame (mediumMute, { 48, 48 }, 0.75f, 1);
    EXPECT_EQ (bottom.getBounds(), juce::Rectangle<int> (0, 0, 36, 36));
    EXPECT_EQ (bottom.getPixelAt (18, 18), mediumMute.getPixelAt (18, 54));

    // Frames past the picture, or of a null picture, are null rather than out-of-range reads.
    EXPECT_FALSE (ArtworkFrames::frame (mediumMute, { 48, 48 }, 0.75f, 2).isValid());
    EXPECT_FALSE (ArtworkFrames::frame ({}, { 48, 48 }, 1.0f, 0).isValid());
}

TEST (EmbeddedResources, AToggledOnButtonShowsItsBottomFrameWithTheMouseAway)
{
    const auto picture = juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_58, OVKBIN::temp_binary_data_58Size);
    juce::ImageButton button;
    button.setSize (48, 48);
    ArtworkFrames::setTwoFrameImages (button, picture, { 48, 48 }, 1.0f);
    button.setClickingTogglesState (true);

    auto render = [&button]
    {
        juce::Image out (juce::Image::ARGB, 48, 48, true);
        juce::Graphics g (out);
        button.paintEntireComponent (g, false);
        return out;
    };

    // The mute key lights orange when on: compare the centre row against the two frames.
    const auto off = render();
    button.setToggleState (true, juce::dontSendNotification);
    const auto on = render();

    EXPECT_EQ (off.getPixelAt (24, 6), picture.getPixelAt (24, 6));
    EXPECT_EQ (on.getPixelAt (24, 6), picture.getPixelAt (24, 54));
    EXPECT_NE (off.getPixelAt (24, 6), on.getPixelAt (24, 6));
}

TEST (EmbeddedResources, MonoAndStereoTakeTheirFramesFromTheFourFramePicture)
{
    const auto picture = juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_32, OVKBIN::temp_binary_data_32Size);
    juce::ImageButton mono, stereo;
    ArtworkFrames::setMonoStereoImages (mono, stereo, picture, 0.5f);

    auto topOf = [] (const juce::Image& frame) { return frame.getBounds(); };
    EXPECT_EQ (topOf (mono.getNormalImage()), juce::Rectangle<int> (0, 0, 24, 24));
    EXPECT_EQ (mono.getNormalImage().getPixelAt (12, 12), picture.getPixelAt (12, 12));
    EXPECT_EQ (mono.getDownImage().getPixelAt (12, 12), picture.getPixelAt (12, 72 + 12));
    EXPECT_EQ (stereo.getNormalImage().getPixelAt (12, 12), picture.getPixelAt (12, 48 + 12));
    EXPECT_EQ (stereo.getDownImage().getPixelAt (12, 12), picture.getPixelAt (12, 24 + 12));
    EXPECT_EQ (mono.getOverImage().getPixelAt (12, 12), mono.getNormalImage().getPixelAt (12, 12));
}
