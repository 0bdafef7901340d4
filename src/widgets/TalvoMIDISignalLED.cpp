#include "widgets/TalvoMIDISignalLED.h"

#include "resources/OVKBIN.h"

MIDISignalLED::MIDISignalLED() = default;

MIDISignalLED::~MIDISignalLED()
{
    stopTimer();
}

void MIDISignalLED::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();

    // An empty lamp has nothing to show; the frames are made again at the next layout.
    if (w <= 0 || h <= 0)
    {
        blinkImage = offImage = onImage = {};
        return;
    }

    const auto sprite = juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_68, OVKBIN::temp_binary_data_68Size);

    // The large sprite serves every panel size; the rescale does the scaling, once per layout.
    blinkImage = sprite.getClippedImage ({ 0, 0, 24, 24 }).rescaled (w, h, juce::Graphics::mediumResamplingQuality);
    offImage   = sprite.getClippedImage ({ 0, 24, 24, 24 }).rescaled (w, h, juce::Graphics::mediumResamplingQuality);
    onImage    = sprite.getClippedImage ({ 0, 48, 24, 24 }).rescaled (w, h, juce::Graphics::mediumResamplingQuality);
}

const juce::Image& MIDISignalLED::currentFrame() const
{
    if (! idle && (blinkCount % 2) == 1)
        return blinkImage;

    return steadyState ? onImage : offImage;
}

void MIDISignalLED::paint (juce::Graphics& g)
{
    g.drawImageAt (currentFrame(), 0, 0);
}

void MIDISignalLED::timerCallback()
{
    if (blinkCount == 6)
    {
        stopTimer();
        idle = true;
        blinkCount = 0;
    }
    else
    {
        ++blinkCount;
    }

    repaint();
}

void MIDISignalLED::setSteadyState (bool on)
{
    steadyState = on;
    repaint();
}

void MIDISignalLED::startBlink()
{
    idle = false;
    blinkCount = 0;
    startTimer (50);
}
