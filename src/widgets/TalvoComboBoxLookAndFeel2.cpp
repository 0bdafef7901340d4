#include "widgets/TalvoComboBoxLookAndFeel2.h"

TalvoComboBoxLookAndFeel2::~TalvoComboBoxLookAndFeel2() = default;

void TalvoComboBoxLookAndFeel2::drawComboBox (juce::Graphics&, int, int, bool, int, int, int, int, juce::ComboBox&)
{
}
