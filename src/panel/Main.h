#pragma once

#include "panel/OVKBorderBoundsConstrainer.h"
#include "panel/SingleInstanceChannel.h"
#include "platform/SteadyDeadline.h"
#include "platform/x11/WindowSizeHints.h"
#include "platform/linux/QuitSignals.h"
#include "platform/linux/SystemServices.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>

/** The program: one instance only, the command-line switches, and the one main window. */
class Talvoz3UIApplication final : public juce::JUCEApplication
{
public:
    Talvoz3UIApplication() = default;
    ~Talvoz3UIApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    /** The main window: native title bar, close button only; owns the panel and its constrainer.

        Its client area keeps the panel's aspect ratio and size limits whatever the window manager
        or the user does: the window manager is told them, and a size it gives that does not fit
        is brought back onto the constrainer's rectangle when it arrives. Message thread.
    */
    class MainWindow final : public juce::DocumentWindow,
                             private juce::AsyncUpdater,
                             private juce::Timer
    {
    public:
        explicit MainWindow (const juce::String& name);
        ~MainWindow() override;

        void closeButtonPressed() override;
        /** Sends each painted picture of the window to the display once its paint is over. */
        void paintOverChildren (juce::Graphics& g) override;
        void moved() override;
        void resized() override;

        /** The client area's size limits and aspect ratio: the design size at most, half of it at
            least.
        */
        static WindowSizeHints::Limits clientAreaLimits();

        /** Creates the border constrainer with the client area's limits and aspect ratio and
            installs it as the window's constrainer.
        */
        void constrainClientArea();

        /** Once the window is on the desktop: takes the native frame's size into the constrainer
            and tells the window manager the client area's limits.
        */
        void publishClientAreaLimits();

        /** Gives the window its start place for a start size on a user area (startClientArea), and
            gives it again once the window manager first reports the frame, which it knows only
            once it frames the window: the whole frame then lies in the user area. Replaces a start
            place given before.
        */
        void placeAtStart (juce::Rectangle<int> startSize, juce::Rectangle<int> userArea);

        /** The program has placed the window itself since: the start place is not given again. */
        void keepPlaceGiven();

        /** The window's state text (getWindowStateAsString); once the display has gone, the one
            it had at its last move or resize before, which a broken connection can no longer give.
        */
        juce::String stateToStore();

        std::unique_ptr<BorderBoundsConstrainer> borderConstrainer;

    private:
        /** Notes a client area that fits, or asks for a correction of one that does not. */
        void keepClientAreaOnShape();
        void handleAsyncUpdate() override;

        /** Takes the native frame's size into the constrainer once the window manager reports it. */
        void measureFrame();

        /** The start place again, with the frame now known, when it differs from the one given. */
        void placeAgainOnceFramed();

        /** The start size and user area, until the frame is known. */
        struct StartPlace
        {
            juce::Rectangle<int> size, userArea;
            juce::Rectangle<int> given;   ///< the client area given before the frame was known
            SteadyDeadline lookUntil;     ///< when to stop looking for a frame
        };

        std::optional<StartPlace> startPlace;

        /** The start place to give the window, asked for from the framework's handling of an event. */
        std::optional<juce::Rectangle<int>> startPlaceDue;

        /** The last client area that fitted, on the screen. */
        juce::Rectangle<int> lastFittingBounds;

        /** A correction was asked for and no size that fits has arrived since. */
        bool correctionAwaited = false;

        /** The bounds at which the window manager last held the window maximised or full screen
            when the program asked it to let go.
        */
        juce::Rectangle<int> releasedBounds;

        /** When a correction's answer is looked at (millisecond counter). */
        std::optional<SteadyDeadline> correctionCheckDue;

        /** Looks for the frame while the start place waits for it, and at a correction's answer
            once the window manager has had time to give it.
        */
        void timerCallback() override;

        /** True while the window takes on a correction itself, before the window manager answers. */
        bool applyingCorrection = false;

        /** The state text at the last move or resize while the display was there. */
        juce::String stateWhileConnected;

        /** Notes the state text; false once the display has gone, when nothing of the window is
            read or corrected any more.
        */
        bool noteStateWhileConnected();

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

    /** Width and height of the main window at start for a main display whose user area is
        userAreaHeight pixels high (0 when there is no main display). A size whose frame does not
        fit the user area gives way to the largest that does (BorderBoundsConstrainer::startClientArea).
    */
    static juce::Rectangle<int> startSizeForUserAreaHeight (int userAreaHeight);

    /** Called once the framework has its own connection to the display. */
    std::function<void()> onDisplayConnected;

    /** This launch's claim to be the one panel, handed over by the entry point before the
        framework starts; the panel listens for later launches through it. Without one, later
        launches cannot reach this panel. Declared before the panel's members, so it is let go
        only after the panel's teardown has saved the settings: no second panel starts meanwhile.
    */
    std::unique_ptr<SingleInstanceChannel::Claim> instanceClaim;

private:
    // The start's steps, in the order initialise takes them.

    /** Later launches hand their command lines to this panel from now on. */
    void listenForLaterLaunches();

    /** The system's quit request (SIGTERM, SIGHUP) ends the panel as its close button does. */
    void endOnTheSystemsQuitRequest();

    /** USB, audio-device and power events from the system reach the platform layer. */
    void startSystemServices();

    /** The framework connects to the display; its loss and the events its own reads leave
        waiting are handled from then on.
    */
    void connectToTheDisplay();

    /** The main window with its title bar, the panel as its content and the panel's constraints;
        not yet on the desktop.
    */
    std::unique_ptr<MainWindow> buildMainWindow();

    /** Resizable, at the start size for the main display's user area (the window manager's work
        area on X11) and centred on it, its frame inside it; then put on the desktop, still hidden,
        so that its native window is made once, at that size.
    */
    static void placeAtStartSize (MainWindow& window);

    /** Stores an empty window state. */
    static void forgetWindowPosition (MainWindow& window);

    /** The factory reset of a start switch; "/default" and "/defaults" then show the window. */
    void resetToFactoryDefaults (bool showAgain);

    /** After a factory reset: the window keeps the reset's size where it fits the main display's
        user area with its frame, centred there, else the largest allowed size that does.
    */
    void placeAfterReset();

    void storeWindowPosition (const juce::String& state);

    /** Keeps the main window on top for a moment after a second launch, then restores it; only
        where that does not re-create the window.
    */
    void keepOnTopBriefly (bool wasAlwaysOnTop);

    /** The display went away: what the panel holds is saved by the shutdown that follows. */
    void displayLost();

    SystemServices systemServices;   // declared before the window: it outlives the panel
    std::unique_ptr<QuitSignals> quitSignals;   // outlives the panel too: a repeated request waits
    std::unique_ptr<MainWindow> mainWindow;
    std::optional<bool> onTopBeforeRaise;
    int raiseCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Talvoz3UIApplication)
};
