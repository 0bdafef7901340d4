#include "panel/MainComponent.h"

void MainComponent::setInputOptions (int option, juce::ComboBox* combo, juce::ImageButton* phantomButton)
{
    if (combo == nullptr)
        return;

    combo->clear (juce::dontSendNotification);
    if (phantomButton != nullptr)
        phantomButton->setVisible (false);

    if (option == micOption)
    {
        combo->addItem ("MIC", 3);
        combo->setSelectedId (3, juce::dontSendNotification);

        // A disabled panel keeps the button hidden until it is enabled again.
        if (phantomButton != nullptr && phantomButton->isEnabled())
            phantomButton->setVisible (true);
    }
    else if (option == lineOption)
    {
        combo->addItem ("LINE", 1);
        combo->addItem ("HI-Z", 2);
        combo->setSelectedId (1, juce::dontSendNotification);
    }
}
