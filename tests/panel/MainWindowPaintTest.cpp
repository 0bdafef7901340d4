// Before the X headers, whose macros clash with its names.
#include <gtest/gtest.h>

// The framework's X11 classes, checked against the version and settings they were written for.
#include "platform/x11/FrameworkX11Internals.h"

#include "panel/Main.h"
#include "platform/x11/PaintDelivery.h"
#include "support/ChildTestRun.h"
#include "support/MessageLoop.h"

#include <X11/Xlibint.h>

namespace
{
    /** True while the framework's display connection holds requests it has not sent. */
    bool displayHoldsUnsentRequests()
    {
        auto* display = reinterpret_cast<_XDisplay*> (FrameworkX11::display());
        return display->bufptr != display->buffer;
    }

    struct CountedPaints final : juce::Component
    {
        void paint (juce::Graphics&) override { ++count; }
        int count = 0;
    };

    int paintsPendingFor (juce::Component& window)
    {
        const auto handle = reinterpret_cast<::Window> (window.getPeer()->getNativeHandle());
        return juce::XWindowSystem::getInstance()->getNumPaintsPendingForWindow (handle);
    }
}

TEST (MainWindowPaint, APaintedPictureIsSentOnceTheStepOfTheMessageLoopThatPaintedItEnds)
{
    Talvoz3UIApplication::MainWindow window ("Paint delivery");
    auto* content = new CountedPaints();
    window.setContentOwned (content, false);
    window.setSize (48, 32);  // small enough that even an image sent without shared memory waits in the buffer
    window.addToDesktop();
    window.setVisible (true);

    // Shown, painted, and the display has taken that first picture.
    ASSERT_TRUE (pumpMessagesUntil ([&] { return content->count > 0 && paintsPendingFor (window) == 0; }, 5000));

    // The first paint may have covered only part of the window; a whole one now makes the
    // framework's picture its final size, since making a bigger one waits for the display.
    window.repaint();
    window.getPeer()->performAnyPendingRepaintsNow();
    ASSERT_TRUE (pumpMessagesUntil ([&] { return paintsPendingFor (window) == 0; }, 5000));
    drainPendingMessages();

    window.repaint();
    window.getPeer()->performAnyPendingRepaintsNow();
    ASSERT_TRUE (displayHoldsUnsentRequests()) << "the framework now sends a painted picture itself";

    drainPendingMessages();
    EXPECT_FALSE (displayHoldsUnsentRequests());
}

TEST (MainWindowPaint, APictureOfOnlyAnOpaqueChildIsSentToo)
{
    // A meter's reading: the framework paints the opaque child alone and skips the window's own
    // paint, whose picture must still leave.
    Talvoz3UIApplication::MainWindow window ("Paint delivery");
    auto* content = new CountedPaints();
    CountedPaints opaqueChild;
    opaqueChild.setOpaque (true);
    content->addAndMakeVisible (opaqueChild);
    window.setContentOwned (content, false);
    window.setSize (100, 100);
    opaqueChild.setBounds (4, 4, 8, 8);  // the area sent is small enough to wait in the buffer
    window.addToDesktop();
    window.setVisible (true);

    ASSERT_TRUE (pumpMessagesUntil ([&] { return opaqueChild.count > 0 && paintsPendingFor (window) == 0; }, 5000));

    // Whatever else the display still asks to have painted (an exposure, the focus) would be
    // painted with the child: try again until the child's repaint is the only one.
    bool childAlone = false;
    for (int attempt = 0; attempt < 10 && ! childAlone; ++attempt)
    {
        window.getPeer()->performAnyPendingRepaintsNow();
        ASSERT_TRUE (pumpMessagesUntil ([&] { return paintsPendingFor (window) == 0; }, 5000));
        drainPendingMessages();

        const auto contentPaints = content->count, childPaints = opaqueChild.count;
        opaqueChild.repaint();
        window.getPeer()->performAnyPendingRepaintsNow();
        childAlone = content->count == contentPaints && opaqueChild.count > childPaints;
    }

    ASSERT_TRUE (childAlone) << "the framework now paints what lies under an opaque child";
    ASSERT_TRUE (displayHoldsUnsentRequests());

    drainPendingMessages();
    EXPECT_FALSE (displayHoldsUnsentRequests());
}

namespace
{
    constexpr const char* anewMarker = "TALVO_PAINT_DELIVERY_ANEW_CHILD";
}

TEST (MainWindowPaint, ASendThatCouldNotBePostedIsPostedAtTheNextPaint)
{
    const auto child = ChildTestRun::run ("PaintDeliveryAnew.DISABLED_*", {}, anewMarker);
    ASSERT_TRUE (child.started);
    EXPECT_EQ (child.exitCode, 0) << child.output;
}

// Runs only in the child that the test above starts: the message loop goes and a new one comes.
TEST (PaintDeliveryAnew, DISABLED_APaintWhileNoLoopTakesMessages)
{
    if (! ChildTestRun::isChild (anewMarker))
        GTEST_SKIP() << "runs only in a child process";

    juce::XWindowSystem::getInstance();
    ASSERT_NE (FrameworkX11::display(), nullptr);

    juce::MessageManager::deleteInstance();
    PaintDelivery::sendAfterThisPaint();   // its post fails
    juce::MessageManager::getInstance();

    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        XNoOp (FrameworkX11::display());
    }
    ASSERT_TRUE (displayHoldsUnsentRequests());

    PaintDelivery::sendAfterThisPaint();
    drainPendingMessages();
    EXPECT_FALSE (displayHoldsUnsentRequests());
}
