#include "platform/AllocatorTuning.h"
#include "support/ChildTestRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
 #include <malloc.h>
#endif

namespace
{
    constexpr const char* freshProcessMarker = "TALVO_TEST_FRESH_HEAP";
}

TEST (AllocatorTuning, EveryFreedLargeBufferGoesBackToTheSystem)
{
    // The panel applies the settings before its heap holds anything. After other tests, glibc
    // hands out a large free chunk of the heap before it maps anything: a process of its own.
    const auto child = ChildTestRun::run ("AllocatorTuningInAFreshProcess.DISABLED_EveryFreedLargeBufferGoesBackToTheSystem",
                                          {}, freshProcessMarker);
    ASSERT_TRUE (child.started);
    EXPECT_EQ (child.exitCode, 0) << child.output;
    if (child.output.contains ("[  SKIPPED ]"))
        GTEST_SKIP() << child.output.fromFirstOccurrenceOf ("Skipped", false, false).trim().upToFirstOccurrenceOf ("\n", false, false);
}

// Runs only in the child that the test above starts.
TEST (AllocatorTuningInAFreshProcess, DISABLED_EveryFreedLargeBufferGoesBackToTheSystem)
{
    if (! ChildTestRun::isChild (freshProcessMarker))
        GTEST_SKIP() << "runs only in a process of its own";

    if (! AllocatorTuning::apply())
        GTEST_SKIP() << "this allocator (a sanitizer's, or another C library's) keeps its own settings";

   #if defined(__GLIBC__)
    constexpr std::size_t pictureBytes = 1024 * 1024;
    char* volatile buffer = nullptr;   // volatile: the allocations are what is tested

    // Left alone, glibc serves the second buffer from the heap, whose pages stay with the process.
    for (int i = 0; i < 2; ++i)
    {
        const auto mappedBefore = mallinfo2().hblkhd;
        buffer = static_cast<char*> (std::malloc (pictureBytes));
        ASSERT_NE (buffer, nullptr);
        std::memset (buffer, 1, pictureBytes);

        EXPECT_GE (mallinfo2().hblkhd - mappedBefore, pictureBytes) << "buffer " << i;

        std::free (buffer);
        EXPECT_EQ (mallinfo2().hblkhd, mappedBefore) << "buffer " << i;
    }
   #endif
}
