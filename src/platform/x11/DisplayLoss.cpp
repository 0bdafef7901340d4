#include "platform/x11/FrameworkX11Internals.h"   // first: the framework's X11 classes, for its one version

#include "platform/x11/DisplayLoss.h"

#include <atomic>
#include <utility>

namespace DisplayLoss
{
    namespace
    {
        std::atomic<bool> lost { false };

       #if JUCE_LINUX || JUCE_BSD
        std::function<void()> whenLost;

        /** Called by the X library after the framework's own handler, in place of its exit, for
            whichever of our connections broke. The library has marked it broken: every later
            call on it returns without waiting for the server. (It has also released the
            display's mutex already, which the call that noticed releases once more on its way
            out; with the default mutex that changes nothing. What else it holds, and so what
            the program may still do, FrameworkX11Internals.h says.)
        */
        void carryOn (Display*, void*)
        {
            lost = true;

            if (auto onLoss = std::exchange (whenLost, nullptr))
                onLoss();
        }
       #endif
    }

    bool happened()
    {
        return lost;
    }

   #if JUCE_LINUX || JUCE_BSD
    void handleWith (std::function<void()> onLoss)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        auto* display = FrameworkX11::display();

        if (display == nullptr)
            return;

        whenLost = std::move (onLoss);

        juce::XWindowSystemUtilities::ScopedXLock lock;
        XSetIOErrorExitHandler (display, carryOn, nullptr);
    }

    void handleAlsoOn (_XDisplay* connection)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        if (connection != nullptr)
            XSetIOErrorExitHandler (connection, carryOn, nullptr);
    }
   #else
    void handleWith (std::function<void()>) {}
    void handleAlsoOn (_XDisplay*) {}
   #endif
}
