// Before the X headers, whose macros clash with its names.
#include <gtest/gtest.h>

// The framework's X11 classes, checked against the version and settings they were written for.
#include "platform/x11/FrameworkX11Internals.h"

#include "panel/Main.h"
#include "support/MessageLoop.h"

/** The main window as the program sets it up, on the test display, which has no window manager:
    its size hints are what a window manager would read, and a resize from another client is what
    one that ignores them does.
*/
namespace
{
    struct CountedPaints final : juce::Component
    {
        void paint (juce::Graphics&) override { ++count; }
        int count = 0;
    };

    struct ShapedWindow
    {
        ShapedWindow()
        {
            auto* content = new CountedPaints();
            window.setUsingNativeTitleBar (true);
            window.setContentOwned (content, false);
            window.constrainClientArea();
            window.setResizable (true, true);
            window.centreWithSize (297, 816);
            window.addToDesktop();
            window.publishClientAreaLimits();
            window.setVisible (true);

            // The framework asks for its window's place again at its first paint.
            pumpMessagesUntil ([content] { return content->count > 0; });
            sendRequests();
        }

        ~ShapedWindow() { XCloseDisplay (other); }

        ::Window native() { return reinterpret_cast<::Window> (window.getPeer()->getNativeHandle()); }
        static void sendRequests() { XSync (FrameworkX11::display(), False); }

        Talvoz3UIApplication::MainWindow window { "Shaped" };
        Display* other = XOpenDisplay (nullptr);   // another client's connection
    };
}

TEST (MainWindowShape, TheWindowManagerIsToldTheClientAreasLimitsAlsoAfterTheProgramMovesTheWindow)
{
    ShapedWindow shaped;

    for (const auto bounds : { shaped.window.getBounds(), juce::Rectangle<int> (40, 50, 323, 884) })
    {
        shaped.window.setBounds (bounds);
        ShapedWindow::sendRequests();

        XSizeHints hints {};
        long supplied = 0;
        ASSERT_NE (XGetWMNormalHints (shaped.other, shaped.native(), &hints, &supplied), 0);

        constexpr long expected = PMinSize | PMaxSize | PAspect | USPosition;
        EXPECT_EQ (hints.flags & expected, expected) << bounds.toString();
        EXPECT_EQ (juce::Rectangle<int> (hints.min_width, hints.min_height, hints.max_width, hints.max_height),
                   juce::Rectangle<int> (248, 680, 496, 1360));
        EXPECT_EQ (hints.min_aspect.x * 1360, hints.min_aspect.y * 496);
        EXPECT_EQ (hints.max_aspect.x * 1360, hints.max_aspect.y * 496);
    }
}

TEST (MainWindowShape, ASizeThatDoesNotFitIsBroughtBackOntoTheShapeWhenItArrives)
{
    ShapedWindow shaped;
    const auto topLeft = shaped.window.getPosition();

    // The bottom edge dragged down, the hints ignored: the width follows, the window stays put.
    XResizeWindow (shaped.other, shaped.native(), 297, 902);
    XSync (shaped.other, False);

    const auto onDisplay = [&]
    {
        XWindowAttributes attributes {};
        XGetWindowAttributes (shaped.other, shaped.native(), &attributes);
        return juce::Rectangle<int> (attributes.width, attributes.height);
    };

    EXPECT_TRUE (pumpMessagesUntil ([&] { return onDisplay() == juce::Rectangle<int> (329, 902); }, 5000)) << onDisplay().toString();
    EXPECT_EQ (shaped.window.getBounds(), juce::Rectangle<int> (topLeft.x, topLeft.y, 329, 902));
}
