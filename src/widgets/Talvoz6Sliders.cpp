#include "widgets/Talvoz6Sliders.h"

TalvoVSlider::TalvoVSlider()
    : juce::Slider (juce::Slider::LinearVertical, juce::Slider::NoTextBox)
{
    setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
}

TalvoVSlider::~TalvoVSlider() = default;

TalvoHSlider::TalvoHSlider()
    : juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox)
{
    setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
}

TalvoHSlider::~TalvoHSlider() = default;
