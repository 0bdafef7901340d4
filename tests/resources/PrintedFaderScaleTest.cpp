#include "resources/OVKBIN.h"
#include "widgets/KnobTravel.h"
#include "widgets/Talvoz6Sliders.h"

#include <gtest/gtest.h>

namespace
{
struct Tier
{
    const char* data;
    int size;
    float scale;
};

/** Runs of rows (first, end) where the given column of the picture is lit, within [top, bottom). */
std::vector<std::pair<int, int>> litRuns (const juce::Image& picture, int column, int top, int bottom)
{
    std::vector<std::pair<int, int>> runs;

    for (int y = top; y < bottom; ++y)
    {
        if (picture.getPixelAt (column, y).getPerceivedBrightness() < 0.35f)
            continue;

        if (! runs.empty() && runs.back().second == y)
            runs.back().second = y + 1;
        else
            runs.push_back ({ y, y + 1 });
    }

    return runs;
}
} // namespace

// At each tier's own width, the printed 0 dB and -90 dB ticks lie under the knob's centre line
// as the real fader puts it, to within a pixel.
TEST (PrintedFaderScale, EndMarksLieUnderTheKnob)
{
    const Tier tiers[] = { { OVKBIN::temp_binary_data_70, OVKBIN::temp_binary_data_70Size, 1.0f },
                           { OVKBIN::temp_binary_data_23, OVKBIN::temp_binary_data_23Size, 0.75f },
                           { OVKBIN::temp_binary_data_46, OVKBIN::temp_binary_data_46Size, 0.5f } };

    // Each fader's design rectangle and the design x of a column through its printed ticks.
    const std::pair<juce::Rectangle<int>, int> faders[] = { { { 8, 264, 40, 392 }, 52 }, { { 132, 264, 40, 392 }, 176 },
                                                            { { 256, 264, 40, 392 }, 300 }, { { 256, 916, 40, 392 }, 300 } };

    for (auto& tier : tiers)
    {
        const auto picture = juce::ImageCache::getFromMemory (tier.data, tier.size);
        ASSERT_TRUE (picture.isValid());
        const auto s = tier.scale;

        juce::Component panel;
        panel.setSize (picture.getWidth(), picture.getHeight());
        TalvoVSlider fader;
        fader.setRange (-90.0, 0.0, 0.5);
        panel.addAndMakeVisible (fader);

        for (auto& [design, tickColumn] : faders)
        {
            fader.setBounds ((int) ((float) design.getX() * s), (int) ((float) design.getY() * s),
                             (int) ((float) design.getWidth() * s), (int) ((float) design.getHeight() * s));
            const auto knobHeight = KnobTravel::scaledKnobSize (80, s);
            auto knobCentre = [&] (double dB)
            {
                const auto top = KnobTravel::verticalKnobTop ((float) fader.getPositionOfValue (dB), knobHeight, s);
                return (float) fader.getY() + (float) top + (float) knobHeight * 0.5f;
            };

            const auto runs = litRuns (picture, (int) ((float) tickColumn * s), fader.getY(), fader.getBottom());
            ASSERT_GE (runs.size(), 10u) << s << " " << design.toString();
            const auto markCentre = [] (std::pair<int, int> run) { return (float) (run.first + run.second) * 0.5f; };
            EXPECT_NEAR (markCentre (runs.front()), knobCentre (0.0), 1.0f) << s << " " << design.toString();
            EXPECT_NEAR (markCentre (runs.back()), knobCentre (-90.0), 1.0f) << s << " " << design.toString();
        }
    }
}
