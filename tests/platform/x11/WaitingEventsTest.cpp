// Before the X headers, whose macros clash with its names.
#include <gtest/gtest.h>

// The framework's X11 classes, checked against the version and settings they were written for.
#include "platform/x11/FrameworkX11Internals.h"

#include "platform/x11/WaitingEvents.h"
#include "support/ChildTestRun.h"
#include "support/MessageLoop.h"

namespace
{
    struct PaintedWindow final : juce::Component
    {
        void paint (juce::Graphics&) override { ++paints; }
        int paints = 0;
    };
}

namespace
{
    constexpr const char* anewMarker = "TALVO_WAITING_EVENTS_ANEW_CHILD";

    /** Another client moves a window; before the framework's handler runs, a call that waits
        for a reply takes the notice off the connection into the X library's queue. True once
        the window has taken the move in.
    */
    bool aMoveThatAnotherCallReadIsHandled()
    {
        // Painted once: the framework asks for its window's place again with its first paint.
        PaintedWindow window;
        window.setBounds (10, 10, 120, 80);
        window.addToDesktop (0);
        window.setVisible (true);
        EXPECT_TRUE (pumpMessagesUntil ([&] { return window.paints > 0; }));

        auto* display = FrameworkX11::display();
        XSync (display, False);
        drainPendingMessages();

        WaitingEvents::deliverFromNowOn();

        auto* other = XOpenDisplay (nullptr);
        XMoveWindow (other, reinterpret_cast<::Window> (window.getPeer()->getNativeHandle()), 60, 70);
        XSync (other, False);
        XCloseDisplay (other);
        XSync (display, False);

        return pumpMessagesUntil ([&] { return window.getPosition() == juce::Point<int> (60, 70); }, 3000);
    }
}

TEST (WaitingEvents, AMoveThatAnotherCallReadIsHandledWithoutFurtherTraffic)
{
    EXPECT_TRUE (aMoveThatAnotherCallReadIsHandled());
}

TEST (WaitingEvents, TheFrameworksNewConnectionIsCoveredToo)
{
    const auto child = ChildTestRun::run ("WaitingEventsAnew.DISABLED_*", {}, anewMarker);
    ASSERT_TRUE (child.started);
    EXPECT_EQ (child.exitCode, 0) << child.output;
}

// Runs only in the child that the test above starts: the framework's display is made anew.
TEST (WaitingEventsAnew, DISABLED_AfterTheFrameworkConnectsAgain)
{
    if (! ChildTestRun::isChild (anewMarker))
        GTEST_SKIP() << "runs only in a child process";

    juce::XWindowSystem::getInstance();
    WaitingEvents::deliverFromNowOn();
    juce::XWindowSystem::deleteInstance();

    EXPECT_TRUE (aMoveThatAnotherCallReadIsHandled());
}
