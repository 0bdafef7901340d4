#pragma once

#include <juce_core/juce_core.h>

typedef struct _UMockdevTestbed UMockdevTestbed;

/** A umockdev test bed holding USB devices as the kernel shows them: the interface (with its
    USB interface and an ALSA card beneath) or any other device. Works only in a process that runs
    with umockdev's preload library; create it before anything opens udev.
*/
class MockUdevBed final
{
public:
    MockUdevBed();
    ~MockUdevBed();

    /** True when the process runs under the preload library, so that udev sees the bed. */
    static bool isActive();

    /** Runs the test named by filter in a child under umockdev's preload library, with the
        environment variable marker set, and expects it to pass; skips when umockdev is missing.
    */
    static void runTestInChild (const juce::String& filter, const char* marker);

    struct UsbStrings
    {
        juce::String vendorId = "7a1c", productId = "0025";
        juce::String manufacturer = "OVK Vantoraklang GmbH", product = "Talvo z3";
    };

    /** Adds a USB device (with "add" events); with a card number, an ALSA card with one playback
        and one capture stream beneath it. Returns the USB device's sysfs path.
    */
    juce::String addUsbDevice (const juce::String& name, const UsbStrings&, int cardNumber = -1);

    /** Sends "remove" events for the device (the kernel sends one; more test that a repeated
        one does no harm), then takes it and what is beneath it away.
    */
    void remove (const juce::String& syspath, int removeEvents = 1);

    /** Adds the interface's USB device alone, with a device node that libusb can open, the
        descriptors of one configuration (value 1), and the given configuration active. Sends no
        event. Returns its sysfs path, empty on failure.
    */
    juce::String addOpenableUsbDevice (const juce::String& name, int activeConfiguration);

    JUCE_DECLARE_NON_COPYABLE (MockUdevBed)

private:
    juce::String add (const char* subsystem, const juce::String& name, const juce::String& parent,
                      const juce::StringPairArray& attributes, const juce::StringPairArray& properties);

    UMockdevTestbed* bed = nullptr;
    int nextDevnum = 7;
};
