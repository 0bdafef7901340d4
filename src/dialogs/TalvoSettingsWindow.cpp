#include "dialogs/TalvoSettingsWindow.h"

#include "device/FirmwareVersionText.h"
#include "mixer/ActionCommands.h"

#include <locale>
#include <sstream>

namespace
{
    /** The general decimal form: no fixed number of decimals, no trailing zeros (48.0 is "48"). */
    juce::String generalDecimal (double value)
    {
        std::ostringstream text;
        text.imbue (std::locale::classic());
        text << value;
        return text.str();
    }

    /** A list value's number as the items show it: general form for doubles, digits for ints. */
    juce::String numberText (const juce::var& value)
    {
        return value.isDouble() ? generalDecimal (static_cast<double> (value)) : juce::String (static_cast<int> (value));
    }

    /** The last item whose text contains text, or the current selection when none does. */
    int lastItemContaining (const juce::ComboBox& box, const juce::String& text)
    {
        auto id = box.getSelectedId();

        for (int i = 0; i < box.getNumItems(); ++i)
            if (box.getItemText (i).contains (text))
                id = box.getItemId (i);

        return id;
    }

    void fill (juce::Array<juce::Value>& list, std::initializer_list<juce::var> values)
    {
        for (const auto& v : values)
            list.add (juce::Value (v));
    }

    constexpr int rowHeight = 30;
}

TalvoSettingsWindow::TalvoSettingsWindow (bool hwControl, Talvoz6Mixer& mixer)
{
    fill (sampleRateList, { 0.0, 44.1, 48.0, 88.2, 96.0, 176.4, 192.0 });
    fill (bufferSizeList, { 0, 32, 64, 128, 256, 512, 1024, 2048 });
    fill (usbBufferList, { 0, 2, 3, 4, 5, 6, 7 });

    currentSampleRate = mixer.sampleRate;

    for (auto* component : std::initializer_list<juce::Component*> {
             &okButton, &factoryResetLabel, &factoryResetButton, &monitoringResetLabel,
             &monitoringResetButton, &updaterButton, &sampleRateLabel, &sampleRateBox, &usbBufferLabel,
             &usbBufferBox, &bufferSizeLabel, &bufferSizeBox, &hwControlLabel, &hwControlToggle,
             &updaterLabel, &currentFirmwareLabel, &firmwareVersion1Label, &firmwareVersion2Label,
             &websiteLabel, &websiteLink })
        addAndMakeVisible (component);

    for (auto* button : std::initializer_list<juce::Button*> {
             &okButton, &factoryResetButton, &monitoringResetButton, &updaterButton, &hwControlToggle })
        button->addListener (this);

    hwControlToggle.setToggleState (hwControl, juce::dontSendNotification);

    sampleRateLabel.attachToComponent (&sampleRateBox, true);
    usbBufferLabel.attachToComponent (&usbBufferBox, true);
    bufferSizeLabel.attachToComponent (&bufferSizeBox, true);
    factoryResetLabel.attachToComponent (&factoryResetButton, true);
    monitoringResetLabel.attachToComponent (&monitoringResetButton, true);
    websiteLabel.attachToComponent (&websiteLink, true);

    // Beside its label, as the other rows' values are, not floating in the middle of its row.
    websiteLink.setJustificationType (juce::Justification::centredLeft);

    sampleRateBox.onChange = [this] { sendChoice (ActionCommands::Text::sampleRatePrefix, sampleRateList, sampleRateBox); };
    usbBufferBox.onChange = [this] { sendChoice (ActionCommands::Text::usbBufferPrefix, usbBufferList, usbBufferBox); };
    bufferSizeBox.onChange = [this] { sendChoice (ActionCommands::Text::latencyPrefix, bufferSizeList, bufferSizeBox); };

    // This interface sets neither of these; the rows stay built but out of sight.
    for (auto* component : std::initializer_list<juce::Component*> { &usbBufferLabel, &usbBufferBox, &bufferSizeLabel, &bufferSizeBox })
        component->setVisible (false);

    // The rate is still in Hz here, so no item is selected until updateMixer runs.
    if (currentSampleRate != 0.0)
        initTheComboBox (&sampleRateBox, sampleRateList, currentSampleRate, "Khz");

    initTheComboBox (&usbBufferBox, usbBufferList, currentUsbBuffer, "Buffer");
    initTheComboBox (&bufferSizeBox, bufferSizeList, currentBufferSize, "Samples");
}

TalvoSettingsWindow::~TalvoSettingsWindow()
{
    for (auto* box : { &sampleRateBox, &usbBufferBox, &bufferSizeBox })
        box->setLookAndFeel (nullptr);
}

