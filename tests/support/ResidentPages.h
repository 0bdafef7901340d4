#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <unistd.h>

/** Whether the page holding this address is in the process's memory now, as the kernel's page
    map tells it; empty where the page map cannot be read.
*/
inline std::optional<bool> isPageResident (const void* address)
{
    const auto pageSize = static_cast<std::uintptr_t> (sysconf (_SC_PAGESIZE));
    const auto page = reinterpret_cast<std::uintptr_t> (address) / pageSize;

    auto* map = std::fopen ("/proc/self/pagemap", "rb");

    if (map == nullptr)
        return std::nullopt;

    std::uint64_t entry = 0;
    const auto read = std::fseek (map, static_cast<long> (page * sizeof entry), SEEK_SET) == 0
                      && std::fread (&entry, sizeof entry, 1, map) == 1;
    std::fclose (map);

    if (! read)
        return std::nullopt;

    return (entry >> 63) != 0;
}
