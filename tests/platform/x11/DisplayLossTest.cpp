#include "platform/x11/DisplayLoss.h"
#include "support/ChildTestRun.h"
#include "support/WindowManagerFixture.h"

#include <X11/Xlib.h>

/** Another connection of ours to the display (the one a second launch's activation opens) when
    the X server ends under it. In a child process: a loss is for good in the process it happens in.
*/
namespace
{
    constexpr const char* lossMarker = "TALVO_DISPLAY_LOSS_CHILD";

    /** What the framework's handler does in the program: it stops the message loop and returns. */
    int returnAsTheFrameworkDoes (Display*) { return 0; }
}

TEST (DisplayLoss, AnotherConnectionsLossIsTheDisplaysAndDoesNotEndTheProgram)
{
    const auto child = ChildTestRun::run ("DisplayLossInChild.DISABLED_*", {}, lossMarker);
    ASSERT_TRUE (child.started);
    EXPECT_EQ (child.exitCode, 0) << child.output;
}

using DisplayLossInChild = WindowManagerFixture;

TEST_F (DisplayLossInChild, DISABLED_TheServerEndsUnderAnotherConnection)
{
    if (! ChildTestRun::isChild (lossMarker))
        GTEST_SKIP() << "runs only in a child process";

    XSetIOErrorHandler (returnAsTheFrameworkDoes);
    auto* connection = XOpenDisplay (nullptr);
    ASSERT_NE (connection, nullptr);
    DisplayLoss::handleAlsoOn (connection);
    ASSERT_FALSE (DisplayLoss::happened());

    endDisplay();

    // Reads until the server's end shows; the process goes on.
    while (! DisplayLoss::happened() && XInternAtom (connection, "TALVO_PROBE", False) != None)
        juce::Thread::sleep (10);

    EXPECT_TRUE (DisplayLoss::happened());
    XCloseDisplay (connection);
}
