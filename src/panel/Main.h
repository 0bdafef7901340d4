#pragma once

#include "panel/OVKBorderBoundsConstrainer.h"
#include "panel/PanelLayout.h"
#include "panel/SingleInstanceChannel.h"
#include "platform/linux/SystemServices.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>
#include <vector>

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

    /** The main window: native title bar, close button only; owns the panel and its constrainer. */
    class MainWindow final : public juce::DocumentWindow
    {
    public:
        explicit MainWindow (const juce::String& name);
        ~MainWindow() override;

        void closeButtonPressed() override;
        void paint (juce::Graphics& g) override;

        std::unique_ptr<BorderBoundsConstrainer> borderConstrainer;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

    /** Width and height of the main window at start for a main display whose user area is
        userAreaHeight pixels high (0 when there is no main display).
    */
    static juce::Rectangle<int> startSizeForUserAreaHeight (int userAreaHeight);

    /** The artwork tiers of the start sizes, for a small main display and for a large one. */
    static std::vector<PanelLayout::ArtworkTier> possibleStartTiers();

    /** Called once the framework has its own connection to the display. */
    std::function<void()> onDisplayConnected;

    /** This launch's claim to be the one panel, handed over by the entry point before the
        framework starts; the panel listens for later launches through it. Without one, later
        launches cannot reach this panel. Declared before the panel's members, so it is let go
        only after the panel's teardown has saved the settings: no second panel starts meanwhile.
    */
    std::unique_ptr<SingleInstanceChannel::Claim> instanceClaim;

private:
    void storeWindowPosition (const juce::String& state);

    /** Keeps the main window on top for a moment after a second launch, then restores it. */
    void keepOnTopBriefly (bool wasAlwaysOnTop);

    SystemServices systemServices;   // declared before the window: it outlives the panel
    std::unique_ptr<MainWindow> mainWindow;
    std::optional<bool> onTopBeforeRaise;
    int raiseCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Talvoz3UIApplication)
};
