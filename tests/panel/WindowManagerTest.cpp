#include "storage/SettingsFile.h"
#include "support/WindowManagerFixture.h"

#include <cmath>
#include <csignal>

/** The program's main window under a window manager, as a user has one, and the system's quit
    requests; each test runs the built program on a display of its own that openbox manages. One
    way of resizing per test: openbox takes a press soon after a click for a double click.
*/
namespace
{
    /** The panel's limits and aspect ratio, to the pixel that window managers round by. */
    bool onThePanelsShape (juce::Rectangle<int> client)
    {
        return client.getWidth() >= 248 && client.getWidth() <= 496 && client.getHeight() >= 680 && client.getHeight() <= 1360
            && std::abs (client.getWidth() - client.getHeight() * 496.0 / 1360.0) <= 1.0;
    }

    /** The settings file as the panel's next start reads it. */
    std::unique_ptr<juce::PropertySet> storedSettings()
    {
        auto settings = std::make_unique<juce::PropertySet>();
        settings->getAllProperties() = SettingsFile::readChecked (SettingsFile::defaultFile()).properties;
        return settings;
    }

    constexpr long fromAPager = 2 << 12, northWest = 1, position = 0x3 << 8, positionAndSize = 0xf << 8;
}

class UnderWindowManager : public WindowManagerFixture
{
protected:
    using WindowManagerFixture::WindowManagerFixture;

    void startPanel (const char* tsanSuppressions = nullptr)
    {
        program = startProgram (tsanSuppressions);
        window = waitForPanelWindow();
        ASSERT_NE (window, 0u);
        before = clientArea (window);
    }

    bool grewOnShape()
    {
        return waitUntil ([this] { return clientArea (window).getHeight() > before.getHeight() && onThePanelsShape (clientArea (window)); });
    }

    /** Moves the window to 40,60 (its frame's top left) as a pager does; once the program has
        taken the move in, the client area there.
    */
    juce::Rectangle<int> moveAndWaitTillTheProgramKnows()
    {
        const auto placed = [this] { return framedArea (window).getPosition() == juce::Point<int> (40, 60); };

        // Asked again now and then: a request of the program's own may still be on its way.
        for (int ask = 0; ask < 10 && ! placed(); ++ask)
        {
            askWindowManager (window, "_NET_MOVERESIZE_WINDOW", { northWest | position | fromAPager, 40, 60, 0, 0 });
            waitUntil (placed, 3000);
        }

        EXPECT_TRUE (placed()) << framedArea (window).toString();
        EXPECT_TRUE (programKnowsPlaceOf (window));
        return clientArea (window);
    }

    /** The stored window state holds the client area; the next start resets the interface. */
    void expectStoredPlace (juce::Rectangle<int> client)
    {
        auto settings = storedSettings();
        const auto state = juce::StringArray::fromTokens (settings->getValue (SettingsFile::Keys::windowPosition), false);
        ASSERT_GE (state.size(), 4) << settings->getValue (SettingsFile::Keys::windowPosition);
        EXPECT_EQ (juce::Rectangle<int> (state[0].getIntValue(), state[1].getIntValue(), state[2].getIntValue(), state[3].getIntValue()), client)
            << state.joinIntoString (" ");
        EXPECT_TRUE (settings->getBoolValue (SettingsFile::Keys::resetNextBoot));
    }

    pid_t program = -1;
    unsigned long window = 0;
    juce::Rectangle<int> before;
};

TEST_F (UnderWindowManager, DraggingTheBottomEdgeKeepsTheClientAreasShape)
{
    startPanel();
    const auto frame = framedArea (window);
    drag ({ frame.getCentreX(), frame.getBottom() - 2 }, { frame.getCentreX(), frame.getBottom() + 58 });
    EXPECT_TRUE (grewOnShape()) << clientArea (window).toString();
}

