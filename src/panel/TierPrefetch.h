#pragma once

#include "panel/PanelArtwork.h"
#include "panel/PanelLayout.h"

#include <atomic>
#include <thread>
#include <vector>

/** Decodes every picture of one artwork tier on a worker thread and files them in the image
    cache, where the panel's own loads find them: during a live resize, the tier across the
    boundary that the panel's width is nearing, so that the layout pass that crosses it decodes
    nothing.

    Message thread only; the worker touches nothing but its own job.
*/
class TierPrefetch final
{
public:
    TierPrefetch() = default;
    ~TierPrefetch();

    /** Starts decoding the tier's pictures, unless a decode is under way or waits to be filed. */
    void start (PanelLayout::ArtworkTier tier);

    /** Whether this tier's pictures are being decoded, or are decoded and not yet filed. */
    bool isUnderWay (PanelLayout::ArtworkTier tier) const noexcept;

    /** Files the decoded pictures in the image cache once the worker is done; with wait set,
        waits for it first. Does nothing when nothing was started.
    */
    void fileDecoded (bool wait);

    /** Waits for the worker and drops what it decoded. */
    void letGo();

private:
    std::thread worker;
    std::atomic<bool> workerDone { false };
    PanelLayout::ArtworkTier tier = PanelLayout::ArtworkTier::large;
    std::vector<PanelArtwork::DecodedPicture> decoded;

    JUCE_DECLARE_NON_COPYABLE (TierPrefetch)
};
