#include "resources/PngPictureSize.h"
#include "resources/OVKBIN.h"

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string headerOf (const char* data)
{
    return std::string (data, 24);
}

std::optional<PictureSize> sizeOf (const std::string& bytes)
{
    return pngPictureSize (bytes.data(), bytes.size());
}
} // namespace

TEST (PngPictureSize, ReadsTheSizeTheDecoderFindsWithoutDecoding)
{
    const std::pair<const char*, int> files[] = {
        {OVKBIN::temp_binary_data_71, OVKBIN::temp_binary_data_71Size},
        {OVKBIN::temp_binary_data_77, OVKBIN::temp_binary_data_77Size},
        {OVKBIN::temp_binary_data_69, OVKBIN::temp_binary_data_69Size},
    };

    for (const auto& [data, size] : files)
    {
        const auto decoded = juce::ImageFileFormat::loadFrom (data, (size_t)size);
        ASSERT_TRUE (decoded.isValid());
        EXPECT_EQ (pngPictureSize (data, (size_t)size), (PictureSize{decoded.getWidth(), decoded.getHeight()}));
    }

    // The header alone is enough.
    EXPECT_EQ (sizeOf (headerOf (OVKBIN::temp_binary_data_71)), (PictureSize{744, 1360}));
}

TEST (PngPictureSize, AnythingButAPngHeaderWithASensibleSizeGivesNothing)
{
    const auto header = headerOf (OVKBIN::temp_binary_data_77);

    EXPECT_FALSE (pngPictureSize (nullptr, 100));
    EXPECT_FALSE (sizeOf ({}));
    EXPECT_FALSE (sizeOf (header.substr (0, 23))) << "cut short";

    auto notPng = header;
    notPng[1] = 'J';
    EXPECT_FALSE (sizeOf (notPng));

    auto otherChunkFirst = header;
    otherChunkFirst.replace (12, 4, "PLTE");
    EXPECT_FALSE (sizeOf (otherChunkFirst));

    auto zeroWidth = header;
    zeroWidth.replace (16, 4, std::string (4, '\0'));
    EXPECT_FALSE (sizeOf (zeroWidth));

    auto hugeHeight = header;
    hugeHeight.replace (20, 4, "\x80\0\0\0", 4);
    EXPECT_FALSE (sizeOf (hugeHeight)) << "beyond what an int holds";

    auto largest = header;
    largest.replace (20, 4, "\x7f\xff\xff\xff", 4);
    EXPECT_EQ (sizeOf (largest), (PictureSize{514, 0x7fffffff}));
}
