#include "mixer/SafeXmlFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeXmlFile
{
    namespace
    {
        using Cursor = juce::String::CharPointerType;

        bool isSpace (juce::juce_wchar c) noexcept
        {
            return c == ' ' || c == '\t' || c == '\r' || c == '\n';
        }

        /** The ASCII part of the parser's name characters; any other character in a name makes the
            document one this check does not follow.
        */
        bool isNameChar (juce::juce_wchar c) noexcept
        {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '_' || c == '-' || c == ':' || c == '.';
        }

        bool startsWith (Cursor p, const char* ascii) noexcept
        {
            for (; *ascii != 0; ++ascii, ++p)
                if (*p != static_cast<juce::juce_wchar> (*ascii))
                    return false;
            return true;
        }

        bool startsWithIgnoringCase (Cursor p, const char* ascii) noexcept
        {
            for (; *ascii != 0; ++ascii, ++p)
                if (juce::CharacterFunctions::toLowerCase (*p) != static_cast<juce::juce_wchar> (*ascii))
                    return false;
            return true;
        }

        /** Moves p past the first occurrence of terminator; false when there is none. */
        bool skipPast (Cursor& p, const char* terminator) noexcept
        {
            for (; *p != 0; ++p)
            {
                if (startsWith (p, terminator))
                {
                    for (auto* t = terminator; *t != 0; ++t)
                        ++p;
                    return true;
                }
            }
            return false;
        }

        void skipName (Cursor& p) noexcept
        {
            while (isNameChar (*p))
                ++p;
        }

        void skipSpace (Cursor& p) noexcept
        {
            while (isSpace (*p))
                ++p;
        }

        /** A character reference the parser expands to one character: the five named ones (any
            letter case, as the parser compares them) and numeric ones. p stands on the ampersand.
        */
        bool skipCharacterReference (Cursor& p) noexcept
        {
            ++p;

            for (auto* name : { "amp;", "quot;", "apos;", "lt;", "gt;" })
            {
                if (startsWithIgnoringCase (p, name))
                {
                    for (auto* n = name; *n != 0; ++n)
                        ++p;
                    return true;
                }
            }

            if (*p != '#')
                return false;

            ++p;
            const auto hex = (*p == 'x' || *p == 'X');
            if (hex)
                ++p;

            std::int64_t value = 0;
            int digits = 0;
            for (; *p != ';'; ++p)
            {
                const auto digit = hex ? juce::CharacterFunctions::getHexDigitValue (*p)
                                       : (*p >= '0' && *p <= '9' ? static_cast<int> (*p - '0') : -1);
                if (digit < 0 || ++digits > (hex ? 8 : 12))
                    return false;
                value = value * (hex ? 16 : 10) + digit;
            }
            ++p;

            // Up to the largest value UTF-8 text can hold, so that whatever was read is written
            // back as a reference this check accepts again.
            return digits > 0 && value <= 0x1FFFFF;
        }

        enum class TagEnd { open, selfClosed, bad };

        /** Reads a start tag's name and attributes; p stands after the '<'. */
        TagEnd skipStartTag (Cursor& p) noexcept
        {
            if (! isNameChar (*p))
                return TagEnd::bad;
            skipName (p);

            for (;;)
            {
                skipSpace (p);

                if (*p == '/' && p[1] == '>')
                {
                    p += 2;
                    return TagEnd::selfClosed;
                }

                if (*p == '>')
                {
                    ++p;
                    return TagEnd::open;
                }

                if (! isNameChar (*p))
                    return TagEnd::bad;
                skipName (p);
                skipSpace (p);

                if (*p != '=')
                    return TagEnd::bad;
                ++p;
                skipSpace (p);

                const auto quote = *p;
                if (quote != '"' && quote != '\'')
                    return TagEnd::bad;

                for (++p; *p != quote;)
                {
                    if (*p == 0)
                        return TagEnd::bad;
                    if (*p == '&')
                    {
                        if (! skipCharacterReference (p))
                            return TagEnd::bad;
                    }
                    else
                    {
                        ++p;
                    }
                }
                ++p;
            }
        }
    }

    bool isRegularFile (const juce::File& file)
    {
        struct stat info {};
        return file.getFullPathName().isNotEmpty()
            && ::stat (file.getFullPathName().toRawUTF8(), &info) == 0
            && S_ISREG (info.st_mode);
    }

    std::optional<juce::MemoryBlock> readRegularFileCapped (const juce::File& file, std::size_t maxBytes)
    {
        // Looking before opening spares devices the side effects of an open; looking again at the
        // opened object closes the gap in which the path could be swapped.
        if (! isRegularFile (file))
            return std::nullopt;

        const auto fd = ::open (file.getFullPathName().toRawUTF8(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;

        std::optional<juce::MemoryBlock> result;
        struct stat info {};

        if (::fstat (fd, &info) == 0 && S_ISREG (info.st_mode)
            && static_cast<std::uint64_t> (info.st_size) <= static_cast<std::uint64_t> (maxBytes))
        {
            // One byte more than allowed tells a file that grew while being read.
            juce::MemoryBlock bytes (maxBytes + 1);
            std::size_t filled = 0;
            bool failed = false;

            while (filled < bytes.getSize())
            {
                const auto n = ::read (fd, static_cast<char*> (bytes.getData()) + filled, bytes.getSize() - filled);
                if (n == 0)
                    break;
                if (n < 0)
                {
                    if (errno == EINTR)
                        continue;
                    failed = true;
                    break;
                }
                filled += static_cast<std::size_t> (n);
            }

            if (! failed && filled <= maxBytes)
            {
                bytes.setSize (filled);
                result = std::move (bytes);
            }
        }

        ::close (fd);
        return result;
    }

    std::optional<XmlShape> measureXml (const juce::String& text)
    {
        auto p = text.getCharPointer();
        int depth = 0;
        XmlShape shape;

        for (;;)
        {
            const auto c = *p;

            if (c == 0)
                return std::nullopt; // no document element, or one left open

            if (c == '<')
            {
                if (startsWith (p, "<!--"))
                {
                    if (! skipPast (p, "-->"))
                        return std::nullopt;
                    continue;
                }

                if (p[1] == '!')
                    return std::nullopt; // a document type or CDATA

                if (p[1] == '?')
                {
                    // Inside the document element the parser can loop forever on one.
                    if (depth > 0)
                        return std::nullopt;

                    if (! skipPast (p, "?>"))
                        return std::nullopt;
                    continue;
                }

                if (p[1] == '/')
                {
                    if (depth == 0)
                        return std::nullopt;

                    p += 2;
                    skipName (p);
                    skipSpace (p);
                    if (*p != '>')
                        return std::nullopt;
                    ++p;

                    // The parser reads one document element and nothing after it.
                    if (--depth == 0)
                        return shape;
                    continue;
                }

                ++p;
                const auto end = skipStartTag (p);
                if (end == TagEnd::bad)
                    return std::nullopt;

                ++shape.elements;
                shape.depth = std::max (shape.depth, depth + 1);

                if (end == TagEnd::open)
                    ++depth;
                else if (depth == 0)
                    return shape;
                continue;
            }

            if (depth == 0)
            {
                if (! isSpace (c))
                    return std::nullopt;
                ++p;
                continue;
            }

            if (c == '&')
            {
                if (! skipCharacterReference (p))
                    return std::nullopt;
                continue;
            }

            ++p;
        }
    }

    bool xmlNestingWithin (const juce::String& text, int maxDepth)
    {
        const auto shape = measureXml (text);
        return shape.has_value() && shape->depth <= maxDepth;
    }

    std::unique_ptr<juce::XmlElement> parseChecked (const juce::String& text, int maxDepth, int maxElements)
    {
        const auto shape = measureXml (text);
        if (! shape.has_value() || shape->depth > maxDepth || shape->elements > maxElements)
            return {};

        return juce::XmlDocument (text).getDocumentElement();
    }

    juce::String decodeText (const juce::MemoryBlock& bytes)
    {
        return juce::String::createStringFromData (bytes.getData(), static_cast<int> (bytes.getSize()));
    }

    std::unique_ptr<juce::XmlElement> parseFileChecked (const juce::File& file, std::size_t maxBytes, int maxDepth, int maxElements)
    {
        if (auto bytes = readRegularFileCapped (file, maxBytes))
            return parseChecked (decodeText (*bytes), maxDepth, maxElements);

        return {};
    }
}
