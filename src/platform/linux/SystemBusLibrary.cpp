#include "platform/linux/SystemBusLibrary.h"

#include <dlfcn.h>

namespace
{
    constexpr const char* libsystemdFileName = "libsystemd.so.0";

    template <typename Function>
    bool lookUp (void* library, const char* name, Function& function)
    {
        function = reinterpret_cast<Function> (::dlsym (library, name));
        return function != nullptr;
    }
}

const SystemBusLibrary& SystemBusLibrary::get()
{
    // Never destroyed: the bus thread may still call through the table while statics go away.
    static const auto* const library = new SystemBusLibrary (libsystemdFileName);
    return *library;
}

SystemBusLibrary::SystemBusLibrary (const char* libraryFileName)
{
    // Never closed (see the class comment).
    auto* const library = ::dlopen (libraryFileName, RTLD_NOW | RTLD_LOCAL);

    if (library == nullptr)
    {
        const auto* const error = ::dlerror();
        whyNot = juce::String (libraryFileName) + " cannot be loaded ("
                 + (error != nullptr ? juce::String::fromUTF8 (error) : juce::String ("unknown error")) + ")";
        return;
    }

#define TALVO_SD_BUS_LOOK_UP(name)                                 \
    if (whyNot.isEmpty() && ! lookUp (library, #name, this->name)) \
        whyNot = juce::String (libraryFileName) + " has no " #name;
    TALVO_SD_BUS_FUNCTIONS (TALVO_SD_BUS_LOOK_UP)
#undef TALVO_SD_BUS_LOOK_UP
}