TEST_F (UnderWindowManager, DraggingTheBottomRightCornerKeepsTheClientAreasShape)
{
    startPanel();
    const auto frame = framedArea (window);
    drag ({ frame.getRight() - 2, frame.getBottom() - 2 }, { frame.getRight() + 60, frame.getBottom() + 30 });
    EXPECT_TRUE (grewOnShape()) << clientArea (window).toString();
}

TEST_F (UnderWindowManager, MaximisingAndTilingEndOnTheClientAreasShape)
{
    startPanel();

    // Maximised: the largest client area allowed that the screen holds with its frame.
    askWindowManager (window, "_NET_WM_STATE", { 1, atom ("_NET_WM_STATE_MAXIMIZED_VERT"), atom ("_NET_WM_STATE_MAXIMIZED_HORZ"), 2 });
    EXPECT_TRUE (waitUntil ([this]
                            {
                                const auto framed = framedArea (window);
                                return onThePanelsShape (clientArea (window)) && framed.getHeight() >= screenHeight - 1
                                    && juce::Rectangle<int> (screenWidth, screenHeight).contains (framed);
                            }))
        << "maximised: " << clientArea (window).toString();

    // A tiling tool's request for the left half of the screen.
    askWindowManager (window, "_NET_MOVERESIZE_WINDOW", { northWest | positionAndSize | fromAPager, 0, 0, screenWidth / 2, screenHeight });
    EXPECT_TRUE (waitUntil ([this] { return clientArea (window).getX() <= 1 && onThePanelsShape (clientArea (window)); }))
        << "tiled: " << clientArea (window).toString();
}

TEST_F (UnderWindowManager, ASecondLaunchRaisesAndActivatesTheWindowWhereItIs)
{
    startPanel();

    for (int launch = 1; launch <= 4; ++launch)
    {
        askWindowManager (other, "_NET_ACTIVE_WINDOW", { 2, 0, 0 });
        ASSERT_TRUE (waitUntil ([this] { return isActiveOnTop (other); }));

        EXPECT_EQ (exitWithin (startProgram(), 10000), 0);
        EXPECT_TRUE (waitUntil ([this] { return isActiveOnTop (window); })) << "launch " << launch;

        // The same native window, neither moved nor resized.
        EXPECT_EQ (panelWindow(), window) << "launch " << launch;
        EXPECT_EQ (clientArea (window), before) << "launch " << launch;
    }
}

TEST_F (UnderWindowManager, TheSystemsQuitRequestEndsThePanelAsItsCloseButtonDoes)
{
    for (const auto signal : { SIGTERM, SIGHUP })
    {
        SettingsFile::defaultFile().deleteFile();
        startPanel();

        // Moved, and the program knows it, before the request: the state saved is the new one.
        const auto moved = moveAndWaitTillTheProgramKnows();
        ::kill (program, signal);
        EXPECT_EQ (exitWithin (program, 30000), 0) << "signal " << signal;
        expectStoredPlace (moved);
    }
}

TEST_F (UnderWindowManager, LosingTheDisplaySavesWhatThePanelHoldsAndItsRealPlace)
{
    SettingsFile::defaultFile().deleteFile();
    startPanel (TALVO_TSAN_DISPLAY_LOSS_SUPPRESSIONS);
    const auto moved = moveAndWaitTillTheProgramKnows();

    endDisplay();

    EXPECT_EQ (exitWithin (program, 30000), 1);
    expectStoredPlace (moved);
}

/** The screens where the start size does not fit as it stands: a taskbar's strut takes the
    bottom rows of a screen just tall enough for the large start size, or the screen is a laptop's.
*/
struct StartScreen
{
    int width, height, dock;
    int clientWidth;   // where the start size fits, its width (openbox rounds the height to the ratio); else 0
};

class StartingUnderWindowManager : public UnderWindowManager,
                                   public ::testing::WithParamInterface<StartScreen>
{
protected:
    StartingUnderWindowManager() : UnderWindowManager (GetParam().width, GetParam().height) {}
};

