#include "panel/PanelArtwork.h"

#include "platform/MemoryRelease.h"
#include "resources/OVKBIN.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

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

    const EmbeddedFile initialBackgroundFile = TALVO_EMBEDDED (71);

    std::atomic<bool> decodedSinceRelease { false };

#undef TALVO_EMBEDDED

    EmbeddedFile fileOf (Picture picture, PanelLayout::ArtworkTier tier)
    {
        decodedSinceRelease = true;
        return tieredFiles[(int)picture][(int)tier];
    }

    /** The key under which the image cache files a picture loaded from memory: its address. */
    juce::int64 imageCacheKey (const EmbeddedFile& file)
    {
        return (juce::int64)(juce::pointer_sized_int)file.data;
    }

    struct ByteSpan
    {
        std::uintptr_t begin;
        std::uintptr_t end;
    };

    /** The embedded files' bytes as few spans as possible: files that lie within a page of each
        other share a span, so the pages between them are given back too.
    */
    std::vector<ByteSpan> embeddedSpans()
    {
        std::vector<ByteSpan> files;

        const auto add = [&files] (const EmbeddedFile& file)
        {
            const auto begin = reinterpret_cast<std::uintptr_t> (file.data);
            files.push_back ({begin, begin + (std::uintptr_t)file.size});
        };

        for (const auto& tiers : tieredFiles)
            for (const auto& file : tiers)
                add (file);

        add (initialBackgroundFile);
        std::sort (files.begin(), files.end(), [] (const ByteSpan& a, const ByteSpan& b) { return a.begin < b.begin; });

        constexpr std::uintptr_t nearbyBytes = 4096;
        std::vector<ByteSpan> spans;

        for (const auto& file : files)
        {
            if (! spans.empty() && file.begin <= spans.back().end + nearbyBytes)
                spans.back().end = std::max (spans.back().end, file.end);
            else
                spans.push_back (file);
        }

        return spans;
    }
} // namespace

juce::Image loadPicture (Picture picture, PanelLayout::ArtworkTier tier)
{
    const auto file = fileOf (picture, tier);
    return juce::ImageCache::getFromMemory (file.data, file.size);
}

juce::Image loadBackgroundPicture (PanelLayout::ArtworkTier tier)
{
    const auto key = imageCacheKey (tieredFiles[(int)Picture::panelBackground][(int)tier]);

    if (auto cached = juce::ImageCache::getFromHashCode (key); cached.isValid())
        return cached;

    auto opaque = decodePicture (Picture::panelBackground, tier).convertedToFormat (juce::Image::RGB);
    juce::ImageCache::addImageToCache (opaque, key);
    return opaque;
}

juce::Image decodePicture (Picture picture, PanelLayout::ArtworkTier tier)
{
    const auto file = fileOf (picture, tier);
    return juce::ImageFileFormat::loadFrom (file.data, (std::size_t)file.size);
}

bool isInImageCache (Picture picture, PanelLayout::ArtworkTier tier)
{
    return juce::ImageCache::getFromHashCode (imageCacheKey (tieredFiles[(int)picture][(int)tier])).isValid();
}

std::vector<DecodedPicture> decodeTier (PanelLayout::ArtworkTier tier)
{
    std::vector<DecodedPicture> pictures;
    decodedSinceRelease = true;

    for (const auto& tiers : tieredFiles)
    {
        const auto& file = tiers[(int)tier];
        pictures.push_back ({imageCacheKey (file), juce::ImageFileFormat::loadFrom (file.data, (std::size_t)file.size)});
    }

    auto& background = pictures[(size_t)Picture::panelBackground].image;
    background = background.convertedToFormat (juce::Image::RGB);
    return pictures;
}

void fileInImageCache (const std::vector<DecodedPicture>& pictures)
{
    for (const auto& picture : pictures)
        if (picture.image.isValid())
            juce::ImageCache::addImageToCache (picture.image, picture.cacheKey);
}

void releaseDecodingMemory()
{
    if (! decodedSinceRelease.exchange (false))
        return;

    static const auto spans = embeddedSpans();

    for (const auto& span : spans)
        releaseReadOnlyDataPages (reinterpret_cast<const void*> (span.begin), span.end - span.begin);

    releaseFreeHeapPages();
}

std::optional<PictureSize> initialBackgroundSize()
{
    return pngPictureSize (initialBackgroundFile.data, (std::size_t)initialBackgroundFile.size);
}
} // namespace PanelArtwork
