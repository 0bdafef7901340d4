#include "platform/x11/FrameworkX11Internals.h"   // first: the framework's X11 classes, for its one version

#include "platform/x11/WaitingEvents.h"

#if JUCE_LINUX || JUCE_BSD
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
 #include <X11/Xlibint.h>

 #include <array>
 #include <atomic>
#endif

namespace WaitingEvents
{
   #if JUCE_LINUX || JUCE_BSD
    namespace
    {
        using Conversion = Bool (*) (Display*, XEvent*, xEvent*);

        constexpr int firstCoreEvent = 2;   // KeyPress, a name the framework's headers take back

        std::array<Conversion, LASTEvent> libraryConversions {};
        std::atomic<bool> deliveryPosted { false };

        void deliverWaitingEvents()
        {
            deliveryPosted = false;

            auto* display = FrameworkX11::display();
            if (display == nullptr)
                return;

            int waiting = 0;
            {
                juce::XWindowSystemUtilities::ScopedXLock lock;
                waiting = XQLength (display);
            }

            // What the framework's handler does when the connection has data: it reads the
            // queue to its end.
            if (waiting > 0)
                juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (ConnectionNumber (display));
        }

        /** The X library turns every core event it reads into its queue through here, whichever
            call read it. Inside the library, its lock held: nothing but a message is posted.
        */
        Bool convertAndDeliverSoon (Display* display, XEvent* event, xEvent* wire)
        {
            const auto converted = libraryConversions[static_cast<size_t> (wire->u.u.type & 0x7f)] (display, event, wire);

            // A post fails once the message loop has been told to stop; a later one may run.
            if (! deliveryPosted.exchange (true) && ! juce::MessageManager::callAsync (deliverWaitingEvents))
                deliveryPosted = false;

            return converted;
        }
    }

    void deliverFromNowOn()
    {
        JUCE_ASSERT_MESSAGE_THREAD

        auto* display = FrameworkX11::display();
        if (display == nullptr)
            return;

        juce::XWindowSystemUtilities::ScopedXLock lock;

        // The framework's current connection, whichever it is: a connection hooked already keeps
        // the library's own conversions noted when it was first hooked.
        for (int type = firstCoreEvent; type < LASTEvent; ++type)
            if (const auto previous = XESetWireToEvent (display, type, convertAndDeliverSoon); previous != convertAndDeliverSoon)
                libraryConversions[static_cast<size_t> (type)] = previous;
    }
   #else
    void deliverFromNowOn() {}
   #endif
}
