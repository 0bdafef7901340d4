#include "device/SysExProtocol.h"

#include <cmath>

HwLevel dbToHwLevel (double dB) noexcept
{
    if (std::isnan (dB))
        return 0;

    if (dB >= 0.0)
        return hwLevelUnity;

    // Truncation toward zero is what the interface expects: -20 dB gives 3276, not 3277. A level
    // that is a whole step within rounding error (every stored level is one, decoded from the
    // step it was sent at) keeps that step: plain truncation would lose one step on every resend.
    const auto linear = std::pow (10.0, dB / 20.0) * 32767.0;
    return static_cast<HwLevel> (std::floor (linear + 1.0e-6));
}

double hwLevelToDb (std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) noexcept
{
    auto level = static_cast<unsigned> ((b1 << 14) + (b2 << 7) + b3) % 65536u;

    if (level == 0 || level == 65535)
        level = 1;

    return 20.0 * std::log10 (static_cast<double> (level) / 32767.0);
}
