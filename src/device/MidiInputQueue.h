#pragma once

#include "device/ProtocolParser.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <memory>

/** Incoming MIDI messages on their way from the MIDI input thread to the message thread.

    Messages wait in two lanes, told apart by ProtocolParser::isAnswer. Answers (levels, input
    configs, flags, versions, the serial number) come once, after a request the panel makes once:
    losing one leaves the mirror wrong for the session. Meter readings and MIDI activity come
    again every few milliseconds, and the rest is not read at all. So when the queue is full,
    only the second kind gives way: each new one takes the place of the oldest of its lane, which
    is dropped and counted. The newest readings are the interface's current state, and keeping
    them is what lets the meters end right after a stall.

    Answers have a lane of their own, far larger than anything the panel can have asked for
    before the message thread drains. Only a device that floods it with answers nobody asked for
    overflows it; then the oldest answer gives way as well (each report carries the whole value
    it reports, so the newest still win), which keeps memory bounded whatever arrives.

    Every message carries its place in the arrival order, and a drain hands over both lanes
    merged in that order.

    The storage is two pairs of rings, made at construction: push moves its copy into a free
    slot, and a drain exchanges the filled pair for the empty one. A message thread that stalls
    for any length of time therefore costs at most the rings and their copies, and nothing grows
    or stays behind after it.

    push runs on the MIDI input thread, drain and the readers on the message thread (size and
    the drop counts on any thread). The lock is held to place one message or to exchange the
    rings.
*/
class MidiInputQueue final
{
public:
    /** Slots for meter readings, MIDI activity and what the panel does not read.

        The interface reports over a MIDI link of 31.25 kbit/s: at most about 350 of its 9-byte
        reports a second. The message thread drains every few milliseconds; the longest the panel
        itself holds it while reports can arrive is the 300 ms a sample-rate change may wait for
        the hardware (about 105 reports). 1024 slots hold three seconds of a saturated link.
    */
    static constexpr int capacity = 1024;

    /** Slots for answers. The largest answer the panel asks for, the state dump, is about 30
        messages; 256 hold eight of them waiting at once, more than the panel's requests can
        bring in before a drain.
    */
    static constexpr int answerCapacity = 256;

    /** What a push did besides queueing the message. */
    enum class Overflow
    {
        none,            ///< nothing dropped, or the overflow already said goes on
        periodicStarts,  ///< the first reading or unread message dropped since the lane last kept up
        answersStart     ///< the first answer dropped since the answer lane last kept up
    };

    MidiInputQueue();
    ~MidiInputQueue();

    /** MIDI input thread. Queues a copy of the message; when its lane is full, the lane's oldest
        message is dropped. Says when this started an overflow of the lane, so that the caller can
        say so once rather than for every message.
    */
    Overflow push (const juce::MidiMessage& message)
    {
        const auto answer = ProtocolParser::isAnswer (message.getRawData(), static_cast<std::size_t> (message.getRawDataSize()));

        // The copy (a heap block for any message longer than 8 bytes, which every report is) is
        // made before the lock; when the lane is full it comes back holding the dropped message,
        // which is freed after the lock. Defined here so that the common case, a free slot, is
        // inlined into the input thread's callback.
        juce::MidiMessage copy (message);
        const juce::ScopedLock sl (lock);
        auto& ring = answer ? incoming.answers : incoming.periodic;
        const auto order = nextOrder++;

        if (ring.isFull())
            return replaceOldest (ring, answer, copy, order);

        // A free slot holds no heap copy (it is new or was emptied by a drain), so the framework's
        // move assignment, which does not free the target's block, loses nothing.
        auto& slot = ring.at (ring.count);
        slot.message = std::move (copy);
        slot.order = order;
        ++ring.count;
        return Overflow::none;
    }

    /** Message thread. Takes every queued message and hands each to handle (a callable taking a
        const juce::MidiMessage&), in arrival order. Messages that arrive meanwhile wait for the next
        drain. A drain run from inside handle takes only those later messages.
    */
    template <typename Handler>
    void drain (Handler&& handle)
    {
        auto taken = takeAll();
        auto& answers = taken.answers;
        auto& periodic = taken.periodic;
        int a = 0, p = 0;

        while (a < answers.count || p < periodic.count)
        {
            const auto fromAnswers = p == periodic.count
                                  || (a < answers.count && answers.at (a).order < periodic.at (p).order);
            auto& slot = fromAnswers ? answers.at (a++) : periodic.at (p++);
            handle (static_cast<const juce::MidiMessage&> (slot.message));

            // Copying an empty message in frees the slot's heap copy; a move would leave it behind.
            slot.message = emptySlot;
        }

        giveBack (std::move (taken));
    }

    /** Number of messages waiting. */
    int size() const;
    bool isEmpty() const { return size() == 0; }

    /** Number of messages dropped since construction because their lane was full. */
    std::int64_t numDropped() const;

    /** How many of those were answers. */
    std::int64_t numAnswersDropped() const;

private:
    struct Slot
    {
        juce::MidiMessage message;
        std::uint64_t order = 0;   ///< place in the arrival order
    };

    struct Ring
    {
        std::unique_ptr<Slot[]> slots;
        int mask = 0;   ///< slots - 1; the sizes are powers of two
        int head = 0;
        int count = 0;

        bool isFull() const noexcept { return count == mask + 1; }
        Slot& at (int index) { return slots[static_cast<size_t> ((head + index) & mask)]; }
    };

    struct Rings
    {
        Ring answers;
        Ring periodic;

        bool isMade() const noexcept { return answers.slots != nullptr; }
    };

    /** One lane's overflow, guarded by lock. */
    struct Overflowing
    {
        std::int64_t dropped = 0;
        bool droppedSinceDrain = false;
        bool overflowing = false;
    };

    static_assert ((capacity & (capacity - 1)) == 0 && (answerCapacity & (answerCapacity - 1)) == 0,
                   "the rings wrap with a mask");

    inline static const juce::MidiMessage emptySlot {};

    /** Called by push with the lock held and the lane full: message takes the oldest one's
        place and comes back holding it.
    */
    Overflow replaceOldest (Ring& ring, bool answer, juce::MidiMessage& message, std::uint64_t order);

    static Rings makeRings();
    Rings takeAll();
    void giveBack (Rings rings);

    juce::CriticalSection lock;
    Rings incoming;                 ///< filled by push; guarded by lock
    Rings spare;                    ///< message thread only: the next drain's exchange
    std::uint64_t nextOrder = 0;    ///< guarded by lock
    Overflowing answersOverflow, periodicOverflow;

    JUCE_DECLARE_NON_COPYABLE (MidiInputQueue)
};
