#include "updater/UpdaterResult.h"

namespace UpdaterResult
{
    juce::String resultLine (Code code)
    {
        return juce::String (static_cast<int> (code));
    }

    int resultOf (const juce::String& output)
    {
        auto lines = juce::StringArray::fromLines (output);
        lines.trim();
        lines.removeEmptyStrings();

        const auto last = lines[lines.size() - 1];
        if (last.isEmpty() || ! last.containsOnly ("0123456789") || last.length() > 9)
            return -1;

        return last.getIntValue();
    }

    bool asksForResetAtNextConnection (const juce::String& output)
    {
        return resultOf (output) == interfaceRestarts;
    }
}
