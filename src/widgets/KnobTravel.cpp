#include "widgets/KnobTravel.h"

#include <algorithm>

namespace KnobTravel
{
int travelInset (int crossSize)
{
    return std::min (12, (int) ((float) crossSize * 0.5f));
}

float sliderPosition (int length, int crossSize, double proportion, bool vertical)
{
    const auto inset = travelInset (crossSize);
    const auto travel = std::max (0, length - 2 * inset);
    proportion = std::clamp (proportion, 0.0, 1.0);
    return (float) (inset + (vertical ? 1.0 - proportion : proportion) * travel);
}

int horizontalKnobLeft (float sliderPos, int knobWidth)
{
    return (int) (sliderPos - (float) (knobWidth / 2));
}

int verticalKnobTop (float sliderPos, int knobHeight, float s)
{
    auto top = (int) (sliderPos - (float) (knobHeight / 2));

    if (-11.0f * s > (float) top)
        top = (int) (-11.0f * s);
    else if ((float) top > 322.0f * s)
        top = (int) (322.0f * s);

    return top;
}

int scaledKnobSize (int designSize, float s)
{
    return (int) ((float) designSize * s);
}

float verticalKnobCentre (int width, int height, float s, int knobHeight, double proportion)
{
    const auto knob = scaledKnobSize (knobHeight, s);
    const auto top = verticalKnobTop (sliderPosition (height, width, proportion, true), knob, s);
    return (float) top + (float) knob * 0.5f;
}

float horizontalKnobCentre (int width, int height, float s, int knobWidth, double proportion)
{
    const auto knob = scaledKnobSize (knobWidth, s);
    const auto left = horizontalKnobLeft (sliderPosition (width, height, proportion, false), knob);
    return (float) left + (float) knob * 0.5f;
}
} // namespace KnobTravel
