#include "support/MockUdevBed.h"

#include "support/ChildTestRun.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstdlib>

MockUdevBed::MockUdevBed() : bed (umockdev_testbed_new()) {}

MockUdevBed::~MockUdevBed()
{
    if (bed != nullptr)
        g_object_unref (bed);
}

void MockUdevBed::runTestInChild (const juce::String& filter, const char* marker)
{
    const auto wrapper = ChildTestRun::findProgram ("umockdev-wrapper");

    if (wrapper.isEmpty())
        GTEST_SKIP() << "umockdev is not installed (Debian package umockdev)";

    const auto child = ChildTestRun::run (filter, wrapper, marker);
    ASSERT_TRUE (child.started);
    EXPECT_EQ (child.exitCode, 0) << child.output;
    EXPECT_TRUE (child.output.contains ("[  PASSED  ] 1 test")) << child.output;
}

bool MockUdevBed::isActive()
{
    // umockdev's own check answers only once a bed holds a device.
    const char* preload = std::getenv ("LD_PRELOAD");
    return preload != nullptr && juce::String (preload).contains ("libumockdev-preload");
}

juce::String MockUdevBed::add (const char* subsystem, const juce::String& name, const juce::String& parent,
                               const juce::StringPairArray& attributes, const juce::StringPairArray& properties)
{
    // umockdev takes NULL-terminated name/value lists.
    std::vector<std::string> texts[2];
    std::vector<gchar*> lists[2];
    const juce::StringPairArray* sources[2] = { &attributes, &properties };

    for (int l = 0; l < 2; ++l)
    {
        for (const auto& key : sources[l]->getAllKeys())
        {
            texts[l].push_back (key.toStdString());
            texts[l].push_back ((*sources[l])[key].toStdString());
        }

        for (auto& t : texts[l])
            lists[l].push_back (t.data());

        lists[l].push_back (nullptr);
    }

    gchar* path = umockdev_testbed_add_devicev (bed, subsystem, name.toRawUTF8(),
                                                parent.isEmpty() ? nullptr : parent.toRawUTF8(),
                                                lists[0].data(), lists[1].data());
    const auto result = juce::String::fromUTF8 (path != nullptr ? path : "");
    g_free (path);
    return result;
}

juce::String MockUdevBed::addUsbDevice (const juce::String& name, const UsbStrings& s, int cardNumber)
{
    juce::StringPairArray attributes, properties;
    attributes.set ("idVendor", s.vendorId);
    attributes.set ("idProduct", s.productId);
    attributes.set ("manufacturer", s.manufacturer);
    attributes.set ("product", s.product);
    attributes.set ("bcdDevice", "0100");
    const auto devnum = nextDevnum++;
    attributes.set ("busnum", "1");
    attributes.set ("devnum", juce::String (devnum));
    attributes.set ("bConfigurationValue", "1");
    properties.set ("DEVTYPE", "usb_device");
    properties.set ("DEVNAME", "/dev/bus/usb/001/" + juce::String (devnum).paddedLeft ('0', 3));
    const auto usbPath = add ("usb", name, {}, attributes, properties);

    if (cardNumber < 0)
        return usbPath;

    juce::StringPairArray interfaceProperties;
    interfaceProperties.set ("DEVTYPE", "usb_interface");
    const auto interfacePath = add ("usb", name + ":1.0", usbPath, {}, interfaceProperties);

    juce::StringPairArray cardAttributes;
    cardAttributes.set ("id", "z3");
    cardAttributes.set ("number", juce::String (cardNumber));
    const auto card = "card" + juce::String (cardNumber);
    const auto cardPath = add ("sound", card, interfacePath, cardAttributes, {});

    for (auto direction : { "p", "c" })
        add ("sound", "pcmC" + juce::String (cardNumber) + "D0" + direction, cardPath, {}, {});

    return usbPath;
}

void MockUdevBed::remove (const juce::String& syspath, int removeEvents)
{
    // This umockdev sends no event when a device goes; the kernel would, so the bed does.
    for (int i = 0; i < removeEvents; ++i)
        umockdev_testbed_uevent (bed, syspath.toRawUTF8(), "remove");

    umockdev_testbed_remove_device (bed, syspath.toRawUTF8());
}

juce::String MockUdevBed::addOpenableUsbDevice (const juce::String& name, int activeConfiguration)
{
    // Only a recorded device gets a node in the bed's /dev, which libusb opens.
    const auto devnum = nextDevnum++;
    const auto node = "bus/usb/001/" + juce::String (devnum).paddedLeft ('0', 3);

    // The device (18 bytes), its one configuration (value 1) and that configuration's audio
    // control interface, as the kernel shows them in "descriptors".
    const juce::String descriptors = "12010002EF0201401C7A2500000101020001"
                                     "090212000101008032"
                                     "090400000001010000";

    juce::String record;
    record << "P: /devices/" << name << "\n"
           << "N: " << node << "\n"
           << "E: DEVNAME=/dev/" << node << "\n"
           << "E: DEVTYPE=usb_device\n"
           << "E: SUBSYSTEM=usb\n"
           << "A: idVendor=7a1c\nA: idProduct=0025\nA: bcdDevice=0100\n"
           << "A: manufacturer=OVK Vantoraklang GmbH\nA: product=Talvo z3\n"
           << "A: busnum=1\nA: devnum=" << devnum << "\n"
           << "A: bConfigurationValue=" << activeConfiguration << "\n"
           << "H: descriptors=" << descriptors << "\n\n";

    GError* error = nullptr;
    umockdev_testbed_add_from_string (bed, record.toRawUTF8(), &error);

    if (error != nullptr)
    {
        g_error_free (error);
        return {};
    }

    return "/sys/devices/" + name;
}
