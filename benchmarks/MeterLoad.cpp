// What moving meters cost the panel, as a user's system monitor shows it: the panel in its main
// window on the display, connected to the simulated interface; a thread standing in for the MIDI
// input thread hands it level-meter reports at a steady rate, as the interface's "DAW Control"
// input delivers them. The CPU time of the whole process (that thread included) over a stretch of
// wall time, per rate.
//
//   talvo_meter_load [--seconds S] [--width W] [--rates 0,40,100,240,347,1000]
//
// Run it on a display (xvfb-run); no window manager is needed. Without --width the panel takes
// the start size it would take on this display.

#include "mixer/TimerIds.h"
#include "panel/Main.h"
#include "panel/MainComponent.h"
#include "support/MessageLoop.h"
#include "support/SimulatedHostFixture.h"
#include "support/SimulatedTalvoZ3.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace
{
    constexpr int connectTimeoutMs = 15000;

    /** Runs the message loop as the program's own does, waiting for each message or event
        (the framework's runDispatchLoopUntil would wake every millisecond to look instead).
    */
    void runMessageLoopFor (int milliseconds)
    {
        bool over = false;
        juce::Timer::callAfterDelay (milliseconds, [&over] { over = true; });

        while (! over)
            juce::dispatchNextMessageOnSystemQueue (false);
    }

    double processCpuSeconds()
    {
        timespec t {};
        clock_gettime (CLOCK_PROCESS_CPUTIME_ID, &t);
        return (double) t.tv_sec + (double) t.tv_nsec * 1.0e-9;
    }

    /** Hands meter reports to the panel's MIDI input at a steady rate from a thread of its own,
        which sleeps in between as a MIDI input thread does, until destroyed. Each report is one of
        the four meters in turn, at a level that rises and falls as music does, more or less.
    */
    class ReportPacer
    {
    public:
        ReportPacer (SimulatedMidiPorts& portsToUse, const juce::String& inputIdentifier, int reportsPerSecond)
        {
            if (reportsPerSecond <= 0)
                return;

            thread = std::thread ([this, &portsToUse, inputIdentifier, reportsPerSecond]
                                  {
                                      const auto interval = std::chrono::nanoseconds (1000000000LL / reportsPerSecond);
                                      auto next = std::chrono::steady_clock::now();

                                      for (int k = 0; ! stopping; ++k)
                                      {
                                          const auto meter = k % 4;
                                          const auto phase = (k / 4 * (3 + meter)) % 160;
                                          portsToUse.deliverToInputs (SimulatedTalvoZ3::meterReport (meter, 10 + (phase < 80 ? phase : 160 - phase)),
                                                                      inputIdentifier);
                                          sent = k + 1;
                                          next += interval;
                                          std::this_thread::sleep_until (next);
                                      }
                                  });
        }

        ~ReportPacer()
        {
            stopping = true;
            if (thread.joinable())
                thread.join();
        }

        std::atomic<int> sent { 0 };

    private:
        std::thread thread;
        std::atomic<bool> stopping { false };
    };

    struct Options
    {
        double seconds = 10;
        int width = 0; ///< 0: the start size the panel takes on this display
        std::vector<int> rates { 0, 40, 100, 240, 347, 1000 };
    };

    int run (const Options& options)
    {
        ScopedSimulatedHost sim;
        SimulatedMidiPorts ports;
        SimulatedTalvoZ3 talvo { ports };

        Talvoz3UIApplication::MainWindow window ("Talvo z3 Control meter load");
        window.setUsingNativeTitleBar (true);
        auto* panel = new MainComponent (ports);
        window.setContentOwned (panel, true);
        window.constrainClientArea();
        window.setResizable (true, true);

        const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
        auto size = Talvoz3UIApplication::startSizeForUserAreaHeight (display != nullptr ? display->userArea.getHeight() : 0);
        if (options.width > 0)
            size.setSize (options.width, options.width * PanelLayout::designHeight / PanelLayout::designWidth);

        window.centreWithSize (size.getWidth(), size.getHeight());
        window.addToDesktop();
        window.publishClientAreaLimits();
        window.setVisible (true);

        sim.plugInTalvo();
        const auto connected = pumpMessagesUntil ([&] { return ! panel->m_elementsDisabled && panel->m_mixer.versionSTC != 0; },
                                                  connectTimeoutMs)
                               && talvo.waitUntilIdle()
                               && pumpMessagesUntil ([&] { return ! panel->isTimerRunning (uiRefreshTimer); }, 3000);
        if (! connected)
        {
            std::fprintf (stderr, "the panel did not connect to the simulated interface\n");
            return 1;
        }

        // The window draws a frame at each display refresh: 100 a second where the display names
        // no rate (as Xvfb does), 60 on a common desktop.
        const auto refresh = display != nullptr ? display->verticalFrequencyHz : std::nullopt;
        std::printf ("panel %d x %d, display refresh %s; %.0f s per rate\n%14s %14s %16s\n", panel->getWidth(), panel->getHeight(),
                     refresh ? (juce::String (*refresh, 1) + " Hz").toRawUTF8() : "not named (frames at 100 Hz)",
                     options.seconds, "reports/s", "CPU of a core", "reports handled");

        for (const auto rate : options.rates)
        {
            ReportPacer pacer (ports, talvo.inputIdentifier, rate);
            runMessageLoopFor (1000); // settled at this rate

            const auto wallBefore = juce::Time::getMillisecondCounterHiRes();
            const auto cpuBefore = processCpuSeconds();
            const auto sentBefore = pacer.sent.load();

            runMessageLoopFor ((int) (options.seconds * 1000));

            const auto wallSeconds = (juce::Time::getMillisecondCounterHiRes() - wallBefore) / 1000.0;
            const auto cpu = processCpuSeconds() - cpuBefore;
            std::printf ("%14d %13.1f%% %16.0f\n", rate, 100.0 * cpu / wallSeconds, (pacer.sent.load() - sentBefore) / wallSeconds);
            std::fflush (stdout);
        }

        return 0;
    }

    std::vector<int> parseRates (const char* text)
    {
        std::vector<int> rates;
        for (const auto& r : juce::StringArray::fromTokens (text, ",", {}))
            rates.push_back (r.getIntValue());
        return rates;
    }
}

int main (int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const juce::String arg (argv[i]);
        if (arg == "--seconds")
            options.seconds = std::atof (argv[i + 1]);
        else if (arg == "--width")
            options.width = std::atoi (argv[i + 1]);
        else if (arg == "--rates")
            options.rates = parseRates (argv[i + 1]);
        else
        {
            std::fprintf (stderr, "usage: %s [--seconds S] [--width W] [--rates 0,40,100,...]\n", argv[0]);
            return 2;
        }
    }

    // Without a window manager, a window put on the desktop hidden (the panel's about box) ends
    // the process with an X error unless no application instance can be created.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };

    // The panel reads and writes its settings file: keep it away from the user's own.
    const auto home = juce::File::createTempFile ("talvo-meter-load-home");
    home.createDirectory();
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    unsetenv ("XDG_CONFIG_HOME");

    int result = 1;
    {
        juce::ScopedJuceInitialiser_GUI gui;
        result = run (options);
    }

    home.deleteRecursively();
    return result;
}
