#include "device/MidiInputQueue.h"

#include <utility>

namespace
{
    std::unique_ptr<juce::MidiMessage[]> makeSlots()
    {
        return std::make_unique<juce::MidiMessage[]> (static_cast<size_t> (MidiInputQueue::capacity));
    }
}

MidiInputQueue::MidiInputQueue()
{
    incoming.slots = makeSlots();
    spare.slots = makeSlots();
}

MidiInputQueue::~MidiInputQueue() = default;

bool MidiInputQueue::replaceOldest (juce::MidiMessage& message)
{
    // The oldest slot becomes the newest end of the ring.
    std::swap (incoming.at (0), message);
    incoming.head = (incoming.head + 1) & (capacity - 1);

    ++dropped;
    droppedSinceDrain = true;

    const auto overflowStarts = ! overflowing;
    overflowing = true;
    return overflowStarts;
}

MidiInputQueue::Ring MidiInputQueue::takeAll()
{
    // A drain inside another finds the spare in use and makes a ring of its own.
    auto taken = std::exchange (spare, Ring {});
    if (taken.slots == nullptr)
        taken.slots = makeSlots();

    const juce::ScopedLock sl (lock);
    std::swap (incoming, taken);

    // An overflow lasts until a drain finds that nothing was dropped since the one before: the
    // message thread has caught up, and the next drop starts a new overflow.
    overflowing = droppedSinceDrain;
    droppedSinceDrain = false;

    return taken;
}

void MidiInputQueue::giveBack (Ring ring)
{
    ring.head = 0;
    ring.count = 0;

    if (spare.slots == nullptr)
        spare = std::move (ring);
}

int MidiInputQueue::size() const
{
    const juce::ScopedLock sl (lock);
    return incoming.count;
}

std::int64_t MidiInputQueue::numDropped() const
{
    const juce::ScopedLock sl (lock);
    return dropped;
}
