/*
    Draws every picture of the panel at its exact pixel size, tier and frame layout and writes them
    as "<N>_<name>.png" into the given folder (src/resources/images in the repository), where N is
    the number of the embedded array OVKBIN::temp_binary_data_N.

    Usage: talvo_generate_artwork <output-folder> <font.ttf>

    Run by hand when the art changes (see docs/artwork.md); the normal build only embeds the
    committed files.
*/

#include "ArtworkPainters.h"
#include "PalettePngWriter.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <iostream>

namespace
{
using namespace ArtworkPainters;

enum class Format { argb, rgb, palette };

/** One picture: its design size, how many frames it stacks, and how to draw frame k. */
struct Picture
{
    int number;
    juce::String name;
    float tierScale;          // 1.0, 0.75 or 0.5: the picture is the design drawing at this scale
    int frameWidth, frameHeight, frames;
    Format format;
    std::function<void (juce::Graphics&, juce::Rectangle<float>, int)> paintFrame;
};

struct TieredUse
{
    juce::String name;
    int large, medium, small;
    int frameWidth, frameHeight, frames;
    std::function<void (juce::Graphics&, juce::Rectangle<float>, int)> paintFrame;
};

std::function<void (juce::Graphics&, juce::Rectangle<float>, int)> twoFrame (Glyph glyph)
{
    return [glyph] (juce::Graphics& g, juce::Rectangle<float> r, int frame) { paintSquareButton (g, r, glyph, frame == 1); };
}

juce::Array<Picture> catalogue()
{
    const TieredUse tiered[] = {
        { "panelBackground",    70, 23, 46, 496, 1360, 1, nullptr },
        { "monitorButton",      72, 25, 48, 56, 32, 2, [] (auto& g, auto r, int f) { paintMonitorButton (g, r, f == 1); } },
        { "midiButton",         50,  4, 27, 48, 48, 2, twoFrame (Glyph::midi) },
        { "routingButton",      57, 10, 33, 48, 48, 2, twoFrame (Glyph::muteAll) },
        { "routingButtonAltA",  54, 12, 31, 48, 48, 2, twoFrame (Glyph::muteAllAltA) },
        { "routingButtonAltB",  59,  8, 35, 48, 48, 2, twoFrame (Glyph::muteAllAltB) },
        { "ledSprite",          68, 21, 44, 24, 24, 3, [] (auto& g, auto r, int f) { paintLed (g, r, f); } },
        // Frames: first button off, second on, second off, first on.
        { "inputStripButton",   56,  9, 32, 48, 48, 4, [] (auto& g, auto r, int f) { paintMonoStereoButton (g, r, f == 1 || f == 2, f == 1 || f == 3); } },
        { "phantomButton",      49,  3, 26, 48, 48, 2, twoFrame (Glyph::phantom) },
        { "phaseButton",        60, 13, 36, 48, 48, 2, twoFrame (Glyph::phase) },
        { "muteButton",         58, 11, 34, 48, 48, 2, twoFrame (Glyph::mute) },
        { "soloButton",         62, 15, 38, 48, 48, 2, twoFrame (Glyph::solo) },
        { "targetButton",       51,  5, 28, 48, 48, 2, twoFrame (Glyph::target) },
        { "snapshotButton",     53,  7, 30, 180, 36, 2, [] (auto& g, auto r, int f) { paintSnapshotButton (g, r, f == 1); } },
        { "snapshotEditButton", 52,  6, 29, 40, 36, 2, [] (auto& g, auto r, int f) { paintSnapshotEditButton (g, r, f == 1); } },
        { "settingsButton",     61, 14, 37, 48, 48, 2, twoFrame (Glyph::settings) },
    };

    juce::Array<Picture> pictures;

    for (auto& use : tiered)
    {
        const std::pair<int, float> tiers[] = { { use.large, 1.0f }, { use.medium, 0.75f }, { use.small, 0.5f } };
        const char* suffix[] = { "Large", "Medium", "Small" };

        for (int t = 0; t < 3; ++t)
        {
            const auto scale = tiers[t].second;
            auto paint = use.paintFrame;

            if (paint == nullptr)
                paint = [scale] (juce::Graphics& g, juce::Rectangle<float>, int) { paintPanelFace (g, scale); };

            pictures.add ({ tiers[t].first, use.name + suffix[t], scale, use.frameWidth, use.frameHeight, use.frames, Format::argb, paint });
        }
    }

    pictures.add ({ 71, "panelBackgroundInitial", 1.0f, 744, 1360, 1, Format::rgb, [] (auto& g, auto, int) { paintInitialBackground (g); } });
    pictures.add ({ 64, "faderKnobImage1", 1.0f, faderKnobWidth, faderKnobHeight, 1, Format::argb, [] (auto& g, auto, int) { paintFaderKnob (g, turquoise); } });
    pictures.add ({ 65, "faderKnobImage2", 1.0f, faderKnobWidth, faderKnobHeight, 1, Format::argb, [] (auto& g, auto, int) { paintFaderKnob (g, orange); } });
    pictures.add ({ 66, "faderKnobImage3", 1.0f, panKnobSize, panKnobSize, 1, Format::argb, [] (auto& g, auto, int) { paintPanKnob (g); } });
    pictures.add ({ 69, "meterStripImage", 1.0f, 8, 760, 1, Format::rgb, [] (auto& g, auto, int) { paintMeterStrip (g); } });
    pictures.add ({ 77, "aboutBackgroundImage", 1.0f, 514, 212, 1, Format::palette, [] (auto& g, auto, int) { paintAbout (g); } });
    pictures.add ({ 1, "spriteSheet1", 1.0f, 524, 442, 1, Format::palette, [] (auto& g, auto, int) { paintSpriteSheet (g, 1); } });
    pictures.add ({ 2, "spriteSheet2", 1.0f, 524, 442, 1, Format::rgb, [] (auto& g, auto, int) { paintSpriteSheet (g, 2); } });
    return pictures;
}

juce::Image render (const Picture& p)
{
    // Frames are cut at truncated multiples of the design frame, exactly as the panel cuts them.
    const auto frameW = (int) ((float) p.frameWidth * p.tierScale);
    const auto frameH = (int) ((float) p.frameHeight * p.tierScale);

    juce::Image image (p.format == Format::argb ? juce::Image::ARGB : juce::Image::RGB, frameW, frameH * p.frames, true);
    juce::Graphics g (image);

    for (int frame = 0; frame < p.frames; ++frame)
    {
        juce::Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (0, frame * frameH, frameW, frameH);
        g.addTransform (juce::AffineTransform::scale (p.tierScale).translated (0.0f, (float) (frame * frameH)));
        p.paintFrame (g, { 0.0f, 0.0f, (float) p.frameWidth, (float) p.frameHeight }, frame);
    }

    return image;
}

bool write (const Picture& p, const juce::Image& image, const juce::File& folder)
{
    const auto file = folder.getChildFile (juce::String (p.number) + "_" + p.name + ".png");
    file.deleteFile();
    juce::FileOutputStream out (file);

    if (! out.openedOk())
        return false;

    if (p.format == Format::palette)
        return writePalettePng (image, out);

    juce::PNGImageFormat png;
    return png.writeImageToStream (image, out);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: talvo_generate_artwork <output-folder> <font.ttf>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    juce::MemoryBlock fontData;

    if (! folder.createDirectory() || ! juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]).loadFileAsData (fontData))
    {
        std::cerr << "cannot use the output folder or read the font\n";
        return 1;
    }

    setTypeface (juce::Typeface::createSystemTypefaceFor (fontData.getData(), fontData.getSize()));

    for (auto& old : folder.findChildFiles (juce::File::findFiles, false, "*.png"))
        old.deleteFile();

    int written = 0;
    juce::String current;
    setMisfitReporter ([&current] (const juce::String& what) { std::cerr << "not legible in " << current << ": " << what << "\n"; });

    for (auto& picture : catalogue())
    {
        current = picture.name;

        if (! write (picture, render (picture), folder))
        {
            std::cerr << "cannot write picture " << picture.number << "\n";
            return 1;
        }

        ++written;
    }

    std::cout << written << " pictures written to " << folder.getFullPathName() << "\n";
    return 0;
}
