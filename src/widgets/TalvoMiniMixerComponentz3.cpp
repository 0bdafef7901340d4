#include "widgets/TalvoMiniMixerComponentz3.h"

#include "widgets/Talvoz6ComboBox.h"

TalvoMiniMixerComponentz3::TalvoMiniMixerComponentz3()
    : labelFont (TalvoComboBoxLookAndFeel::getCustomFont (getLocalBounds()))
{
    strips.add ({ 12.0f, 9.0f, 9.0f, 2.0f, 4.0f, "A", "1" });
    strips.add ({ 44.0f, 42.0f, 42.0f, 34.0f, 4.0f, "A", "2" });
    strips.add ({ 76.0f, 71.0f, 71.0f, 66.0f, 4.0f, "PB", "12" });

    for (auto& value : stripValues)
        value = -90.0;
}

TalvoMiniMixerComponentz3::~TalvoMiniMixerComponentz3() = default;

void TalvoMiniMixerComponentz3::resized()
{
}

void TalvoMiniMixerComponentz3::setMiniMixerSliderValues (double (*matrix)[4], int destA, int destB)
{
    if (matrix == nullptr || ! juce::isPositiveAndBelow (destA, 4) || ! juce::isPositiveAndBelow (destB, 4))
        return;

    stripValues[0] = stripValues[1] = juce::jmax (matrix[2][destB], matrix[2][destA]);
    stripValues[2] = stripValues[3] = juce::jmax (matrix[3][destB], matrix[3][destA]);
    // Playback 1 only on the left destination, playback 2 only on the right.
    stripValues[4] = stripValues[5] = juce::jmax (matrix[1][destB], matrix[0][destA]);

    for (auto& value : stripValues)
        if (value < minimumDb)
            value = minimumDb;

    repaint();
}

float TalvoMiniMixerComponentz3::labelHeightForScale (float s)
{
    const auto scale = (double) s;

    if (scale <= 0.59)
        return 9.0f;

    return scale <= 0.7 ? 10.0f : 11.0f;
}

int TalvoMiniMixerComponentz3::labelBoxWidth (const juce::Font& font, const juce::String& label, float s)
{
    // A box only 14 units wide cuts "PB" to "P" once the label font stops shrinking with the
    // mixer (9 px below about half size): widen it to the label, which has room beside it.
    return juce::jmax ((int) (14.0f * s), (int) std::ceil (font.getStringWidthFloat (label)));
}

float TalvoMiniMixerComponentz3::levelY (double valueDb, float s) const
{
    const auto scale = (double) s;

    // A floor at or above 0 dB leaves no scale: everything sits at the bottom.
    if (minimumDb >= 0.0)
        return (float) (66.0 * scale);

    return (float) (66.0 * scale + (valueDb - minimumDb) * (2.0 * scale - 66.0 * scale) / (0.0 - minimumDb));
}

void TalvoMiniMixerComponentz3::paint (juce::Graphics& g)
{
    const auto s = (float) getWidth() / 92.0f;
    g.setFont (labelFont.withHeight (labelHeightForScale (s)));

    auto strokeLine = [&g] (float x1, float y1, float x2, float y2, float thickness)
    {
        juce::Path line;
        line.startNewSubPath (x1, y1);
        line.lineTo (x2, y2);
        g.strokePath (line, juce::PathStrokeType (thickness, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
    };

    for (int i = 0; i < strips.size(); ++i)
    {
        const auto& strip = strips.getReference (i);
        const auto value = stripValues[i * 2];
        const auto x = strip.barX * s;
        const auto bottom = 66.0f * s;
        const auto y = levelY (value, s);

        g.setColour (juce::Colours::lightgrey);
        strokeLine (x, 0.0f, x, bottom, strip.thickness);

        g.setColour (juce::Colours::orange);
        strokeLine (x, y, x, bottom, strip.thickness);
        strokeLine (strip.tickX * s, y, (strip.tickX + 20.0f) * s, y, strip.thickness);

        const auto box = (int) (14.0f * s);
        const auto& font = g.getCurrentFont();
        g.drawText (strip.label1, (int) (strip.label1X * s), (int) (68.0f * s), labelBoxWidth (font, strip.label1, s), box, labelJustification, true);
        g.drawText (strip.label2, (int) (strip.label2X * s), (int) (80.0f * s), labelBoxWidth (font, strip.label2, s), box, labelJustification, true);
    }
}
