#include "resources/ArtworkFrames.h"

namespace ArtworkFrames
{
juce::Rectangle<int> frameBounds (juce::Point<int> designFrameSize, float tierScale, int k)
{
    const auto w = (int) ((float) designFrameSize.x * tierScale);
    const auto h = (int) ((float) designFrameSize.y * tierScale);
    return { 0, k * h, w, h };
}

juce::Image frame (const juce::Image& picture, juce::Point<int> designFrameSize, float tierScale, int k)
{
    if (! picture.isValid())
        return {};

    return picture.getClippedImage (frameBounds (designFrameSize, tierScale, k));
}

void setButtonImages (juce::ImageButton& button, const juce::Image& normalImage, const juce::Image& downImage)
{
    button.setImages (false, true, true,
                      normalImage, 1.0f, juce::Colour(),
                      normalImage, 1.0f, juce::Colour(),
                      downImage, 1.0f, juce::Colour(),
                      0.0f);
}

void setTwoFrameImages (juce::ImageButton& button, const juce::Image& picture,
                        juce::Point<int> designFrameSize, float tierScale)
{
    setButtonImages (button, frame (picture, designFrameSize, tierScale, 0), frame (picture, designFrameSize, tierScale, 1));
}

void setMonoStereoImages (juce::ImageButton& mono, juce::ImageButton& stereo, const juce::Image& picture, float tierScale)
{
    const juce::Point<int> size (48, 48);
    setButtonImages (mono, frame (picture, size, tierScale, 0), frame (picture, size, tierScale, 3));
    setButtonImages (stereo, frame (picture, size, tierScale, 2), frame (picture, size, tierScale, 1));
}
} // namespace ArtworkFrames
