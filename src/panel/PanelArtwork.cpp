#include "panel/PanelArtwork.h"

#include "resources/OVKBIN.h"

namespace PanelArtwork
{
namespace
{
    struct EmbeddedFile
    {
        const char* data;
        int size;
    };

#define TALVO_EMBEDDED(n) \
    EmbeddedFile { OVKBIN::temp_binary_data_##n, OVKBIN::temp_binary_data_##n##Size }

    /** Large, medium and small file of each picture, in the order of Picture. */
    const EmbeddedFile tieredFiles[][3] = {
        {TALVO_EMBEDDED (70), TALVO_EMBEDDED (23), TALVO_EMBEDDED (46)}, // panel background
        {TALVO_EMBEDDED (72), TALVO_EMBEDDED (25), TALVO_EMBEDDED (48)}, // monitor button
        {TALVO_EMBEDDED (50), TALVO_EMBEDDED (4), TALVO_EMBEDDED (27)},  // MIDI button
        {TALVO_EMBEDDED (57), TALVO_EMBEDDED (10), TALVO_EMBEDDED (33)}, // routing (mute all)
        {TALVO_EMBEDDED (54), TALVO_EMBEDDED (12), TALVO_EMBEDDED (31)}, // routing, spare A
        {TALVO_EMBEDDED (59), TALVO_EMBEDDED (8), TALVO_EMBEDDED (35)},  // routing, spare B
        {TALVO_EMBEDDED (68), TALVO_EMBEDDED (21), TALVO_EMBEDDED (44)}, // LED sprite
        {TALVO_EMBEDDED (56), TALVO_EMBEDDED (9), TALVO_EMBEDDED (32)},  // mono and stereo
        {TALVO_EMBEDDED (49), TALVO_EMBEDDED (3), TALVO_EMBEDDED (26)},  // 48 V
        {TALVO_EMBEDDED (60), TALVO_EMBEDDED (13), TALVO_EMBEDDED (36)}, // phase
        {TALVO_EMBEDDED (58), TALVO_EMBEDDED (11), TALVO_EMBEDDED (34)}, // mute
        {TALVO_EMBEDDED (62), TALVO_EMBEDDED (15), TALVO_EMBEDDED (38)}, // solo
        {TALVO_EMBEDDED (51), TALVO_EMBEDDED (5), TALVO_EMBEDDED (28)},  // target
        {TALVO_EMBEDDED (53), TALVO_EMBEDDED (7), TALVO_EMBEDDED (30)},  // snapshot recall
        {TALVO_EMBEDDED (52), TALVO_EMBEDDED (6), TALVO_EMBEDDED (29)},  // snapshot edit
        {TALVO_EMBEDDED (61), TALVO_EMBEDDED (14), TALVO_EMBEDDED (37)}, // settings
    };

#undef TALVO_EMBEDDED

    EmbeddedFile fileOf (Picture picture, PanelLayout::ArtworkTier tier)
    {
        return tieredFiles[(int)picture][(int)tier];
    }
} // namespace

juce::Image loadPicture (Picture picture, PanelLayout::ArtworkTier tier)
{
    const auto file = fileOf (picture, tier);
    return juce::ImageCache::getFromMemory (file.data, file.size);
}

juce::Image decodePicture (Picture picture, PanelLayout::ArtworkTier tier)
{
    const auto file = fileOf (picture, tier);
    return juce::ImageFileFormat::loadFrom (file.data, (std::size_t)file.size);
}

std::optional<PictureSize> initialBackgroundSize()
{
    return pngPictureSize (OVKBIN::temp_binary_data_71, (std::size_t)OVKBIN::temp_binary_data_71Size);
}
} // namespace PanelArtwork
