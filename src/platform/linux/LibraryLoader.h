#pragma once

#include <juce_core/juce_core.h>

/** Opens a shared library for the rest of the process and looks up its functions by name, for
    the tables of function pointers that take the place of linking a library (LoadedLibrary). It
    keeps the first thing that went wrong and, after it, looks up nothing more.

    The library is never closed: the functions found may be called until the process ends.
*/
class LibraryLoader final
{
public:
    explicit LibraryLoader (const char* libraryFileName);

    /** Points function at the library's function of this name; leaves it null when the library
        did not load, the name is missing, or an earlier name was.
    */
    template <typename Function>
    void lookUp (const char* name, Function& function)
    {
        function = reinterpret_cast<Function> (find (name));
    }

    /** Why the library did not load or which function it lacks; empty when all was found. */
    juce::String whyUnavailable() const { return whyNot; }

private:
    void* find (const char* name);

    const juce::String fileName;
    void* library = nullptr;
    juce::String whyNot;

    JUCE_DECLARE_NON_COPYABLE (LibraryLoader)
};
