// Fuzz target for the snapshot-file reader: any bytes a file may hold go through the same
// safety checks and key reading as a recall, and whatever is accepted must survive being written
// back and read again unchanged (a save keeps every key it read).

#include "mixer/SafeXmlFile.h"
#include "mixer/SnapshotFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > static_cast<size_t> (SafeXmlFile::Limits().maxBytes))
        return 0;

    const auto properties = SnapshotFile::parseProperties (data, size);
    if (! properties.has_value())
        return 0;

    TalvoSnapShotParameter record;
    SnapshotFile::readRecord (*properties, record);

    const auto rewritten = SnapshotFile::parseProperties (SnapshotFile::toXml (*properties)->toString());
    if (! rewritten.has_value() || rewritten->getAllKeys() != properties->getAllKeys()
        || rewritten->getAllValues() != properties->getAllValues())
        std::abort();

    return 0;
}
