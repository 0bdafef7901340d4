#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Small helpers for the widget tests: rendering into images and reading them back. */
namespace WidgetTestHelpers
{
    /** A cleared ARGB image with a Graphics context drawing into it. */
    struct Canvas
    {
        Canvas (int w, int h) : image (juce::Image::ARGB, w, h, true), g (image) {}

        juce::Image image;
        juce::Graphics g;
    };

    /** The number of rows, from the top, in which column x has any non-transparent pixel. */
    inline int paintedRowsInColumn (const juce::Image& image, int x)
    {
        int rows = 0;

        for (int y = 0; y < image.getHeight(); ++y)
            if (image.getPixelAt (x, y).getAlpha() > 0)
                ++rows;

        return rows;
    }

    /** The bounding box of every pixel that is not fully transparent. */
    inline juce::Rectangle<int> paintedBounds (const juce::Image& image)
    {
        int left = image.getWidth(), top = image.getHeight(), right = -1, bottom = -1;

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getAlpha() > 0)
                {
                    left = juce::jmin (left, x);
                    right = juce::jmax (right, x);
                    top = juce::jmin (top, y);
                    bottom = juce::jmax (bottom, y);
                }

        return right < 0 ? juce::Rectangle<int>() : juce::Rectangle<int> (left, top, right - left + 1, bottom - top + 1);
    }

    /** An opaque test picture whose every pixel differs by position. */
    inline juce::Image gradientPicture (int w, int h)
    {
        juce::Image image (juce::Image::ARGB, w, h, false);

        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixelAt (x, y, juce::Colour ((juce::uint8) (x * 255 / juce::jmax (1, w - 1)),
                                                      (juce::uint8) (y * 255 / juce::jmax (1, h - 1)), (juce::uint8) 40));

        return image;
    }

    /** A knob or thumb picture of one opaque colour, so that its painted bounds are its own. */
    inline juce::Image solidKnob (int w, int h)
    {
        juce::Image knob (juce::Image::ARGB, w, h, true);
        knob.clear (knob.getBounds(), juce::Colours::orange);
        return knob;
    }

    /** A parent of the given width, so that widgets scale as they do on a panel of that width. */
    struct Panel : juce::Component
    {
        explicit Panel (int width, int height = 1360) { setSize (width, height); }
    };
}
