#include "platform/x11/WorkArea.h"

#include <gtest/gtest.h>

TEST (WorkArea, IsTheCurrentDesktopsWorkAreaWithinTheMonitorInLogicalPixels)
{
    using Values = std::vector<unsigned long>;
    const WorkArea::Monitor single { { 0, 0, 1920, 1300 }, { 0, 0, 1920, 1300 } };
    const WorkArea::Monitor right { { 1920, 0, 1280, 1024 }, { 1920, 0, 1280, 1024 } };
    const WorkArea::Monitor doubled { { 0, 0, 3840, 2160 }, { 0, 0, 1920, 1080 } };
    constexpr auto huge = 0x80000000ul;

    struct Case
    {
        const char* what;
        WorkArea::Monitor monitor;
        Values workAreas;
        unsigned long desktop;
        juce::Rectangle<int> expected;
    };

    const Case cases[] {
        { "a taskbar at the bottom", single, { 0, 0, 1920, 1274 }, 0, { 0, 0, 1920, 1274 } },
        { "the current desktop's", single, { 0, 0, 1920, 1274, 0, 30, 1920, 1270 }, 1, { 0, 30, 1920, 1270 } },
        { "a desktop without one takes the first's", single, { 0, 0, 1920, 1274, 0, 30 }, 1, { 0, 0, 1920, 1274 } },
        { "no work area", single, {}, 0, { 0, 0, 1920, 1300 } },
        { "an empty one", single, { 0, 0, 0, 0 }, 0, { 0, 0, 1920, 1300 } },
        { "one beyond a 32-bit int", single, { huge, 0, 1920, 1274 }, 0, { 0, 0, 1920, 1300 } },
        { "one off the monitor", single, { 2000, 0, 100, 100 }, 0, { 0, 0, 1920, 1300 } },
        { "over two monitors, cut to this one", right, { 0, 0, 3200, 1000 }, 0, { 1920, 0, 1280, 1000 } },
        { "at twice the scale, rounded inwards", doubled, { 0, 27, 3840, 2107 }, 0, { 0, 14, 1920, 1053 } },
    };

    for (const auto& c : cases)
        EXPECT_EQ (WorkArea::userAreaWithin (c.monitor, c.workAreas, c.desktop), c.expected) << c.what;
}
