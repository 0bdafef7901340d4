#include "platform/MemoryRelease.h"

#if defined(__linux__)
#include <link.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
namespace
{
    struct Span
    {
        std::uintptr_t begin = 0;
        std::uintptr_t end = 0;
    };

    struct SegmentSearch
    {
        std::uintptr_t address = 0;
        Span readOnlySegment; ///< empty unless the address lies in a segment mapped read-only
    };

    /** A segment without write permission is mapped straight from the file and never written:
        relocated data is loaded writable and only made read-only afterwards, so it is excluded.
    */
    int findReadOnlySegment (dl_phdr_info* info, std::size_t, void* context)
    {
        auto& search = *static_cast<SegmentSearch*> (context);

        for (int i = 0; i < info->dlpi_phnum; ++i)
        {
            const auto& header = info->dlpi_phdr[i];

            if (header.p_type != PT_LOAD)
                continue;

            const auto begin = static_cast<std::uintptr_t> (info->dlpi_addr + header.p_vaddr);
            const auto end = begin + header.p_filesz;

            if (search.address < begin || search.address >= end)
                continue;

            if ((header.p_flags & PF_W) == 0)
                search.readOnlySegment = { begin, end };

            return 1;
        }

        return 0;
    }
} // namespace

std::size_t releaseReadOnlyDataPages (const void* data, std::size_t size)
{
    if (data == nullptr || size == 0)
        return 0;

    SegmentSearch search;
    search.address = reinterpret_cast<std::uintptr_t> (data);
    dl_iterate_phdr (findReadOnlySegment, &search);

    if (search.readOnlySegment.end == 0)
        return 0;

    const auto pageSize = static_cast<std::uintptr_t> (sysconf (_SC_PAGESIZE));
    const auto requestedEnd = search.address + std::min<std::uintptr_t> (size, search.readOnlySegment.end - search.address);
    const auto begin = (search.address + pageSize - 1) / pageSize * pageSize;
    const auto end = requestedEnd / pageSize * pageSize;

    if (end <= begin)
        return 0;

    if (madvise (reinterpret_cast<void*> (begin), end - begin, MADV_DONTNEED) != 0)
        return 0;

    return end - begin;
}

void releaseFreeHeapPages()
{
   #if defined(__GLIBC__)
    malloc_trim (0);
   #endif
}
#else
std::size_t releaseReadOnlyDataPages (const void*, std::size_t)
{
    return 0;
}

void releaseFreeHeapPages() {}
#endif
