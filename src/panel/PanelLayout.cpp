#include "panel/PanelLayout.h"

namespace PanelLayout
{
namespace
{
    constexpr int largeTierMinimumWidth = 373;
    constexpr int smallTierMaximumWidth = 267;

    // The update button hangs to the left of the settings button.
    constexpr float updateButtonAnchorX = 444.0f;
    constexpr float updateButtonOffsetX = 170.0f;

    using R = juce::Rectangle<int>;

    /** Positions that repeat along x at one y and size. */
    std::vector<R> across (std::initializer_list<int> xs, int y, int w, int h)
    {
        std::vector<R> positions;
        for (auto x : xs)
            positions.emplace_back (x, y, w, h);
        return positions;
    }

    /** Positions that repeat down y at one x and size. */
    std::vector<R> down (int x, std::initializer_list<int> ys, int w, int h)
    {
        std::vector<R> positions;
        for (auto y : ys)
            positions.emplace_back (x, y, w, h);
        return positions;
    }
} // namespace

ArtworkTier tierForWidth (int panelWidth)
{
    if (panelWidth >= largeTierMinimumWidth)
        return ArtworkTier::large;

    if (panelWidth <= smallTierMaximumWidth)
        return ArtworkTier::small;

    return ArtworkTier::medium;
}

std::optional<ArtworkTier> tierAcrossNearbyBoundary (int panelWidth, int withinPixels)
{
    const auto tier = tierForWidth (panelWidth);

    for (int distance = 1; distance < withinPixels; ++distance)
        for (const auto towards : {panelWidth - distance, panelWidth + distance})
            if (tierForWidth (towards) != tier)
                return tierForWidth (towards);

    return std::nullopt;
}

float tierScale (ArtworkTier tier)
{
    switch (tier)
    {
        case ArtworkTier::large:
            return 1.0f;
        case ArtworkTier::medium:
            return 0.75f;
        case ArtworkTier::small:
            return 0.5f;
    }

    return 1.0f;
}

ArtworkTier tierForScale (float scale)
{
    if (scale >= 1.0f)
        return ArtworkTier::large;

    if (scale <= 0.5f)
        return ArtworkTier::small;

    return ArtworkTier::medium;
}

float layoutScale (int panelWidth)
{
    return (float)panelWidth / (float)designWidth;
}

R scaled (R designRect, float s)
{
    return {(int)((float)designRect.getX() * s),
            (int)((float)designRect.getY() * s),
            (int)((float)designRect.getWidth() * s),
            (int)((float)designRect.getHeight() * s)};
}

const std::vector<DesignRow>& designTable()
{
    static const std::vector<DesignRow> table{
        {Row::monitorButtons, across ({64, 188}, 112, 56, 32)},
        {Row::midiLed1, {{40, 1300, 24, 24}}},
        {Row::midiLed2, {{112, 1300, 24, 24}}},
        {Row::midiButton, {{172, 1288, 48, 48}}},
        {Row::muteAllButton, {{100, 716, 48, 48}}},
        {Row::phantom1, {{4, 184, 48, 48}}},
        {Row::phantom2, {{130, 184, 48, 48}}},
        {Row::mono12, {{100, 184, 48, 48}}},
        {Row::stereo12, {{100, 184, 48, 48}}},
        {Row::phase1, {{72, 184, 48, 48}}},
        {Row::phase2, {{196, 184, 48, 48}}},
        {Row::muteInButtons, across ({4, 128, 252}, 656, 48, 48)},
        {Row::soloInButtons, across ({72, 196, 320}, 656, 48, 48)},
        {Row::muteOutButtons, across ({252, 376}, 1308, 48, 48)},
        {Row::soloOutButtons, across ({320, 444}, 1308, 48, 48)},
        {Row::targetButtons, across ({320, 444}, 716, 48, 48)},
        {Row::snapshotButtons, down (12, {868, 916, 964, 1012}, 180, 36)},
        {Row::snapshotEditButtons, down (196, {868, 916, 964, 1012}, 40, 36)},
        {Row::settingsButton, {{444, 4, 48, 48}}},
        {Row::updateButton, {{274, 12, 150, 32}}},
        {Row::inputTypeBoxes, across ({8, 132}, 148, 108, 33)},
        {Row::miniMixers, across ({268, 388}, 784, 94, 94)},
        {Row::inputPanSliders, across ({4, 128, 252}, 232, 116, 32)},
        {Row::outputBalanceSliders, across ({252, 376}, 884, 116, 32)},
        {Row::inputFaders, across ({8, 132, 256}, 264, 40, 392)},
        {Row::outputFaders, {{256, 916, 40, 392}}},
        {Row::inputMeters, across ({72, 196}, 268, 8, 380)},
        {Row::playbackMeters, across ({308, 320}, 268, 8, 380)},
        {Row::outputMeters, across ({308, 320}, 920, 8, 380)},
    };

    return table;
}

std::vector<R> rowBounds (Row row, int panelWidth)
{
    const auto s = layoutScale (panelWidth);
    std::vector<R> bounds;

    for (const auto& designRow : designTable())
    {
        if (designRow.row != row)
            continue;

        for (auto position : designRow.positions)
            bounds.push_back (scaled (position, s));
    }

    if (row == Row::updateButton)
        for (auto& b : bounds)
            b.setX ((int)(updateButtonAnchorX * s - updateButtonOffsetX * s));

    return bounds;
}

juce::Rectangle<float> noticeBox (int panelWidth, int panelHeight)
{
    const auto s = layoutScale (panelWidth);
    const auto y = (float)((double)panelHeight * 0.5 - (double)(30.0f * s));
    return {30.0f * s, y, (float)panelWidth - 60.0f * s, 50.0f * s};
}
} // namespace PanelLayout
