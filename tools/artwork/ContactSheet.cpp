/*
    Writes a PNG contact sheet for reviewing the artwork and the widgets: a mock panel at each of
    the three artwork tiers (panel widths 496, 372 and 248) with every widget placed on its design
    rectangle and some controls switched on, and below them every embedded picture at its own size
    with a sample of the embedded font.

    Usage: talvo_contact_sheet <output.png> [x y w h [zoom]]
    (run under xvfb-run on a machine without a display; the optional rectangle writes only that
    part of the sheet, for a close look, enlarged by zoom without smoothing)
*/

#include "PanelDesign.h"
#include "resources/ArtworkFrames.h"
#include "resources/OVKBIN.h"
#include "widgets/OVKLabel.h"
#include "widgets/TalvoMIDISignalLED.h"
#include "widgets/TalvoMiniMixerComponentz3.h"
#include "widgets/Talvoz6ComboBox.h"
#include "widgets/Talvoz6Sliders.h"
#include "widgets/Talvoz6VUMeter.h"

#include <cstdlib>
#include <iostream>

namespace
{
struct Resource
{
    const char* data;
    int size;
    const char* name;
};

#define TALVO_RESOURCE(n, name) Resource { OVKBIN::temp_binary_data_##n, OVKBIN::temp_binary_data_##n##Size, #n " " name }

juce::Image load (const Resource& r)
{
    return juce::ImageCache::getFromMemory (r.data, r.size);
}

/** One group of image buttons: its pictures per tier, frame size and design rectangles. */
struct ButtonGroup
{
    Resource large, medium, small;
    juce::Point<int> frameSize;
    std::vector<juce::Rectangle<int>> rectangles;
    std::vector<bool> on;
};

std::vector<ButtonGroup> buttonGroups()
{
    using namespace PanelDesign;

    return {
        { TALVO_RESOURCE (50, "midi"), TALVO_RESOURCE (4, ""), TALVO_RESOURCE (27, ""), { 48, 48 }, designRects (Row::midiButton), { false } },
        { TALVO_RESOURCE (57, "mute all"), TALVO_RESOURCE (10, ""), TALVO_RESOURCE (33, ""), { 48, 48 }, designRects (Row::muteAllButton), { true } },
        { TALVO_RESOURCE (49, "48V"), TALVO_RESOURCE (3, ""), TALVO_RESOURCE (26, ""), { 48, 48 }, designRects ({ Row::phantom1, Row::phantom2 }), { true, false } },
        { TALVO_RESOURCE (60, "phase"), TALVO_RESOURCE (13, ""), TALVO_RESOURCE (36, ""), { 48, 48 }, designRects ({ Row::phase1, Row::phase2 }), { false, true } },
        { TALVO_RESOURCE (58, "mute"), TALVO_RESOURCE (11, ""), TALVO_RESOURCE (34, ""), { 48, 48 },
          designRects ({ Row::muteInButtons, Row::muteOutButtons }), { false, true, false, false, true } },
        { TALVO_RESOURCE (62, "solo"), TALVO_RESOURCE (15, ""), TALVO_RESOURCE (38, ""), { 48, 48 }, designRects (Row::soloOutButtons), { true, false } },
        { TALVO_RESOURCE (51, "target"), TALVO_RESOURCE (5, ""), TALVO_RESOURCE (28, ""), { 48, 48 }, designRects (Row::targetButtons), { true, false } },
        { TALVO_RESOURCE (53, "snapshot"), TALVO_RESOURCE (7, ""), TALVO_RESOURCE (30, ""), { 180, 36 },
          designRects (Row::snapshotButtons), { false, true, false, false } },
        { TALVO_RESOURCE (52, "snapshot edit"), TALVO_RESOURCE (6, ""), TALVO_RESOURCE (29, ""), { 40, 36 },
          designRects (Row::snapshotEditButtons), { false, false, true, false } },
        { TALVO_RESOURCE (61, "settings"), TALVO_RESOURCE (14, ""), TALVO_RESOURCE (37, ""), { 48, 48 }, designRects (Row::settingsButton), { false } },
    };
}

/** A stand-in for the main panel: the tier's background and every widget on its design rectangle. */
class MockPanel final : public juce::Component
{
public:
    explicit MockPanel (int width)
    {
        using PanelLayout::ArtworkTier;
        const auto height = width * PanelLayout::designHeight / PanelLayout::designWidth;
        const auto s = PanelLayout::layoutScale (width);
        const auto tier = PanelLayout::tierForWidth (width);
        tierScale = PanelLayout::tierScale (tier);
        setSize (width, height);

        const Resource backgrounds[] = { TALVO_RESOURCE (70, ""), TALVO_RESOURCE (23, ""), TALVO_RESOURCE (46, "") };
        background = load (backgrounds[tier == ArtworkTier::large ? 0 : (tier == ArtworkTier::small ? 2 : 1)])
                         .rescaled (width, height, juce::Graphics::highResamplingQuality);

        auto place = [s] (juce::Component& c, juce::Rectangle<int> r) { c.setBounds (PanelLayout::scaled (r, s)); };
        using namespace PanelDesign;

        comboLookAndFeel.scale = s;
        faderLookAndFeel1.knobImage = load (TALVO_RESOURCE (64, ""));
        faderLookAndFeel2.knobImage = load (TALVO_RESOURCE (65, ""));
        panLookAndFeel.knobImage = load (TALVO_RESOURCE (66, ""));

        int snapshot = 0;

        for (auto& group : buttonGroups())
        {
            const auto& picture = tier == ArtworkTier::large ? group.large : (tier == ArtworkTier::small ? group.small : group.medium);

            for (size_t i = 0; i < group.rectangles.size(); ++i)
            {
                auto* button = buttons.add (new juce::ImageButton());
                ArtworkFrames::setTwoFrameImages (*button, load (picture), group.frameSize, tierScale);
                button->setToggleState (group.on[i], juce::dontSendNotification);
                addAndMakeVisible (button);
                place (*button, group.rectangles[i]);

                if (group.frameSize.x == 180)
                {
                    button->setLookAndFeel (&comboLookAndFeel);
                    button->setButtonText (juce::StringArray { "Tracking", "Mixdown", "Podcast", "Empty" }[snapshot++]);
                }
            }
        }

        const char* inputTypes[] = { "MIC", "LINE" };

        for (int i = 0; i < 2; ++i)
        {
            auto* box = boxes.add (new juce::ComboBox());
            box->setLookAndFeel (&comboLookAndFeel);
            box->addItem ("MIC", 3);
            box->addItem ("LINE", 2);
            box->addItem ("INST", 1);
            box->setText (inputTypes[i], juce::dontSendNotification);
            addAndMakeVisible (box);
            place (*box, designRect (Row::inputTypeBoxes, i));
        }

        const std::pair<juce::Rectangle<int>, double> faders[] = { { designRect (Row::inputFaders, 0), -20.0 }, { designRect (Row::inputFaders, 1), -6.0 },
                                                                     { designRect (Row::inputFaders, 2), 0.0 }, { designRect (Row::outputFaders), -90.0 } };

        for (size_t i = 0; i < 4; ++i)
        {
            auto* fader = vSliders.add (new TalvoVSlider());
            fader->setRange (-90.0, 0.0, 0.5);
            fader->setValue (faders[i].second, juce::dontSendNotification);
            fader->setLookAndFeel (i < 3 ? &faderLookAndFeel1 : &faderLookAndFeel2);
            addAndMakeVisible (fader);
            place (*fader, faders[i].first);
        }

        const std::pair<juce::Rectangle<int>, double> pans[] = { { designRect (Row::inputPanSliders, 0), -0.5 }, { designRect (Row::inputPanSliders, 1), -1.0 }, { designRect (Row::inputPanSliders, 2), 0.3 },
                                                                   { designRect (Row::outputBalanceSliders, 0), 0.0 }, { designRect (Row::outputBalanceSliders, 1), 1.0 } };

        for (auto& pan : pans)
        {
            auto* slider = hSliders.add (new TalvoHSlider());
            slider->setRange (-1.0, 1.0, 0.1);
            slider->setValue (pan.second, juce::dontSendNotification);
            slider->setLookAndFeel (&panLookAndFeel);
            addAndMakeVisible (slider);
            place (*slider, pan.first);
        }

        const std::pair<juce::Rectangle<int>, std::int8_t> meters[] = { { designRect (Row::inputMeters, 0), 70 }, { designRect (Row::inputMeters, 1), 35 },
                                                                         { designRect (Row::playbackMeters, 0), 90 }, { designRect (Row::playbackMeters, 1), 85 },
                                                                         { designRect (Row::outputMeters, 0), 90 }, { designRect (Row::outputMeters, 1), 85 } };

        for (size_t i = 0; i < 6; ++i)
        {
            levels[i] = meters[i].second;
            auto* meter = vuMeters.add (new Talvoz6VUMeter());
            meter->levelSource = &levels[i];
            addAndMakeVisible (meter);
            place (*meter, meters[i].first);
        }

        double matrix[4][4] = { { 0.0, -90.0, 0.0, -90.0 }, { -90.0, 0.0, -90.0, 0.0 },
                                { -12.0, -90.0, -90.0, -30.0 }, { -90.0, -90.0, -6.0, -90.0 } };

        for (int i = 0; i < 2; ++i)
        {
            auto* mini = miniMixers.add (new TalvoMiniMixerComponentz3());
            mini->setLookAndFeel (&comboLookAndFeel);
            mini->setMiniMixerSliderValues (matrix, i == 0 ? 2 : 0, i == 0 ? 3 : 1);
            addAndMakeVisible (mini);
            place (*mini, designRect (Row::miniMixers, i));
        }

        addAndMakeVisible (led1);
        addAndMakeVisible (led2);
        place (led1, designRect (Row::midiLed1));
        place (led2, designRect (Row::midiLed2));
        led2.setSteadyState (true);
    }

