#pragma once

#include "platform/linux/LibraryLoader.h"

#include <juce_core/juce_core.h>

/** Declares, inside a struct of a library's functions, one pointer member per function of the
    list (each with the function's own name and type) and lookUpAll(), which points each at the
    library's function of that name. The list is a macro that applies its argument to every name.
*/
#define TALVO_LOADED_FUNCTIONS(list)                                    \
    list (TALVO_LOADED_FUNCTION_MEMBER)                                 \
    void lookUpAll (LibraryLoader& loader) { list (TALVO_LOADED_FUNCTION_LOOK_UP) }

#define TALVO_LOADED_FUNCTION_MEMBER(name) decltype (&::name) name = nullptr;
#define TALVO_LOADED_FUNCTION_LOOK_UP(name) loader.lookUp (#name, name);

/** A shared library loaded when first asked for instead of linked: the table of its functions
    that Functions declares (with TALVO_LOADED_FUNCTIONS) and its file name,
    Functions::libraryFileName.

    The library, once loaded, is never unloaded, and the program's table is never destroyed:
    threads and sessions that call through it may be in use until the process ends.
*/
template <typename Functions>
class LoadedLibrary final : public Functions
{
public:
    /** The program's table. The first call, from any thread, loads the library; every call
        returns the same table, which lives until the process ends.
    */
    static const LoadedLibrary& get()
    {
        static const auto* const library = new LoadedLibrary (Functions::libraryFileName);
        return *library;
    }

    /** Loads the library with this file name and looks up every function; get() is the one for
        the program, tests load others.
    */
    explicit LoadedLibrary (const char* fileName)
    {
        LibraryLoader loader (fileName);
        this->lookUpAll (loader);
        whyNot = loader.whyUnavailable();
    }

    /** True when the library and every function in the table were found. */
    bool isAvailable() const noexcept { return whyNot.isEmpty(); }

    /** Why the table cannot be used; empty when it can. */
    juce::String whyUnavailable() const { return whyNot; }

    JUCE_DECLARE_NON_COPYABLE (LoadedLibrary)

private:
    juce::String whyNot;
};
