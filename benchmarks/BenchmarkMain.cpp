#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <cstring>

/** BurstBenchmark.cpp: runs one burst in this fresh process and prints its time. */
int runFirstBurstInThisProcess();

int main (int argc, char** argv)
{
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
