#include "mixer/TalvoSliderOperations.h"

#include "mixer/MixerModel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>

StereoLevels balanceLaw (double level, double floor, double balance) noexcept
{
    const auto full = std::max (floor, level);

    // The attenuation is written as m - (1 -/+ b) * m rather than b * m so that the stored
    // levels come out bit for bit as the panel has always computed them.
    if (balance > 0.0)
        return { std::max (floor, level + (floor - (1.0 - balance) * floor)), full };

    if (balance < 0.0)
        return { full, std::max (floor, level + (floor - (1.0 + balance) * floor)) };

    return { full, full };
}

FaderAndBalance faderAndBalanceForLevels (double left, double right, double floor) noexcept
{
    const auto hi = left > right ? left : right;
    const auto lo = left > right ? right : left;

    const auto leftAudible = left > floor;
    const auto rightAudible = right > floor;

    double difference = mixerFloorDb;
    if (leftAudible && rightAudible)
        difference = std::max (floor, lo) - std::max (floor, hi);
    else if (leftAudible || rightAudible)
        difference = floor;

    const auto amount = std::max (floor, difference) / floor;
    auto balance = right > left ? amount : -amount;

    if (left <= mixerFloorDb && right <= mixerFloorDb)
        balance = 0.0;

    return { std::max (floor, hi), balance };
}

void getLeftRightLevelWithBalance (double& left, double& right,
                                   juce::Slider* levelSlider, juce::Slider* balanceSlider)
{
    const auto level = levelSlider != nullptr ? levelSlider->getValue() : 0.0;
    const auto floor = levelSlider != nullptr ? levelSlider->getMinimum() : mixerFloorDb;
    const auto balance = balanceSlider != nullptr ? balanceSlider->getValue() : 0.0;

    const auto levels = balanceLaw (level, floor, balance);
    left = levels.left;
    right = levels.right;
}

void levelsToFaderAndBalance (double left, double right,
                              juce::Slider* levelFader, juce::Slider* balanceSlider)
{
    const auto floor = levelFader != nullptr ? levelFader->getMinimum() : mixerFloorDb;
    const auto positions = faderAndBalanceForLevels (left, right, floor);

    if (levelFader != nullptr)
        levelFader->setValue (positions.fader, juce::dontSendNotification);

    if (balanceSlider != nullptr)
        balanceSlider->setValue (positions.balance, juce::dontSendNotification);
}
