#pragma once

#include <juce_graphics/juce_graphics.h>

#include <optional>
#include <vector>

/** Where the panel's controls go, and which artwork tier it shows, for a given panel width.

    The panel is drawn on a 496 x 1360 canvas; at any other width every design rectangle is scaled
    by s = width / 496 in single precision, each product truncated toward zero on its own. Only the
    width counts. Pure: no component, no window.
*/
namespace PanelLayout
{
constexpr int designWidth = 496;
constexpr int designHeight = 1360;

/** The picture sets, by the panel width they serve. */
enum class ArtworkTier
{
    large,  ///< 373 pixels wide or more
    medium, ///< 268 to 372
    small   ///< 267 or less
};

/** The tier of the background for a panel of this width. */
ArtworkTier tierForWidth (int panelWidth);

/** The tier on the other side of the nearest tier boundary, when a panel of this width is less
    than withinPixels from crossing it; nothing otherwise.
*/
std::optional<ArtworkTier> tierAcrossNearbyBoundary (int panelWidth, int withinPixels);

/** The tier's scale: 1.0, 0.75 or 0.5. */
float tierScale (ArtworkTier tier);

/** The tier of a button picture for a tier scale: 1.0 or more large, 0.5 or less small. */
ArtworkTier tierForScale (float scale);

/** s = width / 496, in single precision. */
float layoutScale (int panelWidth);

/** A design rectangle at scale s: each of x, y, width and height times s, truncated. */
juce::Rectangle<int> scaled (juce::Rectangle<int> designRect, float s);

/** The rows of the design table, in the order their bounds are set. */
enum class Row
{
    monitorButtons,
    midiLed1,
    midiLed2,
    midiButton,
    muteAllButton,
    phantom1,
    phantom2,
    mono12,
    stereo12,
    phase1,
    phase2,
    muteInButtons,
    soloInButtons,
    muteOutButtons,
    soloOutButtons,
    targetButtons,
    snapshotButtons,
    snapshotEditButtons,
    settingsButton,
    updateButton,
    inputTypeBoxes,
    miniMixers,
    inputPanSliders,
    outputBalanceSliders,
    inputFaders,
    outputFaders,
    inputMeters,
    playbackMeters,
    outputMeters
};

/** One row: its positions on the design canvas, one per entry of a member array, in order. */
struct DesignRow
{
    Row row;
    std::vector<juce::Rectangle<int>> positions;
};

/** The whole design table, in the order the bounds are set. */
const std::vector<DesignRow>& designTable();

/** One row's rectangles for a panel of this width. The update button's x alone is formed as
    (int) (444 s - 170 s), its right-hand anchor less its offset, so it may differ by a pixel
    from its other scaled edges.
*/
std::vector<juce::Rectangle<int>> rowBounds (Row row, int panelWidth);

/** The "Looking for Device" box for a panel of this size: 30 s in from each side, 50 s high,
    its top 30 s above the middle of the height.
*/
juce::Rectangle<float> noticeBox (int panelWidth, int panelHeight);

/** The corner size of the notice box. */
constexpr float noticeCornerSize = 5.0f;
} // namespace PanelLayout
