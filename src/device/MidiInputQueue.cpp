#include "device/MidiInputQueue.h"

#include <utility>

MidiInputQueue::MidiInputQueue()
    : incoming (makeRings()), spare (makeRings())
{
}

MidiInputQueue::~MidiInputQueue() = default;

MidiInputQueue::Rings MidiInputQueue::makeRings()
{
    const auto ring = [] (int slots)
    {
        Ring r;
        r.slots = std::make_unique<Slot[]> (static_cast<size_t> (slots));
        r.mask = slots - 1;
        return r;
    };

    return { ring (answerCapacity), ring (capacity) };
}

MidiInputQueue::Overflow MidiInputQueue::replaceOldest (Ring& ring, bool answer, juce::MidiMessage& message, std::uint64_t order)
{
    // The oldest slot becomes the newest end of the ring.
    auto& slot = ring.at (0);
    std::swap (slot.message, message);
    slot.order = order;
    ring.head = (ring.head + 1) & ring.mask;

    auto& lane = answer ? answersOverflow : periodicOverflow;
    ++lane.dropped;
    lane.droppedSinceDrain = true;

    const auto overflowStarts = ! lane.overflowing;
    lane.overflowing = true;

    if (! overflowStarts)
        return Overflow::none;

    return answer ? Overflow::answersStart : Overflow::periodicStarts;
}

MidiInputQueue::Rings MidiInputQueue::takeAll()
{
    // A drain inside another finds the spare in use and makes rings of its own.
    auto taken = std::exchange (spare, Rings {});
    if (! taken.isMade())
        taken = makeRings();

    const juce::ScopedLock sl (lock);
    std::swap (incoming, taken);

    // An overflow lasts until a drain finds that nothing was dropped since the one before: the
    // message thread has caught up, and the next drop starts a new overflow.
    for (auto* lane : { &answersOverflow, &periodicOverflow })
    {
        lane->overflowing = lane->droppedSinceDrain;
        lane->droppedSinceDrain = false;
    }

    return taken;
}

void MidiInputQueue::giveBack (Rings rings)
{
    for (auto* ring : { &rings.answers, &rings.periodic })
    {
        ring->head = 0;
        ring->count = 0;
    }

    if (! spare.isMade())
        spare = std::move (rings);
}

int MidiInputQueue::size() const
{
    const juce::ScopedLock sl (lock);
    return incoming.answers.count + incoming.periodic.count;
}

std::int64_t MidiInputQueue::numDropped() const
{
    const juce::ScopedLock sl (lock);
    return answersOverflow.dropped + periodicOverflow.dropped;
}

std::int64_t MidiInputQueue::numAnswersDropped() const
{
    const juce::ScopedLock sl (lock);
    return answersOverflow.dropped;
}
