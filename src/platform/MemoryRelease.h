#pragma once

#include <cstddef>

/** Giving memory the program no longer needs back to the system. */

/** Gives the system back the memory pages that hold part of the program's own read-only data,
    such as embedded pictures that have been decoded: the bytes stay in the program's file and are
    read in again if touched. Only whole pages inside a loaded segment that nothing ever writes
    (not even the loader) are given back; bytes anywhere else are left alone. Any thread.

    @returns how many bytes were given back
*/
std::size_t releaseReadOnlyDataPages (const void* data, std::size_t size);

/** Gives the system back the whole pages of the heap that nothing holds any longer, such as what
    decoding pictures used at start-up. Any thread.
*/
void releaseFreeHeapPages();
