#include "platform/AllocatorTuning.h"

#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstring>

/** BurstBenchmark.cpp: runs one burst in this fresh process and prints its time. */
int runFirstBurstInThisProcess();

int main (int argc, char** argv)
{
    // As the panel's entry point does: the bursts are measured with the allocator it runs.
    AllocatorTuning::apply();

    // Without a window manager (Xvfb) a window put on the desktop, such as the panel's hidden
    // about box, ends the process with an X error unless no application instance can be created.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    if (argc == 2 && std::strcmp (argv[1], "--first-burst-only") == 0)
        return runFirstBurstInThisProcess();

    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
