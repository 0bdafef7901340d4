#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sys/types.h>

/** A display of the test's own (Xvfb, 1280 x 1280: no taller than the panel's small start size
    asks for, with room around it) that openbox manages, and the built program run there with the
    test's HOME. The test's DISPLAY names it meanwhile. Skips without Xvfb or openbox (the test
    command installs both). Every wait is on a condition seen on the display, with a generous cap.
*/
class WindowManagerFixture : public ::testing::Test
{
protected:
    WindowManagerFixture() = default;

    /** A display of this size instead. */
    WindowManagerFixture (int width, int height) : screenWidth (width), screenHeight (height) {}

    void SetUp() override;
    void TearDown() override;

    /** Starts the program; its process id, or -1. Under the thread sanitizer, the reports the
        file tsanSuppressions names are left out for this program instead of the usual ones.
    */
    pid_t startProgram (const char* tsanSuppressions = nullptr);

    /** Starts the program with this one argument; its process id, or -1. */
    pid_t startProgramWithArgument (const juce::String& argument);

    /** The exit code, or minus the signal that ended it; nothing while it still runs. */
    std::optional<int> exitWithin (pid_t program, int timeoutMs);

    /** The main window once openbox has framed it and the program has painted it (the framework
        asks for its window's place again at its first paint, undoing a move made before); 0 if none.
    */
    unsigned long waitForPanelWindow();

    /** The managed window with the main window's title, whichever native window that is now. */
    unsigned long panelWindow();

    /** A window's client area in screen coordinates, and with openbox's frame around it. */
    juce::Rectangle<int> clientArea (unsigned long window);
    juce::Rectangle<int> framedArea (unsigned long window);

    /** Presses the first mouse button at from, moves to to and lets go, as a user drags. */
    void drag (juce::Point<int> from, juce::Point<int> to);

    /** A request to the window manager about a window, as a pager or a tiling tool sends it. */
    void askWindowManager (unsigned long window, const char* type, std::initializer_list<long> data);
    long atom (const char* name);

    /** True when the window is the active one and above every other. */
    bool isActiveOnTop (unsigned long window);

    /** True once openbox has taken every request and event sent before the call. */
    bool windowManagerCaughtUp();

    /** True once the program has handled every notice of its window's place sent before the
        call: a notice of the place sent to it (as a window manager confirms a move) makes it
        write its size hints with the place it knows, which then is the server's.
    */
    bool programKnowsPlaceOf (unsigned long window);

    /** Ends the X server, as a session ends. */
    void endDisplay();

    /** Polls until condition holds; false after timeoutMs. */
    bool waitUntil (std::function<bool()> condition, int timeoutMs = 10000);

    const int screenWidth = 1280, screenHeight = 1280;

    /** Puts a dock as tall as height along the screen's bottom edge, as a desktop's taskbar, and
        waits until openbox has taken it off the work area; false if it did not.
    */
    bool addBottomDock (int height);

    /** The work area openbox publishes for the current desktop (_NET_WORKAREA). */
    juce::Rectangle<int> workArea();

    /** A small window of the test's own, managed like any other. */
    unsigned long other = 0;

private:
    pid_t spawn (const juce::StringArray& arguments, bool quiet);

    void* display = nullptr;
    pid_t xServer = -1, windowManager = -1;
    std::vector<pid_t> programs;
    int titlesGiven = 0, damageEventBase = 0;
    std::map<unsigned long, bool> painted;
    juce::String displayBefore;
};
