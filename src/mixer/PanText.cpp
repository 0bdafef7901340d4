#include "mixer/PanText.h"

#include <cmath>

juce::String panText (double value)
{
    const auto rounded = std::round (value * 10.0) / 10.0;

    // The framework's double-to-text gives at most six significant digits and no trailing zeros.
    if (rounded > 0.0)
        return "Pan: " + juce::String (rounded * 100.0) + "% Right";

    if (rounded < 0.0)
        return "Pan: " + juce::String (-rounded * 100.0) + "% Left";

    return "Pan: Center";
}
