#include "platform/linux/LibusbRawDevice.h"

#include "platform/linux/LibusbLibrary.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace
{
/** How many of this process's threads carry the name libusb gives its event thread. */
int libusbEventThreads()
{
    int count = 0;

    for (const auto& task : juce::File ("/proc/self/task").findChildFiles (juce::File::findDirectories, false))
        if (task.getChildFile ("comm").loadFileAsString().trim() == "libusb_event")
            ++count;

    return count;
}
} // namespace

TEST (LibusbSession, StartsOnlyWhenADeviceIsFirstOpenedAndThenOnce)
{
    int failures = 0;
    const auto before = libusbEventThreads();

    {
        auto session = std::make_shared<LibusbSession> ([&failures] (const juce::String&) { ++failures; });
        LibusbRawDevice device (session, 0, 0);
        EXPECT_EQ (libusbEventThreads(), before) << "a panel with no interface starts nothing";

        // Whether libusb can start here or not, every user gets the same answer, told once.
        libusb_context* seen[4] {};
        std::thread users[4];
        for (int i = 0; i < 4; ++i)
            users[i] = std::thread ([&, i] { seen[i] = session->context(); });
        for (auto& user : users)
            user.join();

        for (auto* context : seen)
            EXPECT_EQ (context, seen[0]);
        EXPECT_EQ (failures, seen[0] == nullptr ? 1 : 0);
        EXPECT_NE (device.open(), 0) << "no device has address 0";
        EXPECT_EQ (failures, seen[0] == nullptr ? 1 : 0);
    }

    EXPECT_EQ (libusbEventThreads(), before);
}

TEST (LibusbSession, SaysOnceWhenLibusbCannotBeLoadedAndOpensNothing)
{
    juce::StringArray failures;
    std::mutex failuresLock;

    {
        auto session = std::make_shared<LibusbSession> (
            [&] (const juce::String& why)
            {
                const std::scoped_lock lock (failuresLock);
                failures.add (why);
            },
            []() -> const LibusbLibrary&
            {
                static const LibusbLibrary missing ("libtalvo-no-such-library.so.0");
                return missing;
            });
        LibusbRawDevice device (session, 1, 1);
        std::uint8_t number = 9, value = 9;

        // Nothing that has no open device may reach for the missing table.
        EXPECT_EQ (device.getNumberOfConfigurations (number), LIBUSB_ERROR_NO_DEVICE);
        EXPECT_EQ (number, 0);
        EXPECT_EQ (device.getConfigurationValue (0, value), LIBUSB_ERROR_NO_DEVICE);
        EXPECT_EQ (device.setConfiguration (1), LIBUSB_ERROR_NO_DEVICE);
        EXPECT_TRUE (failures.isEmpty()) << "nothing is loaded before a device is opened";

        std::thread users[4];
        for (auto& user : users)
            user = std::thread ([&] { EXPECT_EQ (session->context(), nullptr); });
        for (auto& user : users)
            user.join();

        EXPECT_EQ (device.open(), LIBUSB_ERROR_NOT_SUPPORTED);
        EXPECT_EQ (device.open(), LIBUSB_ERROR_NOT_SUPPORTED);
        EXPECT_EQ (device.close(), 0);

        ASSERT_EQ (failures.size(), 1);
        EXPECT_TRUE (failures[0].startsWith ("libtalvo-no-such-library.so.0 cannot be loaded (")) << failures[0];
    }

    EXPECT_EQ (failures.size(), 1) << "ending the session reports nothing";
}
