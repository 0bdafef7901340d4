#include "platform/linux/LibraryLoader.h"

#include <dlfcn.h>

LibraryLoader::LibraryLoader (const char* libraryFileName)
    : fileName (libraryFileName)
{
    // Never closed (see the class comment).
    library = ::dlopen (libraryFileName, RTLD_NOW | RTLD_LOCAL);

    if (library == nullptr)
    {
        const auto* const error = ::dlerror();
        whyNot = fileName + " cannot be loaded ("
                 + (error != nullptr ? juce::String::fromUTF8 (error) : juce::String ("unknown error")) + ")";
    }
}

void* LibraryLoader::find (const char* name)
{
    if (whyNot.isNotEmpty())
        return nullptr;

    auto* const function = ::dlsym (library, name);

    if (function == nullptr)
        whyNot = fileName + " has no " + name;

    return function;
}
