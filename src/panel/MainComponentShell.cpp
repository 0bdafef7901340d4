#include "mixer/SettingsFile.h"
#include "panel/MainComponent.h"

namespace
{
    constexpr int factoryWindowWidth = 323;
    constexpr int factoryWindowHeight = 884;
}

juce::PropertiesFile* MainComponent::getUserSettings()
{
    return m_appProperties.getUserSettings();
}

void MainComponent::savedWindowPosition (juce::String state)
{
    if (auto* settings = getUserSettings())
        settings->setValue (SettingsFile::Keys::windowPosition, state);
}

void MainComponent::setFactoryDefaults()
{
    if (auto* window = getParentComponent())
    {
        window->setVisible (false);
        window->centreWithSize (factoryWindowWidth, factoryWindowHeight);
    }
}
