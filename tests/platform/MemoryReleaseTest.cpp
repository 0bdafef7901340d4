#include "platform/MemoryRelease.h"
#include "support/ResidentPages.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <vector>

namespace
{
    constexpr std::size_t patternBytes = 64 * 1024;

    constexpr std::array<std::uint8_t, patternBytes> makePattern()
    {
        std::array<std::uint8_t, patternBytes> bytes {};

        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t> (i * 7 + 3);

        return bytes;
    }

    // Constant data: loaded from the program file into a segment nothing writes.
    const std::array<std::uint8_t, patternBytes> readOnlyPattern = makePattern();

    // Writable data, and pointers: the loader writes these (the pointers before making their
    // pages read-only), so their pages must never be dropped.
    std::array<std::uint8_t, patternBytes> writablePattern = makePattern();

    constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz";

    constexpr std::array<const char*, patternBytes / sizeof (const char*)> makePointers()
    {
        std::array<const char*, patternBytes / sizeof (const char*)> pointers {};

        for (std::size_t i = 0; i < pointers.size(); ++i)
            pointers[i] = letters + i % 26;

        return pointers;
    }

    const std::array<const char*, patternBytes / sizeof (const char*)> relocatedPointers = makePointers();

    template <typename Container>
    std::uint64_t sumOf (const Container& bytes)
    {
        return std::accumulate (bytes.begin(), bytes.end(), std::uint64_t { 0 });
    }
} // namespace

TEST (ReadOnlyDataPages, WholePagesOfConstantDataLeaveMemoryAndReadTheSameAfter)
{
    const auto expected = sumOf (makePattern());
    ASSERT_EQ (sumOf (readOnlyPattern), expected);

    const auto pageSize = static_cast<std::size_t> (sysconf (_SC_PAGESIZE));
    const auto released = releaseReadOnlyDataPages (readOnlyPattern.data(), readOnlyPattern.size());

    // Only whole pages: both ends may share a page with other data.
    EXPECT_GE (released, patternBytes - 2 * pageSize);
    EXPECT_LE (released, patternBytes);
    EXPECT_EQ (released % pageSize, 0u);

    if (const auto resident = isPageResident (readOnlyPattern.data() + patternBytes / 2))
    {
        EXPECT_FALSE (*resident);
    }

    EXPECT_EQ (sumOf (readOnlyPattern), expected);
}

TEST (ReadOnlyDataPages, EverythingElseIsLeftAlone)
{
    const auto expected = sumOf (makePattern());

    EXPECT_EQ (releaseReadOnlyDataPages (writablePattern.data(), writablePattern.size()), 0u);
    EXPECT_EQ (sumOf (writablePattern), expected);

    EXPECT_EQ (releaseReadOnlyDataPages (relocatedPointers.data(), sizeof relocatedPointers), 0u);
    for (std::size_t i = 0; i < relocatedPointers.size(); i += 97)
        EXPECT_EQ (*relocatedPointers[i], letters[i % 26]);

    const auto pattern = makePattern();
    const std::vector<std::uint8_t> onTheHeap (pattern.begin(), pattern.end());
    EXPECT_EQ (releaseReadOnlyDataPages (onTheHeap.data(), onTheHeap.size()), 0u);
    EXPECT_EQ (sumOf (onTheHeap), expected);

    // Less than a whole page, nothing, or no address at all.
    EXPECT_EQ (releaseReadOnlyDataPages (readOnlyPattern.data() + 100, 1000), 0u);
    EXPECT_EQ (releaseReadOnlyDataPages (readOnlyPattern.data(), 0), 0u);
    EXPECT_EQ (releaseReadOnlyDataPages (nullptr, patternBytes), 0u);
    EXPECT_EQ (sumOf (readOnlyPattern), expected);
}