//==============================================================================
void TalvoSettingsWindow::initTheComboBox (juce::ComboBox* box, juce::Array<juce::Value> list, double current, juce::String unit)
{
    if (box == nullptr)
        return;

    int selected = 0;
    int id = 1;

    for (const auto& value : list)
    {
        const auto v = value.getValue();
        if (v.toString() == "0" || v.toString() == "0.0")
            continue;

        const auto text = numberText (v);
        const auto currentText = v.isDouble() ? generalDecimal (current) : juce::String (static_cast<int> (current));

        if (text == currentText)
            selected = id;

        box->addItem (text + " " + unit, id);
        ++id;
    }

    box->setSelectedId (selected, juce::dontSendNotification);
}

void TalvoSettingsWindow::updateMixer (Talvoz6Mixer& mixer)
{
    firmwareVersion1Label.setText ("RWA: v" + extractFirmwareVersion (mixer.versionRWA), juce::dontSendNotification);
    firmwareVersion2Label.setText ("STC: v" + extractFirmwareVersion (mixer.versionSTC), juce::dontSendNotification);

    currentSampleRate = mixer.sampleRate > 1000.0 ? mixer.sampleRate / 1000.0 : mixer.sampleRate;
    currentUsbBuffer = mixer.usbBuffer;
    currentBufferSize = mixer.bufferSize;

    sampleRateBox.setSelectedId (lastItemContaining (sampleRateBox, generalDecimal (currentSampleRate)), juce::dontSendNotification);
    repaint();

    usbBufferBox.setSelectedId (lastItemContaining (usbBufferBox, juce::String (currentUsbBuffer)), juce::dontSendNotification);
    bufferSizeBox.setSelectedId (lastItemContaining (bufferSizeBox, juce::String (currentBufferSize)), juce::dontSendNotification);
}

bool TalvoSettingsWindow::getHWCtrlSettings() const
{
    return hwControlToggle.getToggleState();
}

juce::String TalvoSettingsWindow::extractFirmwareVersion (int version)
{
    return firmwareVersionText (version);
}

void TalvoSettingsWindow::sendChoice (const char* prefix, const juce::Array<juce::Value>& list, const juce::ComboBox& box)
{
    const auto id = box.getSelectedId();
    const auto value = juce::isPositiveAndBelow (id, list.size()) ? list.getReference (id).toString() : juce::String();
    sendActionMessage (prefix + value);
}

//==============================================================================
void TalvoSettingsWindow::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::grey);
}

void TalvoSettingsWindow::resized()
{
    column1 = { 20, 20, 150, getHeight() };
    column2 = { 130, 20, 150, getHeight() };
    column3 = { 310, 20, 140, getHeight() };

    const auto label = [this] (juce::Component& c, int y) { c.setBounds (column1.getX(), y, column1.getWidth(), rowHeight); };
    const auto control = [this] (juce::Component& c, int y) { c.setBounds (column2.getX(), y, column3.getWidth(), rowHeight); };
    const auto firmware = [this] (juce::Component& c, int y) { c.setBounds (column3.getX(), y, column3.getWidth(), rowHeight); };

    label (sampleRateLabel, 20);
    control (sampleRateBox, 20);
    firmware (currentFirmwareLabel, 20);
    firmware (firmwareVersion1Label, 37);
    firmware (firmwareVersion2Label, 54);
    label (bufferSizeLabel, 55);
    control (bufferSizeBox, 55);
    label (usbBufferLabel, 90);
    control (usbBufferBox, 90);
    label (factoryResetLabel, 125);
    control (factoryResetButton, 125);
    firmware (updaterLabel, 135);
    label (monitoringResetLabel, 160);
    control (monitoringResetButton, 160);
    firmware (updaterButton, 160);

    hwControlLabel.setBounds (column1.getX(), 220, column1.getWidth() + column2.getWidth() + 90, rowHeight);
    hwControlToggle.setBounds (hwControlLabel.getRight() + 15, 220, column3.getWidth(), rowHeight);
    label (websiteLabel, 255);
    websiteLink.setBounds (column2.getX(), 255, column3.getWidth() + column2.getWidth(), rowHeight);
    okButton.setBounds (getWidth() / 2 - 40, getHeight() - 40, 80, rowHeight);

    repaint();
}

void TalvoSettingsWindow::buttonClicked (juce::Button* button)
{
    const auto endModal = [this] (int result)
    {
        if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
            dialog->exitModalState (result);
    };

    if (button == &okButton)
        endModal (closedResult);
    else if (button == &hwControlToggle)
        sendActionMessage (ActionCommands::Text::hwControlSetting);
    else if (button == &monitoringResetButton)
        sendActionMessage (ActionCommands::Text::resetMonitoring);
    else if (button == &factoryResetButton)
        sendActionMessage (ActionCommands::Text::setFactoryDefault);
    else if (button == &updaterButton)
        endModal (startUpdaterResult);
}
