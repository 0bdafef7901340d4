#include "device/MidiInputQueue.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace
{
    /** A 9-byte message (so its copy lives on the heap) carrying the number n < 16384. */
    juce::MidiMessage numbered (int n)
    {
        const std::uint8_t bytes[] { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x70, std::uint8_t (n & 0x7F), std::uint8_t (n >> 7), 0xF7 };
        return juce::MidiMessage (bytes, 9);
    }

    /** A 10-byte source-level report, an answer, carrying the number n < 16384. */
    juce::MidiMessage numberedAnswer (int n)
    {
        const std::uint8_t bytes[] { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x00, std::uint8_t (n & 0x7F), std::uint8_t (n >> 7), 0x00, 0xF7 };
        return juce::MidiMessage (bytes, 10);
    }

    int numberOf (const juce::MidiMessage& m) { return m.getRawData()[6] | (m.getRawData()[7] << 7); }

    std::vector<int> drainNumbers (MidiInputQueue& queue)
    {
        std::vector<int> numbers;
        queue.drain ([&] (const juce::MidiMessage& m) { numbers.push_back (numberOf (m)); });
        return numbers;
    }

    /** Pushes first .. end-1; returns how many pushes said an overflow started. */
    int pushRange (MidiInputQueue& queue, int first, int end)
    {
        int starts = 0;
        for (int n = first; n < end; ++n)
            starts += queue.push (numbered (n)) != MidiInputQueue::Overflow::none ? 1 : 0;
        return starts;
    }
}

TEST (MidiInputQueue, AFullQueueKeepsTheNewestInOrderCountsTheRestAndReportsEachOverflowOnce)
{
    constexpr int capacity = MidiInputQueue::capacity;
    MidiInputQueue queue;

    EXPECT_EQ (pushRange (queue, 0, 3 * capacity + 5), 1);  // three times round the ring
    EXPECT_EQ (queue.numDropped(), 2 * capacity + 5);
    std::vector<int> newest (capacity);
    std::iota (newest.begin(), newest.end(), 2 * capacity + 5);
    EXPECT_EQ (drainNumbers (queue), newest);

    // Dropping right after that drain continues the same overflow; a drain that finds nothing
    // dropped ends it.
    EXPECT_EQ (pushRange (queue, 0, capacity + 1), 0);
    drainNumbers (queue);
    drainNumbers (queue);
    EXPECT_EQ (pushRange (queue, 0, capacity + 1), 1);
    EXPECT_EQ (queue.numDropped(), 2 * capacity + 7);
}

TEST (MidiInputQueue, ADrainFromInsideADrainTakesOnlyTheLaterMessagesAndBothRingsStillWork)
{
    MidiInputQueue queue;
    pushRange (queue, 1, 3);

    std::vector<int> seen;
    queue.drain ([&] (const juce::MidiMessage& m)
    {
        seen.push_back (numberOf (m));
        if (seen.size() == 1 && queue.push (numbered (3)) == MidiInputQueue::Overflow::none)
            queue.drain ([&] (const juce::MidiMessage& later) { seen.push_back (numberOf (later)); });
    });
    pushRange (queue, 4, 5);
    seen.push_back (drainNumbers (queue).at (0));

    EXPECT_EQ (seen, (std::vector<int> { 1, 3, 2, 4 }));
}

TEST (MidiInputQueue, AnswersSurviveAFloodOfReadingsAndEachLaneDropsItsOwnOldestInArrivalOrder)
{
    using Overflow = MidiInputQueue::Overflow;
    constexpr int readingSlots = MidiInputQueue::capacity;
    constexpr int answerSlots = MidiInputQueue::answerCapacity;

    struct Run
    {
        bool answers;
        int count;
    };

    struct Case
    {
        const char* name;
        std::vector<Run> runs;
        std::vector<Overflow> expectedStarts;
    };

    const Case cases[] {
        { "answers, then three queues of readings", { { true, 2 }, { false, 3 * readingSlots } }, { Overflow::periodicStarts } },
        { "answers among the readings",             { { false, 700 }, { true, 5 }, { false, 700 }, { true, 1 }, { false, 10 } }, { Overflow::periodicStarts } },
        { "a full answer lane, nothing dropped",    { { true, answerSlots }, { false, readingSlots } }, {} },
        { "a device flooding answers",              { { false, 3 }, { true, 3 * answerSlots }, { false, 2 * readingSlots } },
                                                    { Overflow::answersStart, Overflow::periodicStarts } },
    };

    for (const auto& c : cases)
    {
        MidiInputQueue queue;
        std::vector<std::pair<bool, int>> sent;
        std::vector<Overflow> starts;

        for (const auto& run : c.runs)
            for (int k = 0; k < run.count; ++k)
            {
                const auto n = static_cast<int> (sent.size());
                sent.emplace_back (run.answers, n);
                const auto overflow = queue.push (run.answers ? numberedAnswer (n) : numbered (n));
                if (overflow != Overflow::none)
                    starts.push_back (overflow);
            }

        // Each lane keeps its newest; what is kept comes out in the order it came in.
        std::vector<int> expected;
        int answersLeft = answerSlots, readingsLeft = readingSlots;
        for (auto it = sent.rbegin(); it != sent.rend(); ++it)
            if ((it->first ? answersLeft : readingsLeft)-- > 0)
                expected.insert (expected.begin(), it->second);

        EXPECT_EQ (starts, c.expectedStarts) << c.name;
        EXPECT_EQ (queue.numDropped(), static_cast<std::int64_t> (sent.size() - expected.size())) << c.name;
        EXPECT_EQ (drainNumbers (queue), expected) << c.name;
    }
}
