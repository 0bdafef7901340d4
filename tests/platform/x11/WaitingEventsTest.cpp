// Before the X headers, whose macros clash with its names.
#include <gtest/gtest.h>

// The framework's X11 classes, checked against the version and settings they were written for.
#include "platform/x11/FrameworkX11Internals.h"

#include "platform/x11/WaitingEvents.h"
#include "support/MessageLoop.h"

namespace
{
    struct PaintedWindow final : juce::Component
    {
        void paint (juce::Graphics&) override { ++paints; }
        int paints = 0;
    };
}

TEST (WaitingEvents, AMoveThatAnotherCallReadIsHandledWithoutFurtherTraffic)
{
    // Painted once: the framework asks for its window's place again with its first paint.
    PaintedWindow window;
    window.setBounds (10, 10, 120, 80);
    window.addToDesktop (0);
    window.setVisible (true);
    ASSERT_TRUE (pumpMessagesUntil ([&] { return window.paints > 0; }));

    auto* display = FrameworkX11::display();
    XSync (display, False);
    drainPendingMessages();

    WaitingEvents::deliverFromNowOn();

    // Another client moves the window; before the framework's handler runs, a call that waits
    // for a reply takes the notice off the connection into the X library's queue.
    auto* other = XOpenDisplay (nullptr);
    XMoveWindow (other, reinterpret_cast<::Window> (window.getPeer()->getNativeHandle()), 60, 70);
    XSync (other, False);
    XCloseDisplay (other);
    XSync (display, False);

    EXPECT_TRUE (pumpMessagesUntil ([&] { return window.getPosition() == juce::Point<int> (60, 70); }, 3000))
        << window.getPosition().toString();
}
