#include "mixer/SafeXmlFile.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeXmlFile
{
namespace
{
    struct FileDescriptor
    {
        explicit FileDescriptor (int f) : fd (f) {}
        ~FileDescriptor() { if (fd >= 0) ::close (fd); }
        FileDescriptor (const FileDescriptor&) = delete;
        FileDescriptor& operator= (const FileDescriptor&) = delete;
        int fd;
    };

    Result failure (Problem problem, juce::String detail = {})
    {
        Result r;
        r.problem = problem;
        r.detail = std::move (detail);
        return r;
    }

    juce::String systemError (int error)
    {
        return juce::String (std::strerror (error));
    }

    /** Whole, well-formed UTF-8 without NUL bytes. The framework parses a file's bytes as
        UTF-8 in place, and a sequence cut short makes its character pointer step past the end.
    */
    bool isCleanUtf8 (const char* text, size_t size)
    {
        for (size_t i = 0; i < size;)
        {
            const auto lead = static_cast<unsigned char> (text[i]);
            if (lead == 0)
                return false;

            size_t extra = 0;
            if (lead < 0x80)                 extra = 0;
            else if ((lead & 0xE0) == 0xC0)  extra = 1;
            else if ((lead & 0xF0) == 0xE0)  extra = 2;
            else if ((lead & 0xF8) == 0xF0)  extra = 3;
            else                             return false;

            if (i + extra >= size)
                return false;

            for (size_t k = 1; k <= extra; ++k)
                if ((static_cast<unsigned char> (text[i + k]) & 0xC0) != 0x80)
                    return false;

            i += extra + 1;
        }
        return true;
    }

    /** The text scanner below mirrors what juce::XmlDocument accepts closely enough that, for any
        text it passes, the parser's recursion is no deeper than the depth it counted. Where the two
        could part (stray characters in a tag, entities the parser would search far ahead for),
        it refuses the text instead.
    */
    class DepthScanner
    {
    public:
        DepthScanner (const char* t, size_t n, int depthLimit, int elementLimit = std::numeric_limits<int>::max())
            : text (t), size (n), maxDepth (depthLimit), maxElements (elementLimit)
        {
        }

        int run()
        {
            int depth = 0, deepest = 0;

            while (pos < size)
            {
                const auto c = text[pos];

                if (c == '&')
                {
                    if (! skipEntity())
                        return malformed;
                    continue;
                }

                if (c != '<')
                {
                    ++pos;
                    continue;
                }

                if (startsWith ("<!--"))        { if (! skipPast ("-->", 4)) return malformed; }
                else if (startsWith ("<![CDATA[")) { if (! skipPast ("]]>", 9)) return malformed; }
                else if (startsWith ("<?"))
                {
                    // Only in the prolog: inside an element, a processing instruction followed by
                    // text sends the framework's parser round in circles.
                    if (seenRoot || ! skipPast ("?>", 2))
                        return malformed;
                }
                else if (startsWith ("<!"))     { return documentType; }
                else if (startsWith ("</"))
                {
                    if (! skipPast (">", 2))
                        return malformed;
                    depth = juce::jmax (0, depth - 1);
                }
                else
                {
                    bool opens = false;
                    if (! readStartTag (opens))
                        return malformed;

                    seenRoot = true;

                    // Stopping at the first element too many also spares scanning the rest.
                    if (++elements > maxElements)
                        return tooManyElements;

                    if (opens)
                    {
                        deepest = juce::jmax (deepest, ++depth);
                        if (deepest > maxDepth)
                            return deepest;
                    }
                }
            }

            return deepest;
        }

        static constexpr int malformed = -1;
        static constexpr int documentType = -2;
        static constexpr int tooManyElements = -3;

    private:
        bool startsWith (const char* s) const
        {
            const auto length = std::strlen (s);
            return pos + length <= size && std::memcmp (text + pos, s, length) == 0;
        }

        bool skipPast (const char* terminator, size_t openerLength)
        {
            const auto length = std::strlen (terminator);
            for (auto i = pos + openerLength; i + length <= size; ++i)
            {
                if (std::memcmp (text + i, terminator, length) == 0)
                {
                    pos = i + length;
                    return true;
                }
            }
            return false;
        }

        static bool equalsIgnoringAsciiCase (const char* a, const char* b, size_t length)
        {
            for (size_t i = 0; i < length; ++i)
                if (std::tolower (static_cast<unsigned char> (a[i])) != std::tolower (static_cast<unsigned char> (b[i])))
                    return false;
            return true;
        }

        static bool isSpace (char c)      { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
        static bool isNameChar (char c)
        {
            const auto u = static_cast<unsigned char> (c);
            return u >= 0x80 || std::isalnum (u) != 0 || c == '_' || c == '-' || c == ':' || c == '.';
        }

        void skipSpace()      { while (pos < size && isSpace (text[pos])) ++pos; }
        bool readName()
        {
            const auto start = pos;
            while (pos < size && isNameChar (text[pos]))
                ++pos;
            return pos > start;
        }

        /** Only the entities the parser resolves in place; any other name makes it search ahead
            for a semicolon, past quotes and tags.
        */
        bool skipEntity()
        {
            static const char* const named[] = { "&amp;", "&quot;", "&apos;", "&lt;", "&gt;" };
            for (auto* entity : named)
            {
                const auto length = std::strlen (entity);
                if (pos + length <= size && equalsIgnoringAsciiCase (text + pos, entity, length))
                {
                    pos += length;
                    return true;
                }
            }

            if (pos + 1 >= size || text[pos + 1] != '#')
                return false;

            auto i = pos + 2;
            const bool hex = i < size && (text[i] == 'x' || text[i] == 'X');
            if (hex)
                ++i;

            const auto firstDigit = i;
            while (i < size && i - firstDigit < 8
                   && (hex ? std::isxdigit (static_cast<unsigned char> (text[i])) : std::isdigit (static_cast<unsigned char> (text[i]))))
                ++i;

            if (i == firstDigit || i >= size || text[i] != ';')
                return false;

            pos = i + 1;
            return true;
        }

        bool readQuotedValue()
        {
            const auto quote = text[pos++];
            while (pos < size && text[pos] != quote)
            {
                if (text[pos] == '&')
                {
                    if (! skipEntity())
                        return false;
                }
                else
                {
                    ++pos;
                }
            }

            if (pos >= size)
                return false;

            ++pos;
            return true;
        }

        bool readStartTag (bool& opens)
        {
            ++pos;   // '<'
            skipSpace();
            if (! readName())
                return false;

            for (;;)
            {
                skipSpace();
                if (pos >= size)
                    return false;

                if (text[pos] == '/' && pos + 1 < size && text[pos + 1] == '>')
                {
                    pos += 2;
                    opens = false;
                    return true;
                }

                if (text[pos] == '>')
                {
                    ++pos;
                    opens = true;
                    return true;
                }

                if (! readName())
                    return false;

                skipSpace();
                if (pos >= size || text[pos] != '=')
                    return false;

                ++pos;
                skipSpace();
                if (pos >= size || (text[pos] != '"' && text[pos] != '\''))
                    return false;

                if (! readQuotedValue())
                    return false;
            }
        }

        const char* text;
        size_t size;
        int maxDepth;
        int maxElements;
        int elements = 0;
        size_t pos = 0;
        bool seenRoot = false;
    };
}

juce::String describe (Problem problem)
{
    switch (problem)
    {
        case Problem::none:            return "no problem";
        case Problem::missing:         return "missing";
        case Problem::notARegularFile: return "not a regular file";
        case Problem::cannotOpen:      return "cannot be opened";
        case Problem::readFailed:      return "could not be read";
        case Problem::tooLarge:        return "too large";
        case Problem::tooDeep:         return "too deeply nested";
        case Problem::hasDocumentType: return "holds a document type declaration";
        case Problem::notXml:          return "not a readable XML document";
    }
    return {};
}

int nestingDepth (const char* text, size_t size, int maxDepth)
{
    return DepthScanner (text, size, maxDepth).run();
}

Result readBytes (const juce::File& file, const Limits& limits)
{
    const auto path = file.getFullPathName();

    struct stat linkInfo {};
    if (::lstat (path.toRawUTF8(), &linkInfo) != 0)
        return errno == ENOENT ? failure (Problem::missing) : failure (Problem::cannotOpen, systemError (errno));

    // Look before opening: opening a device or a FIFO can block or have side effects.
    struct stat info {};
    if (::stat (path.toRawUTF8(), &info) != 0 || ! S_ISREG (info.st_mode))
        return failure (Problem::notARegularFile);

    FileDescriptor fd (::open (path.toRawUTF8(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.fd < 0)
        return failure (Problem::cannotOpen, systemError (errno));

    // The path may have been swapped since the look; what counts is what was opened.
    if (::fstat (fd.fd, &info) != 0 || ! S_ISREG (info.st_mode))
        return failure (Problem::notARegularFile);

    if (info.st_size > limits.maxBytes)
        return failure (Problem::tooLarge, juce::String (static_cast<juce::int64> (info.st_size)) + " bytes");

    Result result;
    const auto capacity = static_cast<size_t> (limits.maxBytes) + 1;   // one more shows a file that grew
    result.bytes.setSize (juce::jmin (capacity, static_cast<size_t> (info.st_size) + 1));
    size_t filled = 0;

    for (;;)
    {
        if (filled == result.bytes.getSize())
        {
            if (filled >= capacity)
                break;
            result.bytes.setSize (juce::jmin (capacity, filled * 2 + 4096));
        }

        const auto count = ::read (fd.fd, static_cast<char*> (result.bytes.getData()) + filled, result.bytes.getSize() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failure (Problem::readFailed, systemError (errno));
        if (count == 0)
            break;
        filled += static_cast<size_t> (count);
    }

    if (filled > static_cast<size_t> (limits.maxBytes))
        return failure (Problem::tooLarge);

    result.bytes.setSize (filled);
    return result;
}

Result parse (const void* data, size_t size, const Limits& limits)
{
    auto text = static_cast<const char*> (data);

    // A UTF-8 byte-order mark is legal but the parser would take it for text before the root.
    if (size >= 3 && std::memcmp (text, "\xEF\xBB\xBF", 3) == 0)
    {
        text += 3;
        size -= 3;
    }

    if (! isCleanUtf8 (text, size))
        return failure (Problem::notXml, "not UTF-8 text");

    const auto depth = DepthScanner (text, size, limits.maxDepth, limits.maxElements).run();
    if (depth == DepthScanner::documentType)
        return failure (Problem::hasDocumentType);
    if (depth == DepthScanner::tooManyElements)
        return failure (Problem::tooLarge, "more than " + juce::String (limits.maxElements) + " elements");
    if (depth < 0)
        return failure (Problem::notXml);
    if (depth > limits.maxDepth)
        return failure (Problem::tooDeep, "deeper than " + juce::String (limits.maxDepth));

    juce::XmlDocument document (juce::String::fromUTF8 (text, static_cast<int> (size)));
    Result result;
    result.xml = document.getDocumentElement();
    if (result.xml == nullptr)
        return failure (Problem::notXml, document.getLastParseError());

    return result;
}

Result read (const juce::File& file, const Limits& limits)
{
    auto result = readBytes (file, limits);
    if (! result.ok())
        return result;

    auto parsed = parse (result.bytes.getData(), result.bytes.getSize(), limits);
    parsed.bytes = std::move (result.bytes);
    return parsed;
}
}
