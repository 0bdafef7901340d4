#pragma once

#include <cstddef>
#include <optional>

/** A picture's width and height in pixels. */
struct PictureSize
{
    int width = 0;
    int height = 0;

    bool operator== (const PictureSize& other) const { return width == other.width && height == other.height; }
};

/** The size a PNG file declares in its header, read without decoding the picture: lets a window
    take a picture's size at start and decode the picture only when it is first drawn. Empty for
    anything that is not a PNG header with a size from 1 to 2^31 - 1 on each side.
*/
std::optional<PictureSize> pngPictureSize (const void* data, std::size_t size);
