#include "widgets/Talvoz6VUMeter.h"

#include "resources/OVKBIN.h"

namespace
{
const juce::Colour background (0xff184141);
constexpr float designWidth = 496.0f;

/** The parent's width, or the main display's user area without a parent; the design width when
    there is no display at all (the framework's own lookup would follow a null display then).
*/
float widthToScaleBy (const juce::Component& meter)
{
    if (auto* parent = meter.getParentComponent())
        return (float) parent->getWidth();

    if (auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (meter.getScreenBounds()))
        return (float) display->userArea.getWidth();

    return designWidth;
}
}

Talvoz6VUMeter::Talvoz6VUMeter()
{
    meterScale = widthToScaleBy (*this) / designWidth;
    barImage = juce::ImageCache::getFromMemory (OVKBIN::temp_binary_data_69, OVKBIN::temp_binary_data_69Size)
                   .getClippedImage ({ 0, 380, 8, 380 });
    releaseFactor = 0.07995558f;
    setBufferedToImage (true);

    // Every paint covers the whole meter with opaque colours. Saying so lets a reading repaint the
    // meter alone: without it, the framework redraws whatever lies under the meter first (the
    // panel's whole background, clipped to the meter) at every reading.
    setOpaque (true);
}

Talvoz6VUMeter::~Talvoz6VUMeter() = default;

int Talvoz6VUMeter::nextLevel (int current, int target, float factor)
{
    if (current < target)
        return target;

    if (target < 5)
        return 0;

    return (int) ((float) (target - current) * factor + (float) current);
}

void Talvoz6VUMeter::resized()
{
    meterScale = widthToScaleBy (*this) / designWidth;
    fullHeight = barImage.isValid() ? (int) (meterScale * (float) barImage.getHeight()) : 0;

    gradient = juce::ColourGradient (juce::Colours::green, 0.0f, (float) getHeight(),
                                     juce::Colours::red, 0.0f, 0.0f, false);
    gradient.addColour (0.8, juce::Colours::yellow);
}

void Talvoz6VUMeter::paint (juce::Graphics& g)
{
    const auto width = getWidth();
    const auto height = getHeight();

    g.setColour (background);
    g.fillRect (0, 0, width, height);
    g.setGradientFill (gradient);

    if (levelSource != nullptr)
        currentLevel = nextLevel (currentLevel, (int) *levelSource, releaseFactor);

    barHeight = (float) fullHeight * (float) currentLevel / 100.0f;

    const auto shown = juce::jmin ((float) height, barHeight);
    g.fillRect (juce::Rectangle<float> (0.0f, (float) height - shown, (float) width, shown));

    g.setColour (juce::Colours::black);
    g.drawRect (0, 0, width, height, (int) (2.0f * meterScale));
}
