#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Cutting the multi-frame button pictures into frames and giving them to image buttons.

    A picture stacks its frames top to bottom; each frame is the design frame size times the
    artwork tier's scale (1.0, 0.75 or 0.5), truncated. Frames are clipped views that share the
    picture's pixels. A null picture gives null frames. Message thread only.
*/
namespace ArtworkFrames
{
    /** Frame k of a picture whose large-tier frame is designFrameSize, at the given tier scale. */
    juce::Rectangle<int> frameBounds (juce::Point<int> designFrameSize, float tierScale, int k);

    /** Frame k clipped out of the picture. */
    juce::Image frame (const juce::Image& picture, juce::Point<int> designFrameSize, float tierScale, int k);

    /** Gives a button its pictures: normal and over = normalImage, down = downImage; the button
        keeps its size, the images are rescaled to it keeping their proportions, opacity 1.0 in
        every state, no overlay colours, no hit-test alpha threshold.
    */
    void setButtonImages (juce::ImageButton& button, const juce::Image& normalImage, const juce::Image& downImage);

    /** A two-frame picture (0 off, 1 on) on a button. */
    void setTwoFrameImages (juce::ImageButton& button, const juce::Image& picture,
                            juce::Point<int> designFrameSize, float tierScale);

    /** The four-frame mono and stereo picture on its pair of buttons: mono gets frames 0 and 3,
        stereo frames 2 and 1 (normal, down).
    */
    void setMonoStereoImages (juce::ImageButton& mono, juce::ImageButton& stereo, const juce::Image& picture, float tierScale);
}
