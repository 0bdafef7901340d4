#include "support/ChildTestRun.h"

#include <cstdlib>

ChildTestRun::Result ChildTestRun::run (const juce::String& filter, const juce::String& launcher,
                                        const char* marker, int timeoutMs)
{
    const auto self = juce::File::getSpecialLocation (juce::File::currentExecutableFile);

    juce::StringArray args;

    if (launcher.isNotEmpty())
        args.add (launcher);

    args.addArray ({ self.getFullPathName(), "--gtest_filter=" + filter, "--gtest_also_run_disabled_tests" });

    // The child inherits this process's environment; the marker and the sanitizers' tolerance of
    // a preloaded library are set only for the time it takes to start it. That library works on
    // descriptors behind the thread sanitizer's back, so what uninstrumented code does with
    // descriptors is left out of its judgement there.
    const juce::String asanBefore = std::getenv ("ASAN_OPTIONS") != nullptr ? std::getenv ("ASAN_OPTIONS") : "";
    const juce::String tsanBefore = std::getenv ("TSAN_OPTIONS") != nullptr ? std::getenv ("TSAN_OPTIONS") : "";
    ::setenv (marker, "1", 1);
    ::setenv ("ASAN_OPTIONS", (asanBefore + ":verify_asan_link_order=0").toRawUTF8(), 1);
    ::setenv ("TSAN_OPTIONS", (tsanBefore + " ignore_noninstrumented_modules=1").toRawUTF8(), 1);

    Result result;
    juce::ChildProcess child;
    result.started = child.start (args);

    ::unsetenv (marker);
    ::setenv ("ASAN_OPTIONS", asanBefore.toRawUTF8(), 1);
    ::setenv ("TSAN_OPTIONS", tsanBefore.toRawUTF8(), 1);

    if (! result.started)
        return result;

    // Reading to the end also waits for the child; ctest's time-out ends a child that hangs.
    result.output = child.readAllProcessOutput();
    child.waitForProcessToFinish (timeoutMs);
    result.exitCode = static_cast<int> (child.getExitCode());
    return result;
}

bool ChildTestRun::isChild (const char* marker)
{
    return std::getenv (marker) != nullptr;
}

juce::String ChildTestRun::findProgram (const juce::String& name)
{
    const juce::String path = std::getenv ("PATH") != nullptr ? std::getenv ("PATH") : "/usr/bin:/bin";

    for (const auto& folder : juce::StringArray::fromTokens (path, ":", ""))
        if (const auto candidate = juce::File (folder).getChildFile (name); folder.isNotEmpty() && candidate.existsAsFile())
            return candidate.getFullPathName();

    return {};
}
