#include "panel/MainComponent.h"

void MainComponent::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage&)
{
}

void MainComponent::handleAsyncUpdate()
{
}
