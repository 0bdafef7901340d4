#pragma once

#include <juce_graphics/juce_graphics.h>

/** Writes an image as an 8-bit palette PNG (colour type 3), opaque.

    The framework's PNG writer only produces true-colour files; a few pictures of the panel are
    palette pictures. Colours are reduced to at most 256 by median cut. Returns false when the
    stream could not be written.
*/
bool writePalettePng (const juce::Image& image, juce::OutputStream& out);
