#include "panel/TierPrefetch.h"

TierPrefetch::~TierPrefetch()
{
    letGo();
}

void TierPrefetch::start (PanelLayout::ArtworkTier tierToDecode)
{
    if (worker.joinable())
        return;

    tier = tierToDecode;
    workerDone = false;
    worker = std::thread ([this, tierToDecode]
                          {
                              decoded = PanelArtwork::decodeTier (tierToDecode);
                              workerDone = true;
                          });
}

bool TierPrefetch::isUnderWay (PanelLayout::ArtworkTier tierToCheck) const noexcept
{
    return worker.joinable() && tier == tierToCheck;
}

void TierPrefetch::fileDecoded (bool wait)
{
    if (! worker.joinable() || ! (wait || workerDone))
        return;

    worker.join();
    PanelArtwork::fileInImageCache (decoded);
    decoded.clear();
}

void TierPrefetch::letGo()
{
    if (worker.joinable())
        worker.join();

    decoded.clear();
}
