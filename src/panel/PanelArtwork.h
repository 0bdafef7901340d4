#pragma once

#include "panel/PanelLayout.h"
#include "resources/PngPictureSize.h"

#include <juce_graphics/juce_graphics.h>

#include <optional>
#include <vector>

/** The panel's tiered pictures, each drawn at three sizes; loadPicture picks the embedded file of
    a tier and decodes it through the framework's image cache (message thread only).
*/
namespace PanelArtwork
{
enum class Picture
{
    panelBackground,
    monitorButton,
    midiButton,
    routingButton,     ///< the mute-all button
    routingButtonAltA, ///< spare, applied to nothing
    routingButtonAltB, ///< spare, applied to nothing
    ledSprite,         ///< the lamps keep their own large sprite; this one is applied to nothing
    inputStripButton,  ///< the four-frame mono and stereo picture
    phantomButton,
    phaseButton,
    muteButton,
    soloButton,
    targetButton,
    snapshotButton,
    snapshotEditButton,
    settingsButton
};

/** The picture of one tier, or a null image if it does not decode. */
juce::Image loadPicture (Picture picture, PanelLayout::ArtworkTier tier);

/** The tier's background picture through the image cache, as loadPicture, but kept there without
    an alpha channel: the artwork is opaque, and the rescale of a resize step reads it a quarter
    faster so, to the same pixels. Message thread.
*/
juce::Image loadBackgroundPicture (PanelLayout::ArtworkTier tier);

/** The same picture decoded for one use only, bypassing the image cache (which would hold it for
    seconds after its last use). Safe on any thread.
*/
juce::Image decodePicture (Picture picture, PanelLayout::ArtworkTier tier);

/** A picture decoded ahead of its first use, with the key the image cache files it under. */
struct DecodedPicture
{
    juce::int64 cacheKey;
    juce::Image image;
};

/** Whether the image cache holds this picture of this tier, decoded. Message thread. */
bool isInImageCache (Picture picture, PanelLayout::ArtworkTier tier);

/** Decodes every picture of one tier, its background included (without an alpha channel, as
    loadBackgroundPicture keeps it), bypassing the image cache: what a layout pass into that tier
    would decode. Any thread.
*/
std::vector<DecodedPicture> decodeTier (PanelLayout::ArtworkTier tier);

/** Files pictures decoded on a worker in the image cache, where the panel's own loads find them
    instead of decoding. Message thread.
*/
void fileInImageCache (const std::vector<DecodedPicture>& pictures);

/** Gives the system back the memory that decoding used and no longer needs: the pages holding
    the embedded files (a later decode reads them in again) and the heap pages the decoders freed.
    Does nothing if nothing was decoded since the last call. Any thread.
*/
void releaseDecodingMemory();

/** The size of the picture the panel takes before its first layout (744 x 1360), read from the
    embedded file's header without decoding it; empty if the header does not read.
*/
std::optional<PictureSize> initialBackgroundSize();

/** Large-tier frame sizes of the multi-frame pictures. */
inline const juce::Point<int> monitorFrame{56, 32};
inline const juce::Point<int> buttonFrame{48, 48};
inline const juce::Point<int> snapshotFrame{180, 36};
inline const juce::Point<int> snapshotEditFrame{40, 36};
} // namespace PanelArtwork
