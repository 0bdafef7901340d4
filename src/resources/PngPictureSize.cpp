#include "resources/PngPictureSize.h"

#include <cstdint>
#include <cstring>

namespace
{
constexpr unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// The header chunk follows the signature: its length (13), "IHDR", then width and height.
constexpr std::size_t chunkTypeOffset = 12;
constexpr std::size_t widthOffset = 16;
constexpr std::size_t heightOffset = 20;
constexpr std::size_t headerEnd = 24;

std::uint32_t bigEndian (const unsigned char* bytes)
{
    return (std::uint32_t (bytes[0]) << 24) | (std::uint32_t (bytes[1]) << 16) | (std::uint32_t (bytes[2]) << 8) | std::uint32_t (bytes[3]);
}

bool validSide (std::uint32_t side)
{
    return side > 0 && side <= 0x7fffffffu;
}
} // namespace

std::optional<PictureSize> pngPictureSize (const void* data, std::size_t size)
{
    if (data == nullptr || size < headerEnd)
        return std::nullopt;

    const auto* bytes = static_cast<const unsigned char*> (data);

    if (std::memcmp (bytes, signature, sizeof (signature)) != 0 || std::memcmp (bytes + chunkTypeOffset, "IHDR", 4) != 0)
        return std::nullopt;

    const auto width = bigEndian (bytes + widthOffset);
    const auto height = bigEndian (bytes + heightOffset);

    if (!validSide (width) || !validSide (height))
        return std::nullopt;

    return PictureSize{(int)width, (int)height};
}
