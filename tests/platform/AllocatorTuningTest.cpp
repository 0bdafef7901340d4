#include "platform/AllocatorTuning.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__)
 #include <malloc.h>
#endif

TEST (AllocatorTuning, EveryFreedLargeBufferGoesBackToTheSystem)
{
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
