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

    // The bar at full height, drawn once per size: a paint copies the rows it shows.
    fullBar = {};

    if (! getLocalBounds().isEmpty())
    {
        fullBar = juce::Image (juce::Image::RGB, getWidth(), getHeight(), false);
        juce::Graphics g (fullBar);
        g.setGradientFill (gradient);
        g.fillRect (getLocalBounds());
    }
}

void Talvoz6VUMeter::paint (juce::Graphics& g)
{
    if (levelSource != nullptr)
        currentLevel = nextLevel (currentLevel, (int) *levelSource, releaseFactor);

    barHeight = (float) fullHeight * (float) currentLevel / 100.0f;

    const auto shown = juce::jmin ((float) getHeight(), barHeight);

    // The full bar's rows and the outline's whole pixels are those of the meter's own size: in a
    // context that scales (a display scale above 1) the meter is drawn as it always was.
    if (fullBar.isValid() && juce::approximatelyEqual (g.getInternalContext().getPhysicalPixelScaleFactor(), 1.0f))
        paintFromFullBar (g, shown);
    else
        paintAsGradient (g, shown);
}

void Talvoz6VUMeter::paintAsGradient (juce::Graphics& g, float shown) const
{
    g.setColour (background);
    g.fillRect (getLocalBounds());
    g.setGradientFill (gradient);
    g.fillRect (juce::Rectangle<float> (0.0f, (float) getHeight() - shown, (float) getWidth(), shown));

    g.setColour (juce::Colours::black);
    g.drawRect (getLocalBounds(), outlineThickness());
}

void Talvoz6VUMeter::paintFromFullBar (juce::Graphics& g, float shown) const
{
    const auto width = getWidth();
    const auto height = getHeight();
    const auto top = (float) height - shown;

    // The gradient's colours are opaque, so a row that the bar covers in full shows them whatever
    // lay under it: such rows are copied from the full bar. The framework fills a fractional
    // rectangle to 1/256 of a pixel, so the row that the bar's top cuts through, if it cuts one,
    // is filled over the background as before: the only row blended at each paint.
    const auto topInSubpixels = shown > 0.0f ? juce::roundToInt (top * 256.0f) : height * 256;
    const auto cutsARow = topInSubpixels % 256 != 0;
    const auto firstWholeRow = topInSubpixels / 256 + (cutsARow ? 1 : 0);

    g.setColour (background);
    g.fillRect (0, 0, width, firstWholeRow);

    if (cutsARow)
    {
        g.setGradientFill (gradient);
        g.fillRect (juce::Rectangle<float> (0.0f, top, (float) width, (float) firstWholeRow - top));
    }

    if (firstWholeRow < height)
    {
        const auto rows = height - firstWholeRow;
        g.drawImage (fullBar, 0, firstWholeRow, width, rows, 0, firstWholeRow, width, rows);
    }

    // What Graphics::drawRect draws, as whole-pixel rectangles: drawRect takes the path for
    // fractional edges, which cost as much as the rest of the paint.
    auto area = getLocalBounds();
    const auto thickness = outlineThickness();
    juce::RectangleList<int> outline;
    outline.addWithoutMerging (area.removeFromTop (thickness));
    outline.addWithoutMerging (area.removeFromBottom (thickness));
    outline.addWithoutMerging (area.removeFromLeft (thickness));
    outline.addWithoutMerging (area.removeFromRight (thickness));

    g.setColour (juce::Colours::black);
    g.fillRectList (outline);
}

int Talvoz6VUMeter::outlineThickness() const
{
    return (int) (2.0f * meterScale);
}
