#pragma once

#include <juce_core/juce_core.h>

/** The text of a pan or balance value (-1 .. +1), as the value bubble shows it: "Pan: Center",
    "Pan: 30% Right", "Pan: 100% Left". The value is rounded to one decimal first, halves away
    from zero. Pure code, any thread.
*/
juce::String panText (double value);
