#include "panel/Main.h"

#include "device/RawUsbDeviceLayer.h"
#include "panel/CommandLineSwitches.h"
#include "panel/MainComponent.h"
#include "panel/PanelLayout.h"
#include "platform/x11/DisplayLoss.h"
#include "platform/x11/PaintDelivery.h"
#include "platform/PlatformHost.h"
#include "platform/SteadyDeadline.h"
#include "platform/x11/WaitingEvents.h"
#include "platform/x11/WindowManagerRequests.h"
#include "platform/x11/WorkArea.h"

#include <cstdio>
#include <utility>

namespace
{
    constexpr const char* applicationName = JUCE_APPLICATION_NAME_STRING; // the build's one definition
    constexpr const char* fullVersion = JUCE_APPLICATION_VERSION_STRING; // the project's version
    constexpr int initExitCode = 4321;
    constexpr int raiseOnTopMs = 200;
    constexpr int displayLostExitCode = 1;

    /** How long a window manager may take to answer a size correction before the window's size
        counts as its answer.
    */
    constexpr int correctionAnswerMs = 250;

    /** How often, and for how long after the start, the window looks for its frame: the window
        manager's frame extents may arrive without a move, resize or paint that would show them.
    */
    constexpr int lookForFrameMs = 20;
    constexpr int lookForFrameUntilMs = 5000;

    using PanelLayout::designWidth;
    using PanelLayout::designHeight;

    /** The main display's user area: the window manager's work area on X11; empty without a main
        display.
    */
    juce::Rectangle<int> mainUserArea()
    {
        const auto* mainDisplay = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
        return mainDisplay != nullptr ? WorkArea::userAreaOf (*mainDisplay) : juce::Rectangle<int>();
    }

    MainComponent* panelOf (juce::DocumentWindow* window)
    {
        return window != nullptr ? dynamic_cast<MainComponent*> (window->getContentComponent()) : nullptr;
    }
}

Talvoz3UIApplication::~Talvoz3UIApplication()
{
    mainWindow = nullptr;
}

const juce::String Talvoz3UIApplication::getApplicationName()    { return applicationName; }
const juce::String Talvoz3UIApplication::getApplicationVersion() { return shownVersionOf (fullVersion); }

bool Talvoz3UIApplication::moreThanOneInstanceAllowed()
{
   #if JUCE_LINUX
    // The framework's lock here is one file for the whole machine: one user's panel (or anyone
    // holding that file) would silently stop every other user's launch. The entry point's own
    // per-user hand-over keeps one panel per user instead.
    return true;
   #else
    return false;
   #endif
}

juce::Rectangle<int> Talvoz3UIApplication::startSizeForUserAreaHeight (int userAreaHeight)
{
    const auto scale = userAreaHeight > 1291 ? 0.95f : 0.6f;
    return { static_cast<int> (static_cast<float> (designWidth) * scale),
             static_cast<int> (static_cast<float> (designHeight) * scale) };
}

void Talvoz3UIApplication::initialise (const juce::String& commandLine)
{
    if (CommandLineSwitches::is (commandLine, CommandLineSwitches::shutdown))
    {
        juce::MessageManager::getInstance()->stopDispatchLoop();
        return;
    }

    const auto resetRequested = CommandLineSwitches::asksForResetAtStart (commandLine);

    listenForLaterLaunches();
    endOnTheSystemsQuitRequest();
    startSystemServices();
    connectToTheDisplay();

    auto window = buildMainWindow();

    if (resetRequested)
        forgetWindowPosition (*window);

    placeAtStartSize (*window);

    // A reset at start gives the window the reset's size and place before it is first shown: a
    // window shown at the start size and moved at once could still be framed by the window
    // manager at the start size after the reset's move had arrived.
    if (! resetRequested)
        window->setVisible (true);

    mainWindow = std::move (window);

    if (resetRequested)
        resetToFactoryDefaults (CommandLineSwitches::asksForDefaults (commandLine));

    if (CommandLineSwitches::is (commandLine, CommandLineSwitches::init))
    {
        setApplicationReturnValue (initExitCode);
        juce::MessageManager::getInstance()->stopDispatchLoop();
    }
}

void Talvoz3UIApplication::listenForLaterLaunches()
{
    // The framework cannot pass a second launch's command line on to us on this platform.
    if (instanceClaim != nullptr)
        instanceClaim->startListening ([this] (const juce::String& otherCommandLine)
                                       {
                                           anotherInstanceStarted (otherCommandLine);
                                       });
}

void Talvoz3UIApplication::endOnTheSystemsQuitRequest()
{
    // From here on the system's quit request ends the panel as its close button does; before,
    // there is nothing to save.
    quitSignals = std::make_unique<QuitSignals> ([this] { systemRequestedQuit(); });
}

