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
    auto prepared = std::move (jobResult);
    jobResult = {};

    if (matches)
        return prepared;

    if (size.isEmpty())
        return {};

    return rescaleTo (PanelArtwork::loadBackgroundPicture (tier), size);
}

juce::Image BackgroundRescaler::rescale (PanelLayout::ArtworkTier tier, juce::Rectangle<int> size)
{
    return size.isEmpty() ? juce::Image() : rescaleTo (decode (tier), size);
}

juce::Image BackgroundRescaler::decode (PanelLayout::ArtworkTier tier)
{
    return PanelArtwork::decodePicture (PanelArtwork::Picture::panelBackground, tier);
}

juce::Image BackgroundRescaler::rescaleTo (const juce::Image& picture, juce::Rectangle<int> size)
{
    if (! picture.isValid() || size.isEmpty())
        return {};

    // What Image::rescaled does, drawn into a picture without an alpha channel: the artwork is
    // opaque, so this takes three quarters of the memory and is copied to the screen unblended.
    // The resampler leaves the last column slightly translucent; it is shown on black.
    juce::Image background (juce::Image::RGB, size.getWidth(), size.getHeight(), true);
    juce::Graphics g (background);
    g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);
    g.drawImageTransformed (picture,
                            juce::AffineTransform::scale ((float)size.getWidth() / (float)picture.getWidth(),
                                                          (float)size.getHeight() / (float)picture.getHeight()));
    return background;
}

void BackgroundRescaler::finishJob()
{
    if (worker.joinable())
        worker.join();
}
