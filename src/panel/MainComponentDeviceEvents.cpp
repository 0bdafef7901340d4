#include "device/RawUsbDeviceLayer.h"
#include "device/RegisterDeviceCallBacksMac.h"
#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"

#include <mutex>
#include <set>

namespace
{
    // A property change may still be on its way from the audio thread when its panel goes; it
    // checks here, under the message-manager lock, that the panel is still there.
    std::mutex livePanelsLock;
    std::set<const void*> livePanels;

    bool isLivePanel (const void* context)
    {
        const std::lock_guard<std::mutex> guard (livePanelsLock);
        return livePanels.count (context) > 0;
    }
}

void MainComponent::connectDeviceEvents()
{
    {
        const std::lock_guard<std::mutex> guard (livePanelsLock);
        livePanels.insert (this);
    }

    initDevice (&MainComponent::OnApiCallback, this, usbVendorId, usbProductId,
                "Talvo z3", "Talvo z3", "OVK Vantoraklang GmbH");
}

void MainComponent::disconnectDeviceEvents()
{
    {
        const std::lock_guard<std::mutex> guard (livePanelsLock);
        livePanels.erase (this);
    }

    if (mydeviceStruct.context.load() == this)
        releaseDeviceNotifications();
}

void MainComponent::OnApiCallback (void* context, void*, OVK_CallbackEvent event)
{
    if (context == nullptr)
        return;

    // On the audio hardware's thread this waits for the message thread; the hardware may ask that
    // thread to exit, which gives up the wait.
    const juce::MessageManagerLock lock (juce::Thread::getCurrentThread());

    if (! lock.lockWasGained() || ! isLivePanel (context))
        return;

    static_cast<MainComponent*> (context)->handleDeviceEvent (event);
}

void MainComponent::handleDeviceEvent (OVK_CallbackEvent event)
{
    JUCE_ASSERT_MESSAGE_MANAGER_IS_LOCKED

    switch (event)
    {
        case devicePropertyChanged:
            startTimer (sampleRateSyncTimer, TimerIntervals::sampleRateSyncInterval);
            break;

        case deviceRemoved:
        {
            // A removal inside the restore window: the restore and the state request would
            // otherwise enable the panel and mark a state restored with no interface there.
            stopTimer (restoreStateTimer);
            stopTimer (stateRequestTimer);

            m_mixer.versionRWA = 0;
            m_mixer.versionSTC = 0;
            stopTimer (firmwareCheckTimer);
            m_updateButton.setVisible (false);

            // The interface plugged in next may carry other firmware: its check may start the
            // updater once again.
            m_updaterLeftFirmwareUnchanged = false;

            m_stateRestoredOnce = m_stateRestoredOnce || m_stateRestored;

            if (m_stateRestoredOnce)
            {
                // The save writes the mixer keys only with the state marked as restored.
                m_stateRestored = true;
                saveProperties();
            }

            m_stateRestored = false;

            startTimer (disableControlsTimer, TimerIntervals::disableControlsDelay);
            gInAudioObjectID = 0;
            gOutAudioObjectID = 0;
            startTimer (hideUpdateButtonTimer, TimerIntervals::hideUpdateButtonDelay);
            break;
        }

        case deviceArrived:
        {
            m_updateButton.setVisible (false);

            double inRate = 0.0, outRate = 0.0;
            readNominalSampleRate (gInAudioObjectID, inRate);
            const auto outStatus = readNominalSampleRate (gOutAudioObjectID, outRate);

            if (inRate != outRate && outStatus == 0)
                hw_setSampleRate (outRate);

            m_mixer.sampleRate = hw_getAlignedSampleRate();
            m_mixer.usbBuffer = 0;
            m_mixer.bufferSize = 0;
            refreshSettingsDialog();

            startTimer (midiPortScanTimer, TimerIntervals::portScanFirstDelay);
            startTimer (firmwareCheckTimer, TimerIntervals::firmwareCheckDelay);
            startTimer (deviceArrivedTimer, TimerIntervals::deviceArrivedDelay);
            repaint();
            break;
        }

        case systemWillSleep:
        case systemWillPowerOn:
        case systemHasPoweredOn:
        default:
            break;
    }
}