void Talvoz3UIApplication::startSystemServices()
{
    // Before the panel, whose construction looks for an interface already plugged in.
    systemServices.start (PlatformHost::get(), usbVendorId, usbProductId);
}

void Talvoz3UIApplication::connectToTheDisplay()
{
    juce::Desktop::getInstance();

    if (onDisplayConnected != nullptr)
        onDisplayConnected();

    DisplayLoss::handleWith ([this] { displayLost(); });
    WaitingEvents::deliverFromNowOn();
}

std::unique_ptr<Talvoz3UIApplication::MainWindow> Talvoz3UIApplication::buildMainWindow()
{
    // The window is built off the desktop and placed there once it has its start size: each
    // change of title bar, constrainer or resizability recreates a window that is already on the
    // desktop and shows it at once, first at the framework's default size, then at the panel's
    // initial 744 x 1360, before the start size replaces it.
    auto window = std::make_unique<MainWindow> (getApplicationName() + " v" + getApplicationVersion());
    window->setUsingNativeTitleBar (true);
    window->setContentOwned (new MainComponent(), true);
    window->constrainClientArea();
    return window;
}

void Talvoz3UIApplication::placeAtStartSize (MainWindow& window)
{
    window.setResizable (true, true);

    const auto userArea = mainUserArea();
    const auto startSize = startSizeForUserAreaHeight (userArea.getHeight());

    if (userArea.isEmpty())
        window.centreWithSize (startSize.getWidth(), startSize.getHeight());
    else
        window.placeAtStart (startSize, userArea);

    // On the desktop, still hidden: the native frame can be measured now, and the window manager
    // knows the limits before it first shows the window.
    window.addToDesktop();
    window.publishClientAreaLimits();
}

void Talvoz3UIApplication::forgetWindowPosition (MainWindow& window)
{
    if (auto* panel = panelOf (&window))
        panel->savedWindowPosition ({});
}

void Talvoz3UIApplication::resetToFactoryDefaults (bool showAgain)
{
    auto* panel = panelOf (mainWindow.get());

    if (panel == nullptr)
        return;

    panel->setFactoryDefaults();
    placeAfterReset();
    forgetWindowPosition (*mainWindow);

    if (showAgain)
        mainWindow->setVisible (true);
}

void Talvoz3UIApplication::placeAfterReset()
{
    // The reset centres the window at its factory size on the whole screen: on a small screen, or
    // beside a desktop's panel, its title bar could end out of reach. It goes where a start at
    // that size would go.
    if (const auto userArea = mainUserArea(); ! userArea.isEmpty())
        mainWindow->placeAtStart (mainWindow->getBounds().withZeroOrigin(), userArea);
    else
        mainWindow->keepPlaceGiven();
}

void Talvoz3UIApplication::shutdown()
{
    // A launch from now on waits for the claim, which goes once the settings are saved, and then
    // starts the next panel; it is not handed to this one, which would drop it.
    if (instanceClaim != nullptr)
        instanceClaim->stopListening();

    if (mainWindow != nullptr)
    {
        const auto state = mainWindow->stateToStore();

        if (mainWindow->getContentComponent() != nullptr)
            storeWindowPosition (state);
    }

    mainWindow = nullptr;
    systemServices.stop();
}

void Talvoz3UIApplication::anotherInstanceStarted (const juce::String& commandLine)
{
    if (auto* panel = panelOf (mainWindow.get()))
    {
        if (CommandLineSwitches::asksForDefaults (commandLine))
        {
            panel->setFactoryDefaults();
            placeAfterReset();
            storeWindowPosition ({});
        }

        // During an earlier launch's raise the window is on top only for that raise.
        const auto wasAlwaysOnTop = onTopBeforeRaise.value_or (mainWindow->isAlwaysOnTop());

        panel->setVisible (true);
        mainWindow->setVisible (true);

       #if JUCE_LINUX || JUCE_BSD
        // Always-on-top would re-create the window here (the window manager then places the new
        // one); an activation request raises and focuses the one there is, where it is.
        juce::ignoreUnused (wasAlwaysOnTop);
        WindowManagerRequests::activate (*mainWindow);
       #else
        if (! juce::SystemStats::isRunningInAppExtensionSandbox())
        {
            juce::Process::makeForegroundProcess();
            mainWindow->toFront (true);
        }

        keepOnTopBriefly (wasAlwaysOnTop);
       #endif
    }

    if (CommandLineSwitches::is (commandLine, CommandLineSwitches::shutdown))
        juce::MessageManager::getInstance()->stopDispatchLoop();
}