TEST_P (StartingUnderWindowManager, TheWholeFrameStartsInTheWorkArea)
{
    ASSERT_TRUE (GetParam().dock == 0 || addBottomDock (GetParam().dock)) << "work area " << workArea().toString();

    startPanel();
    const auto area = workArea();

    // The frame is known once openbox frames the window: the place may change once after that.
    EXPECT_TRUE (waitUntil ([&]
                            {
                                const auto client = clientArea (window);
                                return area.contains (framedArea (window)) && onThePanelsShape (client)
                                    && (GetParam().clientWidth == 0 || client.getWidth() == GetParam().clientWidth);
                            }))
        << "client " << clientArea (window).toString() << ", frame " << framedArea (window).toString() << ", work area " << area.toString();
}

TEST_P (StartingUnderWindowManager, AResetAtStartAlsoShowsTheWholeFrameInTheWorkArea)
{
    ASSERT_TRUE (GetParam().dock == 0 || addBottomDock (GetParam().dock)) << "work area " << workArea().toString();

    program = startProgramWithArgument ("/default");
    window = waitForPanelWindow();
    ASSERT_NE (window, 0u);
    const auto area = workArea();

    EXPECT_TRUE (waitUntil ([&] { return area.contains (framedArea (window)) && onThePanelsShape (clientArea (window)); }))
        << "client " << clientArea (window).toString() << ", frame " << framedArea (window).toString() << ", work area " << area.toString();
}

INSTANTIATE_TEST_SUITE_P (Screens, StartingUnderWindowManager,
                          ::testing::Values (StartScreen { 1920, 1300, 26, 297 },
                                             StartScreen { 1024, 768, 0, 0 },
                                             StartScreen { 1366, 768, 24, 0 }));

TEST_F (UnderWindowManager, AResetAtStartKeepsTheFactorySizeOnceTheWindowIsFramed)
{
    program = startProgramWithArgument ("/default");
    window = waitForPanelWindow();
    ASSERT_NE (window, 0u);

    // A second launch is handled after whatever the panel had to do at its first paint.
    EXPECT_EQ (exitWithin (startProgram(), 10000), 0);
    ASSERT_TRUE (waitUntil ([this] { return isActiveOnTop (window) && windowManagerCaughtUp(); }));
    EXPECT_GE (clientArea (window).getWidth(), 322) << clientArea (window).toString();
}

class BesideATaskbar : public UnderWindowManager
{
protected:
    BesideATaskbar() : UnderWindowManager (1280, 1024) {}
};

TEST_F (BesideATaskbar, MaximisedOrFullScreenTheWindowEndsInTheWorkAreaAndStillResizes)
{
    ASSERT_TRUE (addBottomDock (20));
    startPanel();
    const auto area = workArea();

    for (const auto& [state, alsoState] : { std::pair { "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ" },
                                            std::pair { "_NET_WM_STATE_FULLSCREEN", "" } })
    {
        askWindowManager (window, "_NET_WM_STATE", { 1, atom (state), *alsoState != 0 ? atom (alsoState) : 0, 2 });
        EXPECT_TRUE (waitUntil ([&]
                                {
                                    const auto framed = framedArea (window);
                                    return onThePanelsShape (clientArea (window)) && area.contains (framed) && framed.getHeight() >= area.getHeight() - 1;
                                }))
            << state << ": frame " << framedArea (window).toString() << ", work area " << area.toString();

        // The bottom edge, dragged up, still resizes the window: once the program and openbox
        // have both taken in the corrected size, so that the drag starts from it.
        ASSERT_TRUE (waitUntil ([this] { return programKnowsPlaceOf (window) && windowManagerCaughtUp(); }));
        before = clientArea (window);
        const auto frame = framedArea (window);
        drag ({ frame.getCentreX(), frame.getBottom() - 2 }, { frame.getCentreX(), frame.getBottom() - 62 });
        EXPECT_TRUE (waitUntil ([this] { return clientArea (window).getHeight() < before.getHeight() && onThePanelsShape (clientArea (window)); }))
            << state << ": " << clientArea (window).toString();
    }
}
