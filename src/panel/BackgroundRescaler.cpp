#include "panel/BackgroundRescaler.h"

#include "panel/PanelArtwork.h"

BackgroundRescaler::~BackgroundRescaler()
{
    finishJob();
}

void BackgroundRescaler::prepare (PanelLayout::ArtworkTier tier, juce::Rectangle<int> size)
{
    if (isPreparing() && jobTier == tier && jobSize == size)
        return;

    finishJob();
    jobResult = {};

    if (size.isEmpty())
        return;

    jobTier = tier;
    jobSize = size;
    worker = std::thread ([this, tier, size] { jobResult = rescale (tier, size); });
}

juce::Image BackgroundRescaler::make (PanelLayout::ArtworkTier tier, juce::Rectangle<int> size)
{
    const auto matches = isPreparing() && jobTier == tier && jobSize == size;
    finishJob();

    auto result = matches ? std::move (jobResult) : rescale (tier, size);
    jobResult = {};
    return result;
}

juce::Image BackgroundRescaler::rescale (PanelLayout::ArtworkTier tier, juce::Rectangle<int> size)
{
    if (size.isEmpty())
        return {};

    auto picture = PanelArtwork::decodePicture (PanelArtwork::Picture::panelBackground, tier);

    if (! picture.isValid())
        return {};

    return picture.rescaled (size.getWidth(), size.getHeight(), juce::Graphics::highResamplingQuality);
}

void BackgroundRescaler::finishJob()
{
    if (worker.joinable())
        worker.join();
}