void Talvoz3UIApplication::keepOnTopBriefly (bool wasAlwaysOnTop)
{
    // A timer, not a pause: the message thread keeps serving MIDI, timers and quit requests.
    onTopBeforeRaise = wasAlwaysOnTop;
    mainWindow->setAlwaysOnTop (true);

    const auto raise = ++raiseCount;
    juce::Timer::callAfterDelay (raiseOnTopMs, [this, raise, window = juce::Component::SafePointer<MainWindow> (mainWindow.get())]
                                 {
                                     if (window == nullptr || raise != raiseCount)
                                         return;   // the window is gone, or a later launch raised it again

                                     window->setAlwaysOnTop (onTopBeforeRaise.value_or (false));
                                     onTopBeforeRaise.reset();
                                 });
}

void Talvoz3UIApplication::systemRequestedQuit()
{
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

void Talvoz3UIApplication::displayLost()
{
    std::fprintf (stderr, "Talvo z3 Control: the connection to the display was lost; saving and exiting.\n");
    setApplicationReturnValue (displayLostExitCode);
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

void Talvoz3UIApplication::storeWindowPosition (const juce::String& state)
{
    if (auto* panel = panelOf (mainWindow.get()))
        panel->savedWindowPosition (state);
}

//==============================================================================
Talvoz3UIApplication::MainWindow::MainWindow (const juce::String& name)
    : juce::DocumentWindow (name, juce::Colours::lightgrey, juce::DocumentWindow::closeButton, false)
{
}

Talvoz3UIApplication::MainWindow::~MainWindow()
{
    setConstrainer (nullptr);
    borderConstrainer = nullptr;
}

void Talvoz3UIApplication::MainWindow::paintOverChildren (juce::Graphics& g)
{
    juce::DocumentWindow::paintOverChildren (g);

    // The framework ends every paint of the window here, including one that only an opaque
    // child covers (a meter's reading), for which it skips the window's own paint.
    PaintDelivery::sendAfterThisPaint();

    // Shown, the window is framed: a frame reported without a move or resize shows here.
    placeAgainOnceFramed();
}

void Talvoz3UIApplication::MainWindow::moved()
{
    juce::DocumentWindow::moved();

    if (noteStateWhileConnected())
        keepClientAreaOnShape();
}

void Talvoz3UIApplication::MainWindow::resized()
{
    juce::DocumentWindow::resized();

    if (noteStateWhileConnected())
        keepClientAreaOnShape();
}

bool Talvoz3UIApplication::MainWindow::noteStateWhileConnected()
{
    if (DisplayLoss::happened())
        return false;

    if (! isOnDesktop())
        return true;

    // Kept only if the connection was still there after the read: a read on a connection that
    // broke meanwhile gives zeros.
    auto state = getWindowStateAsString();

    if (DisplayLoss::happened())
        return false;

    stateWhileConnected = std::move (state);
    return true;
}

juce::String Talvoz3UIApplication::MainWindow::stateToStore()
{
    return DisplayLoss::happened() ? stateWhileConnected : getWindowStateAsString();
}

void Talvoz3UIApplication::MainWindow::keepClientAreaOnShape()
{
    if (borderConstrainer == nullptr || ! isOnDesktop() || isMinimised() || applyingCorrection)
        return;

    measureFrame();
    placeAgainOnceFramed();

    if (borderConstrainer->fits (getBounds()))
    {
        lastFittingBounds = getBounds();
        correctionAwaited = false;
        return;
    }

    // Until a size that fits arrives, what arrives is the window manager's way there (or its
    // refusal): correcting that again would fight it. Only a new maximise or full screen may
    // come before (handleAsyncUpdate tells).
    if (! correctionAwaited || getBounds() != releasedBounds)
        triggerAsyncUpdate();   // not from inside the framework's handling of the new size
}

void Talvoz3UIApplication::MainWindow::measureFrame()
{
    // An X11 window manager frames a window only once it is shown: the frame is measured when
    // the window manager first reports it.
    if (borderConstrainer->frameBorder.isEmpty())
        if (auto* peer = getPeer())
            if (const auto frame = peer->getFrameSizeIfPresent())
                borderConstrainer->frameBorder = *frame;
}

void Talvoz3UIApplication::MainWindow::placeAtStart (juce::Rectangle<int> startSize, juce::Rectangle<int> userArea)
{
    jassert (borderConstrainer != nullptr);

    startPlaceDue.reset();
    setBounds (borderConstrainer->startClientArea (startSize, userArea));
    lastFittingBounds = getBounds();
    startPlace = StartPlace { startSize, userArea, getBounds(), SteadyDeadline::in (lookForFrameUntilMs) };
    startTimer (lookForFrameMs);
}

void Talvoz3UIApplication::MainWindow::keepPlaceGiven()
{
    // The reset's own move may have measured the frame and asked for the start place already.
    startPlace.reset();
    startPlaceDue.reset();
}

void Talvoz3UIApplication::MainWindow::placeAgainOnceFramed()
{
    if (! startPlace.has_value() || borderConstrainer == nullptr || ! isOnDesktop())
        return;

    measureFrame();

    // Without a window manager, or under one that draws no frame, the first place stands.
    if (borderConstrainer->frameBorder.isEmpty())
        return;

    const auto start = *std::exchange (startPlace, std::nullopt);

    // A place whose frame lies in the user area stands, as the user may have moved the window
    // already; only one that the frame pushes out of it is given anew.
    if (start.userArea.contains (borderConstrainer->frameBorder.addedTo (start.given)))
        return;

    startPlaceDue = borderConstrainer->startClientArea (start.size, start.userArea);
    triggerAsyncUpdate();   // not from inside the framework's handling of an event
}

void Talvoz3UIApplication::MainWindow::handleAsyncUpdate()
{
    if (const auto place = std::exchange (startPlaceDue, std::nullopt))
    {
        {
            const juce::ScopedValueSetter<bool> applying (applyingCorrection, true);
            setBounds (*place);
        }

        if (borderConstrainer != nullptr && borderConstrainer->fits (*place))
            lastFittingBounds = *place;
    }

    const auto given = getBounds();

    if (borderConstrainer == nullptr || borderConstrainer->fits (given))
        return;

    // Maximised or full screen, the window manager refuses any other size. The user asked for the
    // largest the panel allows on that screen; released, the window has its frame again. A hold
    // at other bounds than the one last released is a new request of the user's, also while a
    // correction is awaited; the one released already is the window manager's refusal.
    const auto held = WindowManagerRequests::holdsAtScreenSize (*this);

    if (correctionAwaited && ! (held && given != releasedBounds))
        return;

    auto corrected = borderConstrainer->correctedClientArea (given, lastFittingBounds);

    if (held)
    {
        releasedBounds = given;
        WindowManagerRequests::releaseFromScreenSize (*this);

        if (const auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (given))
            corrected = borderConstrainer->largestClientAreaWithin (borderConstrainer->frameBorder.subtractedFrom (WorkArea::userAreaOf (*display)));
    }

    correctionAwaited = true;
    {
        const juce::ScopedValueSetter<bool> applying (applyingCorrection, true);
        setBounds (corrected);
    }
    correctionCheckDue = SteadyDeadline::in (correctionAnswerMs);
    startTimer (lookForFrameMs);
}

void Talvoz3UIApplication::MainWindow::timerCallback()
{
    if (startPlace.has_value() && startPlace->lookUntil.millisecondsLeft() == 0)
        startPlace.reset();   // no frame came: no window manager frames this window

    placeAgainOnceFramed();

    // A window manager that gives the corrected size exactly sends nothing the framework reports
    // as a move or resize: it took that size on already. Reached without a notice, a size that
    // does not fit from now on is a new one to correct.
    if (correctionCheckDue.has_value() && correctionCheckDue->millisecondsLeft() == 0)
    {
        correctionCheckDue.reset();

        if (correctionAwaited && borderConstrainer != nullptr && borderConstrainer->fits (getBounds()))
        {
            lastFittingBounds = getBounds();
            correctionAwaited = false;
        }
    }

    if (! startPlace.has_value() && ! correctionCheckDue.has_value())
        stopTimer();
}

WindowSizeHints::Limits Talvoz3UIApplication::MainWindow::clientAreaLimits()
{
    return { designWidth / 2, designHeight / 2, designWidth, designHeight, designWidth, designHeight };
}

void Talvoz3UIApplication::MainWindow::constrainClientArea()
{
    const auto limits = clientAreaLimits();

    borderConstrainer = std::make_unique<BorderBoundsConstrainer>();
    setConstrainer (borderConstrainer.get());

    borderConstrainer->setFixedAspectRatio (static_cast<double> (limits.aspectWidth) / limits.aspectHeight);
    borderConstrainer->setSizeLimits (limits.minWidth, limits.minHeight, limits.maxWidth, limits.maxHeight);
}

void Talvoz3UIApplication::MainWindow::publishClientAreaLimits()
{
    jassert (borderConstrainer != nullptr);

    measureFrame();
    lastFittingBounds = getBounds();

    WindowSizeHints::keep (*this, clientAreaLimits());
}

void Talvoz3UIApplication::MainWindow::closeButtonPressed()
{
    if (auto* panel = panelOf (this))
        panel->savedWindowPosition (getWindowStateAsString());

    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}
