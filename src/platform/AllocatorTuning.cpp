#include "platform/AllocatorTuning.h"

#include <cstdlib>   // before the check below: glibc names itself in the headers it brings

#if defined(__GLIBC__)
 #include <malloc.h>
#endif

namespace AllocatorTuning
{
    bool apply()
    {
       #if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // A sanitizer serves every allocation itself; some accept these calls, none follows them.
        return false;
       #elif defined(__GLIBC__)
        // Decoding and rescaling pictures takes buffers of a megabyte or more that live briefly.
        // glibc raises its threshold for separate mappings to the size of each one freed, so the
        // later ones come from the heap, whose pages stay with the process after use; a fixed
        // threshold gives every large buffer its own mapping, returned to the system when freed.
        constexpr int largeBufferBytes = 128 * 1024;

        // A heap of each thread's own keeps a few hundred kilobytes of partly used pages, and the
        // busiest pair, the MIDI input thread copying reports and the message thread freeing
        // them, runs bursts as fast with one.
        constexpr int oneHeap = 1;

        const auto thresholdSet = mallopt (M_MMAP_THRESHOLD, largeBufferBytes) != 0;
        const auto heapsSet = mallopt (M_ARENA_MAX, oneHeap) != 0;
        return thresholdSet && heapsSet;
       #else
        return false;
       #endif
    }
}
