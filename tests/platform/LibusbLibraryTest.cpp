#include "platform/linux/LibusbLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

TEST (LibusbLibrary, LoadsOnceFromAnyThreadOrSaysWhyNot)
{
    std::vector<const LibusbLibrary*> seen (8);
    std::vector<std::thread> threads;

    for (auto& s : seen)
        threads.emplace_back ([&s] { s = &LibusbLibrary::get(); });

    for (auto& t : threads)
        t.join();

    EXPECT_EQ (std::count (seen.begin(), seen.end(), seen[0]), 8);
    EXPECT_TRUE (seen[0]->isAvailable()) << seen[0]->whyUnavailable();
    EXPECT_STREQ (seen[0]->libusb_error_name (LIBUSB_ERROR_NO_DEVICE), "LIBUSB_ERROR_NO_DEVICE");

    const LibusbLibrary missing ("libtalvo-no-such-library.so.0");
    EXPECT_FALSE (missing.isAvailable());
    EXPECT_TRUE (missing.whyUnavailable().startsWith ("libtalvo-no-such-library.so.0 cannot be loaded (")) << missing.whyUnavailable();
    EXPECT_TRUE (missing.whyUnavailable().contains ("No such file")) << missing.whyUnavailable();
    EXPECT_EQ (missing.libusb_init, nullptr);

    // A library that loads but is not libusb.
    const LibusbLibrary notLibusb ("libudev.so.1");
    EXPECT_FALSE (notLibusb.isAvailable());
    EXPECT_TRUE (notLibusb.whyUnavailable().startsWith ("libudev.so.1 has no libusb_")) << notLibusb.whyUnavailable();
}
