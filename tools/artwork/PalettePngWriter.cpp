#include "PalettePngWriter.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace
{
using Rgb = std::array<uint8_t, 3>;

uint32_t crc32 (const uint8_t* data, size_t size, uint32_t crc = 0xffffffffu)
{
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= data[i];

        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }

    return crc;
}

void writeBigEndian (juce::MemoryOutputStream& out, uint32_t value)
{
    const uint8_t bytes[] = { (uint8_t) (value >> 24), (uint8_t) (value >> 16), (uint8_t) (value >> 8), (uint8_t) value };
    out.write (bytes, 4);
}

void writeChunk (juce::MemoryOutputStream& out, const char* type, const juce::MemoryBlock& data)
{
    juce::MemoryBlock typed (type, 4);
    typed.append (data.getData(), data.getSize());
    writeBigEndian (out, (uint32_t) data.getSize());
    out.write (typed.getData(), typed.getSize());
    writeBigEndian (out, crc32 ((const uint8_t*) typed.getData(), typed.getSize()) ^ 0xffffffffu);
}

struct Box
{
    std::vector<std::pair<Rgb, int>> colours;

    int widestChannel (int& range) const
    {
        int best = 0;
        range = -1;

        for (int c = 0; c < 3; ++c)
        {
            auto [lo, hi] = std::minmax_element (colours.begin(), colours.end(),
                                                 [c] (auto& a, auto& b) { return a.first[(size_t) c] < b.first[(size_t) c]; });
            const int r = hi->first[(size_t) c] - lo->first[(size_t) c];

            if (r > range)
            {
                range = r;
                best = c;
            }
        }

        return best;
    }

    Rgb average() const
    {
        double sum[3] = {}, weight = 0.0;

        for (auto& [rgb, count] : colours)
        {
            for (size_t c = 0; c < 3; ++c)
                sum[c] += rgb[c] * (double) count;

            weight += count;
        }

        return { (uint8_t) (sum[0] / weight + 0.5), (uint8_t) (sum[1] / weight + 0.5), (uint8_t) (sum[2] / weight + 0.5) };
    }
};

std::vector<Rgb> medianCut (const std::map<Rgb, int>& histogram)
{
    std::vector<Box> boxes (1);

    for (auto& entry : histogram)
        boxes[0].colours.push_back (entry);

    while (boxes.size() < 256)
    {
        int bestBox = -1, bestRange = 0;

        for (size_t i = 0; i < boxes.size(); ++i)
        {
            int range = 0;
            boxes[i].widestChannel (range);

            if (boxes[i].colours.size() > 1 && range > bestRange)
            {
                bestRange = range;
                bestBox = (int) i;
            }
        }

        if (bestBox < 0)
            break;

        auto& box = boxes[(size_t) bestBox];
        int range = 0;
        const auto channel = (size_t) box.widestChannel (range);
        std::sort (box.colours.begin(), box.colours.end(), [channel] (auto& a, auto& b) { return a.first[channel] < b.first[channel]; });

        long long total = 0, running = 0;

        for (auto& c : box.colours)
            total += c.second;

        size_t split = 1;

        for (; split < box.colours.size() - 1; ++split)
        {
            running += box.colours[split - 1].second;

            if (running * 2 >= total)
                break;
        }

        Box upper;
        upper.colours.assign (box.colours.begin() + (long) split, box.colours.end());
        box.colours.resize (split);
        boxes.push_back (std::move (upper));
    }

    std::vector<Rgb> palette;

    for (auto& b : boxes)
        palette.push_back (b.average());

    return palette;
}
} // namespace

bool writePalettePng (const juce::Image& image, juce::OutputStream& stream)
{
    const int w = image.getWidth(), h = image.getHeight();
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);

    std::map<Rgb, int> histogram;

    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const auto c = pixels.getPixelColour (x, y);
            ++histogram[{ c.getRed(), c.getGreen(), c.getBlue() }];
        }

    std::vector<Rgb> palette;

    if (histogram.size() <= 256)
        for (auto& entry : histogram)
            palette.push_back (entry.first);
    else
        palette = medianCut (histogram);

    std::map<Rgb, uint8_t> nearest;

    auto indexOf = [&] (const Rgb& rgb)
    {
        if (auto it = nearest.find (rgb); it != nearest.end())
            return it->second;

        int best = 0, bestDistance = 1 << 30;

        for (size_t i = 0; i < palette.size(); ++i)
        {
            const int dr = rgb[0] - palette[i][0], dg = rgb[1] - palette[i][1], db = rgb[2] - palette[i][2];
            const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;

            if (d < bestDistance)
            {
                bestDistance = d;
                best = (int) i;
            }
        }

        return nearest[rgb] = (uint8_t) best;
    };

    juce::MemoryOutputStream raw;

    for (int y = 0; y < h; ++y)
    {
        raw.writeByte (0); // no filter

        for (int x = 0; x < w; ++x)
        {
            const auto c = pixels.getPixelColour (x, y);
            raw.writeByte ((char) indexOf ({ c.getRed(), c.getGreen(), c.getBlue() }));
        }
    }

    juce::MemoryOutputStream compressed;
    {
        juce::GZIPCompressorOutputStream zlib (compressed, 9);
        zlib.write (raw.getData(), raw.getDataSize());
    }

    juce::MemoryOutputStream png;
    const uint8_t signature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    png.write (signature, sizeof (signature));

    juce::MemoryOutputStream header;
    writeBigEndian (header, (uint32_t) w);
    writeBigEndian (header, (uint32_t) h);
    const uint8_t rest[] = { 8, 3, 0, 0, 0 }; // 8 bits, palette, deflate, adaptive filtering, no interlace
    header.write (rest, sizeof (rest));
    writeChunk (png, "IHDR", header.getMemoryBlock());

    juce::MemoryBlock plte;

    for (auto& rgb : palette)
        plte.append (rgb.data(), 3);

    writeChunk (png, "PLTE", plte);
    writeChunk (png, "IDAT", compressed.getMemoryBlock());
    writeChunk (png, "IEND", {});

    return stream.write (png.getData(), png.getDataSize());
}
