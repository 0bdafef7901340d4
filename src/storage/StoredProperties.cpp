#include "storage/StoredProperties.h"

namespace StoredProperties
{
juce::String Result::describe() const
{
    using File = GuardedFile::Problem;
    using Document = PropertiesDocument::Problem;

    juce::String text;
    switch (fileProblem)
    {
        case File::none:            break;
        case File::missing:         text = "is missing"; break;
        case File::notARegularFile: text = "is not a regular file"; break;
        case File::cannotOpen:      text = "cannot be opened"; break;
        case File::readFailed:      text = "could not be read"; break;
        case File::tooLarge:        text = "is too large"; break;
    }

    if (text.isEmpty())
    {
        switch (documentProblem)
        {
            case Document::none:            return {};
            case Document::notXml:          text = "is not a readable XML document"; break;
            case Document::hasDocumentType: text = "holds a document type declaration"; break;
            case Document::notProperties:   text = "is not a properties document"; break;
            case Document::tooDeep:         text = "is too deeply nested"; break;
            case Document::tooLarge:        text = "is too large"; break;
        }
    }

    return detail.isNotEmpty() ? text + " (" + detail + ")" : text;
}

Result read (const juce::File& file, const PropertiesDocument::Caps& caps)
{
    Result result;
    auto bytes = GuardedFile::read (file, caps.maxDocumentBytes());
    if (! bytes.ok())
    {
        result.fileProblem = bytes.problem;
        result.detail = bytes.detail;
        return result;
    }

    auto parsed = PropertiesDocument::parse (bytes.data.getData(), bytes.data.getSize(), caps);
    result.documentProblem = parsed.problem;
    result.detail = parsed.detail;
    result.properties = std::move (parsed.properties);
    result.bytes = std::move (bytes.data);
    return result;
}

GuardedFile::Written write (const juce::File& file, const juce::StringPairArray& properties)
{
    return GuardedFile::replace (file, PropertiesDocument::write (properties));
}
}