    ~MockPanel() override
    {
        for (auto* c : getChildren())
            c->setLookAndFeel (nullptr);
    }

    void paint (juce::Graphics& g) override
    {
        g.drawImageAt (background, 0, 0);
    }

    float tierScale = 1.0f;

private:
    juce::Image background;
    TalvoComboBoxLookAndFeel comboLookAndFeel;
    TalvoSliderLookAndFeel faderLookAndFeel1, faderLookAndFeel2, panLookAndFeel;
    juce::OwnedArray<juce::ImageButton> buttons;
    juce::OwnedArray<juce::ComboBox> boxes;
    juce::OwnedArray<TalvoVSlider> vSliders;
    juce::OwnedArray<TalvoHSlider> hSliders;
    juce::OwnedArray<Talvoz6VUMeter> vuMeters;
    juce::OwnedArray<TalvoMiniMixerComponentz3> miniMixers;
    std::int8_t levels[6] {};
    MIDISignalLED led1, led2;
};

std::vector<Resource> everyPicture()
{
    return {
        TALVO_RESOURCE (71, "initial"), TALVO_RESOURCE (77, "about"), TALVO_RESOURCE (1, "sheet 1"), TALVO_RESOURCE (2, "sheet 2"),
        TALVO_RESOURCE (69, "meter"), TALVO_RESOURCE (64, "knob 1"), TALVO_RESOURCE (65, "knob 2"), TALVO_RESOURCE (66, "knob 3"),
        TALVO_RESOURCE (72, "mon L"), TALVO_RESOURCE (25, "mon M"), TALVO_RESOURCE (48, "mon S"),
        TALVO_RESOURCE (50, "midi L"), TALVO_RESOURCE (4, "M"), TALVO_RESOURCE (27, "S"),
        TALVO_RESOURCE (57, "all L"), TALVO_RESOURCE (10, "M"), TALVO_RESOURCE (33, "S"),
        TALVO_RESOURCE (54, "alt A"), TALVO_RESOURCE (12, "M"), TALVO_RESOURCE (31, "S"),
        TALVO_RESOURCE (59, "alt B"), TALVO_RESOURCE (8, "M"), TALVO_RESOURCE (35, "S"),
        TALVO_RESOURCE (68, "led L"), TALVO_RESOURCE (21, "M"), TALVO_RESOURCE (44, "S"),
        TALVO_RESOURCE (56, "mono/st"), TALVO_RESOURCE (9, "M"), TALVO_RESOURCE (32, "S"),
        TALVO_RESOURCE (49, "48V L"), TALVO_RESOURCE (3, "M"), TALVO_RESOURCE (26, "S"),
        TALVO_RESOURCE (60, "phase"), TALVO_RESOURCE (13, "M"), TALVO_RESOURCE (36, "S"),
        TALVO_RESOURCE (58, "mute L"), TALVO_RESOURCE (11, "M"), TALVO_RESOURCE (34, "S"),
        TALVO_RESOURCE (62, "solo L"), TALVO_RESOURCE (15, "M"), TALVO_RESOURCE (38, "S"),
        TALVO_RESOURCE (51, "trg L"), TALVO_RESOURCE (5, "M"), TALVO_RESOURCE (28, "S"),
        TALVO_RESOURCE (61, "set L"), TALVO_RESOURCE (14, "M"), TALVO_RESOURCE (37, "S"),
        TALVO_RESOURCE (52, "edit L"), TALVO_RESOURCE (6, "M"), TALVO_RESOURCE (29, "S"),
        TALVO_RESOURCE (53, "snapshot L"), TALVO_RESOURCE (7, "M"), TALVO_RESOURCE (30, "S"),
        TALVO_RESOURCE (70, "bg L"), TALVO_RESOURCE (23, "bg M"), TALVO_RESOURCE (46, "bg S"),
    };
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2 && argc != 6 && argc != 7)
    {
        std::cerr << "usage: talvo_contact_sheet <output.png> [x y w h [zoom]]\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;

    const int gap = 24, panelsWidth = 496 + 372 + 248 + 4 * gap;
    const int sheetWidth = juce::jmax (panelsWidth, 1800);
    const int picturesTop = 1360 + 2 * gap + 20;
    juce::Image sheet (juce::Image::RGB, sheetWidth, picturesTop + 4000, true);
    juce::Graphics g (sheet);
    g.fillAll (juce::Colour (0xff404448));

    const auto font = TalvoComboBoxLookAndFeel::getCustomFont ({ 0, 0, 0, 20 });
    g.setFont (font.withHeight (14.0f));

    // Row 1: the three tiers, side by side.
    int x = gap;

    for (int width : { 496, 372, 248 })
    {
        MockPanel panel (width);
        g.setColour (juce::Colours::white);
        g.drawText ("panel width " + juce::String (width), x, 4, width, 18, juce::Justification::centredLeft);
        juce::Graphics::ScopedSaveState state (g);
        g.setOrigin (x, gap);
        panel.paintEntireComponent (g, false);
        x += width + gap;
    }

    // Beside the panels: a font sample at the sizes the panel uses.
    {
        int y = gap;
        g.setColour (juce::Colours::white);

        for (float h : { 8.0f, 9.0f, 11.0f, 14.4f, 18.0f, 24.0f })
        {
            g.setFont (font.withHeight (h));
            g.drawText (juce::String (h, 1) + "  MIC LINE INST -63.5 dB 0123456789", x, y, sheetWidth - x - gap, (int) h + 6, juce::Justification::centredLeft);
            y += (int) h + 10;
        }
    }

    // Row 2: every picture at its own size on a neutral ground, in rows.
    int px = gap, py = picturesTop, rowHeight = 0;
    g.setFont (font.withHeight (11.0f));

    for (auto& resource : everyPicture())
    {
        const auto image = load (resource);

        if (px + image.getWidth() > sheetWidth - gap)
        {
            px = gap;
            py += rowHeight + 22;
            rowHeight = 0;
        }

        g.setColour (juce::Colours::white);
        g.drawText (resource.name, px, py, juce::jmax (60, image.getWidth()), 14, juce::Justification::centredLeft);
        g.drawImageAt (image, px, py + 16);
        px += juce::jmax (60, image.getWidth()) + gap;
        rowHeight = juce::jmax (rowHeight, image.getHeight() + 16);
    }

    juce::Rectangle<int> area (0, 0, sheetWidth, juce::jmin (sheet.getHeight(), py + rowHeight + gap));

    if (argc >= 6)
        area = area.getIntersection ({ std::atoi (argv[2]), std::atoi (argv[3]), std::atoi (argv[4]), std::atoi (argv[5]) });

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;

    const auto zoom = argc == 7 ? juce::jlimit (1, 8, std::atoi (argv[6])) : 1;
    const auto part = sheet.getClippedImage (area).rescaled (area.getWidth() * zoom, area.getHeight() * zoom, juce::Graphics::lowResamplingQuality);

    if (! out.openedOk() || ! png.writeImageToStream (part, out))
    {
        std::cerr << "cannot write " << file.getFullPathName() << "\n";
        return 1;
    }

    std::cout << "contact sheet written to " << file.getFullPathName() << "\n";
    return 0;
}
