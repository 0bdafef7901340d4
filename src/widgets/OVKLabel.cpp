#include "widgets/OVKLabel.h"

OVKdBLabelLookAndFeel::~OVKdBLabelLookAndFeel() = default;

juce::Font OVKdBLabelLookAndFeel::getLabelFont (juce::Label& label)
{
    const juce::MessageManagerLock lock (juce::Thread::getCurrentThread());

    if (! lock.lockWasGained())
        return labelFont;

    int height = 20;
    labelFont.setHeight ((float) height);
    auto width = labelFont.getStringWidthFloat (referenceText);
    measurementsInLastSearch = 1;

    while (width > (float) label.getWidth() && height > 0)
    {
        --height;
        labelFont.setHeight ((float) height);
        width = labelFont.getStringWidthFloat (referenceText);
        ++measurementsInLastSearch;
    }

    return juce::Font (height > 0 ? (float) juce::jmin (height, 10000) : 0.1f);
}
