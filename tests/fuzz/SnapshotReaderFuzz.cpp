// The snapshot-file reader: any bytes a file may hold go through the same checks and key reading
// as a recall. Whatever is accepted must read back equal once written, and a save of a record over
// it (which keeps every key it read) must stay readable.

#include "storage/SnapshotFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
    void require (bool condition, const char* what)
    {
        if (! condition)
        {
            std::fprintf (stderr, "fuzz: %s\n", what);
            std::abort();
        }
    }

    std::optional<juce::StringPairArray> reparse (const juce::StringPairArray& properties)
    {
        const auto written = PropertiesDocument::write (properties);
        require (written.getSize() <= SnapshotFile::caps().maxDocumentBytes(), "wrote more than a read admits");
        return SnapshotFile::parseProperties (written.getData(), written.getSize());
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto properties = SnapshotFile::parseProperties (data, size);
    if (! properties.has_value())
        return 0;

    TalvoSnapShotParameter record;
    SnapshotFile::readRecord (*properties, record);

    const auto back = reparse (*properties);
    require (back.has_value() && *back == *properties && back->getAllKeys() == properties->getAllKeys(),
             "what was accepted read back different once written");

    auto saved = *properties;
    const auto values = SnapshotFile::keyValues (record);
    for (int i = 0; i < values.size(); ++i)
        saved.set (values.getAllKeys()[i], values.getAllValues()[i]);
    require (reparse (saved).has_value(), "a save over an accepted file made one that is refused");
    return 0;
}
