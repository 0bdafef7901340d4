#include "platform/linux/SystemBusLibrary.h"

#include "platform/linux/LibraryLoader.h"

namespace
{
    constexpr const char* libsystemdFileName = "libsystemd.so.0";
}

const SystemBusLibrary& SystemBusLibrary::get()
{
    // Never destroyed: the bus thread may still call through the table while statics go away.
    static const auto* const library = new SystemBusLibrary (libsystemdFileName);
    return *library;
}

SystemBusLibrary::SystemBusLibrary (const char* libraryFileName)
{
    LibraryLoader loader (libraryFileName);

#define TALVO_SD_BUS_LOOK_UP(name) loader.lookUp (#name, this->name);
    TALVO_SD_BUS_FUNCTIONS (TALVO_SD_BUS_LOOK_UP)
#undef TALVO_SD_BUS_LOOK_UP

    whyNot = loader.whyUnavailable();
}
