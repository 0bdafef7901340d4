#pragma once

#include "dialogs/MakerWebAddress.h"

#include "mixer/MixerModel.h"
#include "widgets/Talvoz6ComboBox.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The content of the modal settings dialog: sample rate, firmware versions, the factory-default
    and monitoring resets, the start of the firmware updater and the hardware-control permission.

    It holds no device logic. Choices and the reset buttons become action messages for the panel's
    action listener; "OK" ends the enclosing dialog's modal state with 0 and "Start Updater" with 1.
    The panel pushes fresh state in with updateMixer. The "USB Buffer:" and "Buffer Size:" rows are
    built and stay hidden.

    Message thread only. The enclosing juce::DialogWindow owns it.
*/
class TalvoSettingsWindow final : public juce::Component,
                                  public juce::Button::Listener,
                                  public juce::ActionBroadcaster
{
public:
    /** The size the panel gives the dialog's content. */
    static constexpr int contentWidth = 500, contentHeight = 350;

    /** hwControl is the panel's hardware-control permission; mixer gives the rate in Hz. */
    TalvoSettingsWindow (bool hwControl, Talvoz6Mixer& mixer);
    ~TalvoSettingsWindow() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void buttonClicked (juce::Button*) override;

    /** Refreshes the firmware texts and the three selections; never notifies. */
    void updateMixer (Talvoz6Mixer& mixer);

    /** The state of the hardware-control toggle. */
    bool getHWCtrlSettings() const;

    /** The text of a reported firmware version ("1.17"); empty for 0. */
    static juce::String extractFirmwareVersion (int version);

    /** Fills box with one item per list value, skipping the 0 placeholder (list index = item id),
        and selects, without notification, the item whose number reads as current does.
    */
    static void initTheComboBox (juce::ComboBox* box, juce::Array<juce::Value> list, double current, juce::String unit);

    /** Modal results of the enclosing dialog. */
    enum ModalResult
    {
        closedResult = 0,
        startUpdaterResult = 1
    };

    //==============================================================================
    TalvoComboBoxLookAndFeel comboLookAndFeel;

    juce::TextButton okButton { "OK" };
    juce::Label factoryResetLabel { {}, "Factory Defaults:" };
    juce::TextButton factoryResetButton { "Reset" };
    juce::Label monitoringResetLabel { {}, "Monitoring:" };
    juce::TextButton monitoringResetButton { "Reset" };
    juce::TextButton updaterButton { "Start Updater" };
    juce::Label sampleRateLabel { {}, "Sample Rate:" };
    juce::ComboBox sampleRateBox;
    juce::Label usbBufferLabel { {}, "USB Buffer:" };
    juce::ComboBox usbBufferBox;
    juce::Label bufferSizeLabel { {}, "Buffer Size:" };
    juce::ComboBox bufferSizeBox;
    juce::Label hwControlLabel { {}, "Allow control when the device is controlled by software:" };
    juce::ToggleButton hwControlToggle;
    juce::Label updaterLabel { {}, "Firmware Updater:" };
    juce::Label currentFirmwareLabel { {}, "Current Firmware:" };
    juce::Label firmwareVersion1Label { {}, "RWA: v" };
    juce::Label firmwareVersion2Label { {}, "STC: v" };

    double currentSampleRate = 0.0;  ///< Hz until the first updateMixer, then kHz when above 1000
    int currentUsbBuffer = 0;
    int currentBufferSize = 0;

    juce::Label websiteLabel { {}, "Visit Website:" };

    /** The maker's web page. Its text and address are set here, where it is built: copying a URL
        into it later with setURL trips the framework's empty-buffer copy under the
        undefined-behaviour checker.
    */
    juce::HyperlinkButton websiteLink { juce::URL (makerWebAddress).getDomain(), juce::URL (makerWebAddress) };

    juce::Rectangle<int> column1, column2, column3;

    juce::Array<juce::Value> sampleRateList;  ///< kHz, index = item id; index 0 is a placeholder
    juce::Array<juce::Value> bufferSizeList;  ///< samples
    juce::Array<juce::Value> usbBufferList;

private:
    /** Sends prefix + the list value of the box's selected id (nothing behind it outside the list). */
    void sendChoice (const char* prefix, const juce::Array<juce::Value>& list, const juce::ComboBox& box);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoSettingsWindow)
};
