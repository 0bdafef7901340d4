#include "platform/x11/FrameworkX11Internals.h"   // first: the framework's X11 classes, for its one version

#include "platform/x11/WorkArea.h"

#include <cmath>
#include <limits>

namespace WorkArea
{
    namespace
    {
        constexpr size_t valuesPerDesktop = 4;
        constexpr long mostDesktopsRead = 64;

        bool fitsAnInt (unsigned long value)
        {
            return value <= static_cast<unsigned long> (std::numeric_limits<int>::max());
        }

        /** A desktop's rectangle, empty when the values are missing or out of range. */
        juce::Rectangle<int> desktopsRectangle (const std::vector<unsigned long>& workAreas, unsigned long desktop)
        {
            if (desktop >= workAreas.size() / valuesPerDesktop)
                return {};

            const auto* values = workAreas.data() + desktop * valuesPerDesktop;

            for (size_t i = 0; i < valuesPerDesktop; ++i)
                if (! fitsAnInt (values[i]))
                    return {};

            return { static_cast<int> (values[0]), static_cast<int> (values[1]),
                     static_cast<int> (values[2]), static_cast<int> (values[3]) };
        }
    }

    juce::Rectangle<int> userAreaWithin (const Monitor& monitor,
                                         const std::vector<unsigned long>& workAreas,
                                         unsigned long currentDesktop)
    {
        auto area = desktopsRectangle (workAreas, currentDesktop);

        if (area.isEmpty())
            area = desktopsRectangle (workAreas, 0);

        area = area.getIntersection (monitor.physicalArea);

        if (area.isEmpty() || monitor.physicalArea.isEmpty())
            return monitor.logicalArea;

        // The framework maps physical to logical pixels linearly, monitor by monitor.
        const auto scaleX = monitor.logicalArea.getWidth() / static_cast<double> (monitor.physicalArea.getWidth());
        const auto scaleY = monitor.logicalArea.getHeight() / static_cast<double> (monitor.physicalArea.getHeight());
        const auto toLogicalX = [&] (int x) { return monitor.logicalArea.getX() + (x - monitor.physicalArea.getX()) * scaleX; };
        const auto toLogicalY = [&] (int y) { return monitor.logicalArea.getY() + (y - monitor.physicalArea.getY()) * scaleY; };

        constexpr auto slack = 1.0e-9;   // a whole pixel stays whole through the division
        return juce::Rectangle<int>::leftTopRightBottom (static_cast<int> (std::ceil (toLogicalX (area.getX()) - slack)),
                                                         static_cast<int> (std::ceil (toLogicalY (area.getY()) - slack)),
                                                         static_cast<int> (std::floor (toLogicalX (area.getRight()) + slack)),
                                                         static_cast<int> (std::floor (toLogicalY (area.getBottom()) + slack)));
    }

   #if JUCE_LINUX || JUCE_BSD
    namespace
    {
        /** A 32-bit property of the root window, as its values; empty when it is not there. */
        std::vector<unsigned long> rootProperty (::Display* display, const char* name, long mostValues)
        {
            const auto atom = XInternAtom (display, name, True);   // no atom, no such property

            if (atom == None)
                return {};

            juce::XWindowSystemUtilities::GetXProperty property (display, DefaultRootWindow (display), atom,
                                                                  0, mostValues, false, XA_CARDINAL);

            if (! property.success || property.actualFormat != 32 || property.data == nullptr)
                return {};

            // Xlib hands 32-bit values over as longs.
            const auto* values = reinterpret_cast<const unsigned long*> (property.data);
            return { values, values + property.numItems };
        }
    }

    juce::Rectangle<int> userAreaOf (const juce::Displays::Display& display)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        auto* x = FrameworkX11::display();

        if (x == nullptr)
            return display.userArea;

        std::vector<unsigned long> workAreas, currentDesktop;

        {
            juce::XWindowSystemUtilities::ScopedXLock lock;
            workAreas = rootProperty (x, "_NET_WORKAREA", mostDesktopsRead * static_cast<long> (valuesPerDesktop));
            currentDesktop = rootProperty (x, "_NET_CURRENT_DESKTOP", 1);
        }

        const Monitor monitor { juce::Desktop::getInstance().getDisplays().logicalToPhysical (display.totalArea, &display),
                                display.totalArea };

        return userAreaWithin (monitor, workAreas, currentDesktop.empty() ? 0 : currentDesktop.front());
    }
   #else
    juce::Rectangle<int> userAreaOf (const juce::Displays::Display& display)
    {
        return display.userArea;
    }
   #endif
}
