#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

/** A small lamp for one MIDI port: a steady state (green off, red on) and a blink on activity.

    A blink runs its own 50 ms timer for seven ticks: the dark frame on odd counts, the steady
    frame otherwise, then the timer stops. The owner writes the steady state and starts blinks;
    the lamp decides nothing about MIDI itself. Message thread only.
*/
class MIDISignalLED final : public juce::Component,
                            public juce::Timer
{
public:
    MIDISignalLED();
    ~MIDISignalLED() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void timerCallback() override;

    /** Writes the steady state and repaints. */
    void setSteadyState (bool on);

    /** Starts a blink, restarting one that runs. */
    void startBlink();

    /** The frame paint draws now (null before the first layout). */
    const juce::Image& currentFrame() const;

    /** Whether the blink timer runs. */
    bool isBlinking() const         { return isTimerRunning(); }

    /** Ticks of the running blink, 0 to 6. */
    std::uint8_t blinkCount = 0;

    /** The steady lamp state, written by the owner. */
    bool steadyState = false;

    /** No blink is running. */
    bool idle = true;

    /** Sprite frame 0, the dark lamp of a blink's dark beats. */
    juce::Image blinkImage;

    /** Sprite frame 1, shown while steadyState is false. */
    juce::Image offImage;

    /** Sprite frame 2, shown while steadyState is true. */
    juce::Image onImage;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MIDISignalLED)
};
