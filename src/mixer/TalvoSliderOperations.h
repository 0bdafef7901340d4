#pragma once

namespace juce { class Slider; }

/** The balance law that turns a level fader and a pan/balance slider into a left and a right level,
    and its inverse. The pure functions serve tests and callers without controls; the slider
    overloads are what the panel's handlers call. Message thread for the slider overloads.
*/
struct StereoLevels
{
    double left = 0.0;
    double right = 0.0;
};

struct FaderAndBalance
{
    double fader = 0.0;
    double balance = 0.0;
};

/** Left and right level (dB) for a fader at `level` with range minimum `floor`, balance -1..+1.
    A balance to the right keeps the right side at the fader level and lowers the left one.
*/
StereoLevels balanceLaw (double level, double floor, double balance) noexcept;

/** Fader and balance positions that give back (left, right) under balanceLaw, before the sliders
    round them to their steps.
*/
FaderAndBalance faderAndBalanceForLevels (double left, double right, double floor) noexcept;

/** The balance law on the panel's sliders. Without a level fader the level is 0 dB and the floor
    -90 dB; without a balance slider the balance is centred.
*/
void getLeftRightLevelWithBalance (double& left, double& right,
                                   juce::Slider* levelSlider, juce::Slider* balanceSlider);

/** Sets a fader and a balance slider from a stored left/right pair without notifying their
    listeners. Either slider may be null.
*/
void levelsToFaderAndBalance (double left, double right,
                              juce::Slider* levelFader, juce::Slider* balanceSlider);
