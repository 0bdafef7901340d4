#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <memory>

/** Incoming MIDI messages on their way from the MIDI input thread to the message thread.

    It holds at most `capacity` messages. When it is full, each new message takes the place of the
    oldest one, which is dropped and counted. Every report of the interface carries the whole value
    of what it reports, so a later report of the same thing overwrites an earlier one anyway: the
    newest reports are the interface's current state, and keeping them is what lets the mirror end
    right after a stall. Dropping the newest would leave the mirror showing the state from before
    the stall until the interface happened to report each value again.

    The storage is two rings of `capacity` slots, made at construction: push moves its copy into a
    free slot, and a drain exchanges the filled ring for the empty one. A message thread that stalls
    for any length of time therefore costs at most the rings and one burst's worth of copies, and
    nothing grows or stays behind after it.

    push runs on the MIDI input thread, drain and the readers on the message thread (size and
    numDropped on any thread). The lock is held to place one message or to exchange the rings.
*/
class MidiInputQueue final
{
public:
    /** The interface reports over a MIDI link of 31.25 kbit/s: at most about 350 of its 9-byte
        reports a second, and about 30 in its largest burst, the state dump. The message thread
        drains every few milliseconds; the longest the panel itself holds it while reports can
        arrive is the 300 ms a sample-rate change may wait for the hardware (about 105 reports).
        1024 slots hold three seconds of a saturated link, so no real burst loses anything, and
        cost 24 KB a ring.
    */
    static constexpr int capacity = 1024;

    MidiInputQueue();
    ~MidiInputQueue();

    /** MIDI input thread. Queues a copy of the message, dropping the oldest one when full. True
        when this message started an overflow: the first drop since a drain last found none, so the
        caller can say so once rather than for every message.
    */
    bool push (const juce::MidiMessage& message)
    {
        // The copy (a heap block for any message longer than 8 bytes, which every report is) is
        // made before the lock; when the queue is full it comes back holding the dropped message,
        // which is freed after the lock. Defined here so that the common case, a free slot, is
        // inlined into the input thread's callback.
        juce::MidiMessage copy (message);
        const juce::ScopedLock sl (lock);

        if (incoming.count == capacity)
            return replaceOldest (copy);

        // A free slot holds no heap copy (it is new or was emptied by a drain), so the framework's
        // move assignment, which does not free the target's block, loses nothing.
        incoming.at (incoming.count) = std::move (copy);
        ++incoming.count;
        return false;
    }

    /** Message thread. Takes every queued message and hands each to handle (a callable taking a
        const juce::MidiMessage&), in arrival order. Messages that arrive meanwhile wait for the next
        drain. A drain run from inside handle takes only those later messages.
    */
    template <typename Handler>
    void drain (Handler&& handle)
    {
        auto taken = takeAll();

        for (int i = 0; i < taken.count; ++i)
        {
            auto& message = taken.at (i);
            handle (static_cast<const juce::MidiMessage&> (message));

            // Copying an empty message in frees the slot's heap copy; a move would leave it behind.
            message = emptySlot;
        }

        giveBack (std::move (taken));
    }

    /** Number of messages waiting. */
    int size() const;
    bool isEmpty() const { return size() == 0; }

    /** Number of messages dropped since construction because the queue was full. */
    std::int64_t numDropped() const;

private:
    struct Ring
    {
        std::unique_ptr<juce::MidiMessage[]> slots;
        int head = 0;
        int count = 0;

        juce::MidiMessage& at (int index) { return slots[static_cast<size_t> ((head + index) & (capacity - 1))]; }
    };

    static_assert ((capacity & (capacity - 1)) == 0, "the rings wrap with a mask");

    inline static const juce::MidiMessage emptySlot {};

    /** Called by push with the lock held and the queue full: message takes the oldest one's place
        and comes back holding it.
    */
    bool replaceOldest (juce::MidiMessage& message);
    Ring takeAll();
    void giveBack (Ring ring);

    juce::CriticalSection lock;
    Ring incoming;            ///< filled by push; guarded by lock
    Ring spare;               ///< message thread only: the next drain's exchange
    std::int64_t dropped = 0; ///< guarded by lock
    bool droppedSinceDrain = false;
    bool overflowing = false;

    JUCE_DECLARE_NON_COPYABLE (MidiInputQueue)
};
