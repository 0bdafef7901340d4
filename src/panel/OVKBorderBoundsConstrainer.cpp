#include "panel/OVKBorderBoundsConstrainer.h"

void BorderBoundsConstrainer::checkBounds (juce::Rectangle<int>& bounds,
                                           const juce::Rectangle<int>& previous,
                                           const juce::Rectangle<int>& limits,
                                           bool stretchingTop, bool stretchingLeft,
                                           bool stretchingBottom, bool stretchingRight)
{
    const auto topLeft = bounds.getPosition();

    auto client = frameBorder.subtractedFrom (bounds);

    juce::ComponentBoundsConstrainer::checkBounds (client, previous, limits,
                                                   stretchingTop, stretchingLeft,
                                                   stretchingBottom, stretchingRight);

    // Whatever the base class moved is dropped: the corner the user grabbed follows the mouse and
    // the corrections land on the bottom and right edges.
    bounds = { topLeft.x, topLeft.y,
               client.getWidth() + frameBorder.getLeftAndRight(),
               client.getHeight() + frameBorder.getTopAndBottom() };
}
