#pragma once

/** The C library allocator's settings the panel runs with.

    The panel's entry point applies them first thing; so do the benchmarks that stand for the
    panel or hold it against a bare window, so that they measure what the program runs. Built as
    a library of its own (talvo_allocator), which a program links without the rest of our code.
*/
namespace AllocatorTuning
{
    /** Every large buffer in a mapping of its own, returned to the system when freed, and one heap
        for all threads; only where the C library lets a program choose (glibc's mallopt), else
        nothing. Call at the start of main, before any other thread exists.

        @returns whether the settings are in effect
    */
    bool apply();
}
