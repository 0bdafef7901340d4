#pragma once

#include "panel/PanelLayout.h"

#include <juce_graphics/juce_graphics.h>

#include <thread>

/** Makes the panel's background: the tier's picture decoded and rescaled with high quality to
    the panel's size. The costly part of a first paint, so the work can start on a worker thread
    while the window is still being put on screen; the paint collects the result, or makes it
    there and then if nothing matching was prepared. Made there, the background comes from the
    tier picture in the image cache, which keeps it for the next size of a resize until the panel
    lets go of unused pictures.

    Message thread only; the worker touches nothing but its own job.
*/
class BackgroundRescaler final
{
public:
    BackgroundRescaler() = default;
    ~BackgroundRescaler();

    /** Starts making the background of this tier and size on a worker thread, unless that job
        is already under way. A job for another tier or size is waited for and dropped first.
    */
    void prepare (PanelLayout::ArtworkTier tier, juce::Rectangle<int> size);

    /** The background of this tier and size: the prepared one when it matches (waiting for it if
        it is still being made), otherwise made now from the tier picture in the image cache
        (PanelArtwork::loadBackgroundPicture). A null image for an empty size.
    */
    juce::Image make (PanelLayout::ArtworkTier tier, juce::Rectangle<int> size);

    /** Whether a job was started and not yet collected. */
    bool isPreparing() const noexcept { return worker.joinable(); }

    /** The background itself, made on the calling thread. */
    static juce::Image rescale (PanelLayout::ArtworkTier tier, juce::Rectangle<int> size);

private:
    static juce::Image decode (PanelLayout::ArtworkTier tier);
    static juce::Image rescaleTo (const juce::Image& picture, juce::Rectangle<int> size);
    void finishJob();

    std::thread worker;
    PanelLayout::ArtworkTier jobTier = PanelLayout::ArtworkTier::large;
    juce::Rectangle<int> jobSize;
    juce::Image jobResult;

    JUCE_DECLARE_NON_COPYABLE (BackgroundRescaler)
};
