// The framework's X11 classes are visible only with this set before its header is first read, so
// this file is compiled on its own, outside its folder's unity build.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "platform/DisplayLoss.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <utility>

namespace DisplayLoss
{
   #if JUCE_LINUX || JUCE_BSD
    namespace
    {
        std::function<void()> whenLost;

        /** Called by the X library after the framework's own handler, in place of its exit. The
            library has marked the connection broken: every later call on it returns without
            waiting. (It has also released the display's lock already, which the call that noticed
            releases once more on its way out; with the default mutex that changes nothing.)
        */
        void carryOn (Display*, void*)
        {
            if (auto onLoss = std::exchange (whenLost, nullptr))
                onLoss();
        }
    }

    void handleWith (std::function<void()> onLoss)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
        auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;

        if (display == nullptr)
            return;

        whenLost = std::move (onLoss);

        juce::XWindowSystemUtilities::ScopedXLock lock;
        XSetIOErrorExitHandler (display, carryOn, nullptr);
    }
   #else
    void handleWith (std::function<void()>) {}
   #endif
}
