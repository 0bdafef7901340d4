#include "platform/x11/FrameworkX11Internals.h"   // first: the framework's X11 classes, for its one version

#include "platform/x11/PaintDelivery.h"

#include <utility>

namespace PaintDelivery
{
    namespace
    {
        bool sendPending = false;

        void sendWhatTheDisplayHolds()
        {
            sendPending = false;

           #if JUCE_LINUX || JUCE_BSD
            if (auto* display = FrameworkX11::display())
            {
                juce::XWindowSystemUtilities::ScopedXLock lock;
                juce::X11Symbols::getInstance()->xFlush (display);
            }
           #endif
        }
    }

    void sendAfterThisPaint()
    {
        JUCE_ASSERT_MESSAGE_THREAD

        // The picture is handed over after the paint returns, in the same step of the message
        // loop; a message posted now runs after that step.
        // A post fails once the message loop has been told to stop; a later one may run.
        if (! std::exchange (sendPending, true) && ! juce::MessageManager::callAsync (sendWhatTheDisplayHolds))
            sendPending = false;
    }
}
