#pragma once

#include <juce_core/juce_core.h>

/** Runs one test of this test program in a child process, for tests that need a process of their
    own (a preloaded library, a private bus in the environment).
*/
namespace ChildTestRun
{
    struct Result
    {
        bool started = false;
        int exitCode = -1;
        juce::String output;
    };

    /** Runs the test named by filter (which may be a disabled one) through the launcher given
        (empty: none) with the environment variable marker set to 1, and returns what it printed.
    */
    Result run (const juce::String& filter, const juce::String& launcher, const char* marker,
                int timeoutMs = 120000);

    /** True in a child that run() started with this marker. */
    bool isChild (const char* marker);

    /** A program's full path, found on PATH; empty when it is not installed. */
    juce::String findProgram (const juce::String& name);
}
