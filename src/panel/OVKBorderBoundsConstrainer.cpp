#include "panel/OVKBorderBoundsConstrainer.h"

#include <cmath>

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

bool BorderBoundsConstrainer::fits (juce::Rectangle<int> clientArea) const
{
    const auto width = clientArea.getWidth();
    const auto height = clientArea.getHeight();

    return width >= getMinimumWidth() && width <= getMaximumWidth()
        && height >= getMinimumHeight() && height <= getMaximumHeight()
        && std::abs (width - height * getFixedAspectRatio()) <= 1.0;
}

juce::Rectangle<int> BorderBoundsConstrainer::correctedClientArea (juce::Rectangle<int> clientArea,
                                                                   juce::Rectangle<int> previousClientArea)
{
    // An edge the user drags moves while the one opposite stays.
    const auto top = clientArea.getY() != previousClientArea.getY() && clientArea.getBottom() == previousClientArea.getBottom();
    const auto bottom = clientArea.getBottom() != previousClientArea.getBottom() && clientArea.getY() == previousClientArea.getY();
    const auto left = clientArea.getX() != previousClientArea.getX() && clientArea.getRight() == previousClientArea.getRight();
    const auto right = clientArea.getRight() != previousClientArea.getRight() && clientArea.getX() == previousClientArea.getX();

    if (! (top || bottom || left || right))
        return largestClientAreaWithin (clientArea);

    return constrainedClientArea (clientArea, previousClientArea, top, left, bottom, right);
}

juce::Rectangle<int> BorderBoundsConstrainer::largestClientAreaWithin (juce::Rectangle<int> room)
{
    // Held at one edge, the ratio is kept by shortening the side that is too long for it.
    const auto tooWide = room.getWidth() > room.getHeight() * getFixedAspectRatio();
    return constrainedClientArea (room, room, false, false, tooWide, ! tooWide);
}

juce::Rectangle<int> BorderBoundsConstrainer::constrainedClientArea (juce::Rectangle<int> clientArea,
                                                                     juce::Rectangle<int> previousClientArea,
                                                                     bool top, bool left, bool bottom, bool right)
{
    auto window = frameBorder.addedTo (clientArea);
    checkBounds (window, frameBorder.addedTo (previousClientArea), {}, top, left, bottom, right);
    return frameBorder.subtractedFrom (window);
}

juce::Rectangle<int> BorderBoundsConstrainer::startClientArea (juce::Rectangle<int> startSize, juce::Rectangle<int> userArea)
{
    const auto room = frameBorder.subtractedFrom (userArea);

    auto client = startSize.getWidth() <= room.getWidth() && startSize.getHeight() <= room.getHeight()
                    ? startSize
                    : largestClientAreaWithin (room).withZeroOrigin();

    client.setCentre (userArea.getCentre());

    // A frame wider than the room on one side goes back in; where it cannot fit, its top-left
    // corner stays in.
    auto framed = frameBorder.addedTo (client);
    framed.setPosition (juce::jmax (userArea.getX(), juce::jmin (framed.getX(), userArea.getRight() - framed.getWidth())),
                        juce::jmax (userArea.getY(), juce::jmin (framed.getY(), userArea.getBottom() - framed.getHeight())));
    return frameBorder.subtractedFrom (framed);
}
