#include "platform/linux/LibusbRawDevice.h"

#include <gtest/gtest.h>

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
