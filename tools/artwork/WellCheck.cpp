/*
    Draws, for review, the embedded background of each tier at panel widths 496, 372 and 248 with
    every control's rectangle outlined where the panel lays it out, the real fader knobs at 0 dB
    and -90 dB and the pan knobs at both ends, and prints where each fader knob's centre lands.

    Usage: talvo_well_check <output-folder> [zoom [x y w h]]
    (run under xvfb-run on a machine without a display; writes well-check-<width>.png, enlarged
    by zoom without smoothing, so that single pixels can be judged; the optional rectangle, in
    design units, keeps only that part of each panel)
*/

#include "PanelDesign.h"
#include "resources/OVKBIN.h"
#include "widgets/KnobTravel.h"
#include "widgets/TalvoSliderLookAndFeel.h"
#include "widgets/Talvoz6Sliders.h"

#include <cstdlib>
#include <iostream>

namespace
{
juce::Image background (int width)
{
    const auto tier = PanelLayout::tierForWidth (width);

    if (tier == PanelLayout::ArtworkTier::large)
        return juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_70, OVKBIN::temp_binary_data_70Size);

    if (tier == PanelLayout::ArtworkTier::medium)
        return juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_23, OVKBIN::temp_binary_data_23Size);

    return juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_46, OVKBIN::temp_binary_data_46Size);
}

/** Paints one slider of the panel at the given value onto g, in panel coordinates. */
void paintKnob (juce::Graphics& g, juce::Component& panel, juce::Slider& slider, juce::Rectangle<int> design, double value)
{
    slider.setBounds (PanelLayout::scaled (design, PanelLayout::layoutScale (panel.getWidth())));
    slider.setValue (value, juce::dontSendNotification);
    juce::Graphics::ScopedSaveState state (g);
    g.setOrigin (slider.getPosition());
    slider.paintEntireComponent (g, false);
}

juce::Image check (int width)
{
    const auto s = PanelLayout::layoutScale (width);
    const auto height = (int) ((float) PanelLayout::designHeight * s);
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.drawImageAt (background (width).rescaled (width, height, juce::Graphics::highResamplingQuality), 0, 0);

    g.setColour (juce::Colours::magenta.withAlpha (0.8f));

    for (auto& r : PanelDesign::all())
        g.drawRect (PanelLayout::scaled (r, s), 1);

    juce::Component panel;
    panel.setSize (width, height);
    TalvoSliderLookAndFeel faderLook, panLook;
    faderLook.knobImage = juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_64, OVKBIN::temp_binary_data_64Size);
    panLook.knobImage = juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_66, OVKBIN::temp_binary_data_66Size);
    TalvoVSlider fader;
    TalvoHSlider pan;
    fader.setRange (-90.0, 0.0, 0.5);
    pan.setRange (-1.0, 1.0, 0.1);
    fader.setLookAndFeel (&faderLook);
    pan.setLookAndFeel (&panLook);
    panel.addAndMakeVisible (fader);
    panel.addAndMakeVisible (pan);

    for (auto& r : PanelDesign::designRects ({ PanelLayout::Row::outputFaders, PanelLayout::Row::inputFaders }))
    {
        for (auto value : { 0.0, -90.0 })
        {
            paintKnob (g, panel, fader, r, value);
            std::cout << "width " << width << " fader at " << r.getX() << "," << r.getY() << ": knob centre at " << value << " dB is y "
                      << (float) fader.getY() + KnobTravel::verticalKnobCentre (fader.getWidth(), fader.getHeight(), s, 80, value == 0.0 ? 1.0 : 0.0)
                      << "\n";
        }
    }

    for (auto& r : PanelDesign::designRects ({ PanelLayout::Row::inputPanSliders, PanelLayout::Row::outputBalanceSliders }))
        for (auto value : { -1.0, 1.0 })
            paintKnob (g, panel, pan, r, value);

    fader.setLookAndFeel (nullptr);
    pan.setLookAndFeel (nullptr);
    return image;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2 && argc != 3 && argc != 7)
    {
        std::cerr << "usage: talvo_well_check <output-folder> [zoom [x y w h]]\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    const auto zoom = argc >= 3 ? juce::jlimit (1, 8, std::atoi (argv[2])) : 1;
    const juce::Rectangle<int> part = argc == 7 ? juce::Rectangle<int> (std::atoi (argv[3]), std::atoi (argv[4]), std::atoi (argv[5]), std::atoi (argv[6]))
                                                : juce::Rectangle<int> (0, 0, PanelLayout::designWidth, PanelLayout::designHeight);

    if (! folder.createDirectory())
        return 1;

    for (int width : { 496, 372, 248 })
    {
        const auto whole = check (width);
        const auto image = whole.getClippedImage (PanelLayout::scaled (part, PanelLayout::layoutScale (width)).getIntersection (whole.getBounds()));
        const auto file = folder.getChildFile ("well-check-" + juce::String (width) + ".png");
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat png;

        if (! out.openedOk() || ! png.writeImageToStream (image.rescaled (image.getWidth() * zoom, image.getHeight() * zoom,
                                                                          juce::Graphics::lowResamplingQuality), out))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
    }

    return 0;
}
