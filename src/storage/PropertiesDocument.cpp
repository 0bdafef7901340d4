#include "storage/PropertiesDocument.h"

#include <expat.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <string_view>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace PropertiesDocument
{
namespace
{
    constexpr std::string_view rootTag = "PROPERTIES";
    constexpr std::string_view valueTag = "VALUE";
    constexpr std::string_view nameAttribute = "name";
    constexpr std::string_view valueAttribute = "val";

    constexpr std::string_view header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<PROPERTIES>\n";
    constexpr std::string_view footer = "</PROPERTIES>\n";
    constexpr std::string_view entryStart = "  <VALUE name=\"";
    constexpr std::string_view entryMiddle = "\" val=\"";
    constexpr std::string_view entryEnd = "\"/>\n";

    /** Own key names are short identifiers; a longer name is never free of the caps. */
    constexpr std::size_t ownKeyMaxBytes = 64;

    /** The most bytes escape() makes of one byte ("&quot;"). */
    constexpr std::size_t maxEscapeGrowth = 6;

    constexpr char32_t replacementCharacter = 0xFFFD;

    bool isXmlCharacter (char32_t c) noexcept
    {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
            || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    }

    /** One character of [p, end); a malformed, overlong or cut sequence gives U+FFFD for its first
        byte. Never reads at or past end.
    */
    char32_t nextCharacter (const unsigned char*& p, const unsigned char* end) noexcept
    {
        const auto lead = *p++;
        if (lead < 0x80)
            return lead;

        int extra = 0;
        char32_t c = 0;
        if (lead >= 0xC2 && lead <= 0xDF)       { extra = 1; c = lead & 0x1Fu; }
        else if (lead >= 0xE0 && lead <= 0xEF)  { extra = 2; c = lead & 0x0Fu; }
        else if (lead >= 0xF0 && lead <= 0xF4)  { extra = 3; c = lead & 0x07u; }
        else                                    return replacementCharacter;

        if (end - p < extra)
            return replacementCharacter;

        for (int i = 0; i < extra; ++i)
        {
            if ((p[i] & 0xC0u) != 0x80u)
                return replacementCharacter;
            c = (c << 6) | (p[i] & 0x3Fu);
        }

        if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)))
            return replacementCharacter;

        p += extra;
        return c;
    }

    void appendUtf8 (std::string& out, char32_t c)
    {
        if (c < 0x80)
        {
            out += static_cast<char> (c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char> (0xC0 | (c >> 6));
            out += static_cast<char> (0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char> (0xE0 | (c >> 12));
            out += static_cast<char> (0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char> (0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char> (0xF0 | (c >> 18));
            out += static_cast<char> (0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char> (0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char> (0x80 | (c & 0x3F));
        }
    }

    enum class EscapeFor { attribute, text };

    /** Text for a double-quoted attribute, or for text between tags. In an attribute, tab, line
        feed and carriage return become character references, which a reader keeps, where the
        characters themselves would be read back as spaces; between tags they stay as they are.
    */
    void appendEscaped (std::string& out, std::string_view text, EscapeFor context = EscapeFor::attribute)
    {
        const bool inText = context == EscapeFor::text;

        auto p = reinterpret_cast<const unsigned char*> (text.data());
        const auto end = p + text.size();

        while (p < end)
        {
            const auto c = nextCharacter (p, end);
            switch (c)
            {
                case '&':  out += "&amp;"; break;
                case '<':  out += "&lt;"; break;
                case '>':  out += "&gt;"; break;
                case '"':  out += "&quot;"; break;
                case '\t': out += inText ? "\t" : "&#9;"; break;
                case '\n': out += inText ? "\n" : "&#10;"; break;
                case '\r': out += inText ? "\r" : "&#13;"; break;
                default:   appendUtf8 (out, isXmlCharacter (c) ? c : replacementCharacter); break;
            }
        }
    }

    std::string_view utf8Of (const juce::String& s)
    {
        return { s.toRawUTF8(), s.getNumBytesAsUTF8() };
    }

    void appendEntry (std::string& out, const juce::String& key, const juce::String& value)
    {
        out += entryStart;
        appendEscaped (out, utf8Of (key));
        out += entryMiddle;
        appendEscaped (out, utf8Of (value));
        out += entryEnd;
    }

    bool isLayoutSpace (std::string_view text)
    {
        return text.find_first_not_of (" \t\r\n") == std::string_view::npos;
    }

    //==============================================================================
    /** What XML 1.0 cannot hold but the framework's properties writer wrote as a character
        reference ("&#11;") and its reader took back.
    */
    bool isUnholdableCharacter (std::uint32_t c) noexcept
    {
        return (c >= 0x1 && c <= 0x8) || c == 0xB || c == 0xC || (c >= 0xE && c <= 0x1F) || c == 0xFFFE || c == 0xFFFF;
    }

    int digitValue (char c, std::uint32_t base) noexcept
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (base == 16 && c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (base == 16 && c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    /** The length of the character reference that text begins with, in XML's forms ("&#11;",
        "&#x0b;"), when it names an unholdable character; 0 otherwise.
    */
    std::size_t unholdableReferenceLength (std::string_view text) noexcept
    {
        if (text.substr (0, 2) != "&#")
            return 0;

        std::size_t i = 2;
        std::uint32_t base = 10;
        if (i < text.size() && text[i] == 'x')
        {
            base = 16;
            ++i;
        }

        const auto firstDigit = i;
        std::uint32_t value = 0;
        for (; i < text.size(); ++i)
        {
            const auto digit = digitValue (text[i], base);
            if (digit < 0)
                break;

            value = value * base + static_cast<std::uint32_t> (digit);
            if (value > 0x10FFFF)
                return 0;
        }

        const bool complete = i > firstDigit && i < text.size() && text[i] == ';';
        return complete && isUnholdableCharacter (value) ? i + 1 : 0;
    }

    /** Markup whose text is taken as it stands: a "&#" in it is no reference. */
    struct LiteralSection
    {
        std::string_view open, close;
    };

    constexpr LiteralSection literalSections[] { { "<!--", "-->" }, { "<![CDATA[", "]]>" }, { "<?", "?>" } };

    /** The document with every reference to an unholdable character replaced by U+FFFD, as our
        writer writes such characters; nothing when it holds none. References are replaced in
        attribute values and text only: comments, CDATA sections and processing instructions
        (the places where expat accepts "&#11;" as plain text) are left as they are. So a document
        that expat accepted is never changed, and one that it refused for such a reference alone
        is read. A replacement is shorter than its reference.
    */
    std::optional<std::string> withUnholdableReferencesReplaced (std::string_view document)
    {
        std::optional<std::string> out;
        std::size_t copied = 0;
        std::size_t i = 0;

        while ((i = document.find_first_of ("<&", i)) != std::string_view::npos)
        {
            const auto rest = document.substr (i);

            if (rest[0] == '<')
            {
                const auto start = i++;
                for (const auto& section : literalSections)
                {
                    if (rest.substr (0, section.open.size()) == section.open)
                    {
                        const auto end = document.find (section.close, start + section.open.size());
                        i = end == std::string_view::npos ? document.size() : end + section.close.size();
                        break;
                    }
                }
                continue;
            }

            const auto length = unholdableReferenceLength (rest);
            if (length == 0)
            {
                ++i;
                continue;
            }

            if (! out.has_value())
                out.emplace().reserve (document.size());

            out->append (document.substr (copied, i - copied));
            appendUtf8 (*out, replacementCharacter);
            i += length;
            copied = i;
        }

        if (out.has_value())
            out->append (document.substr (copied));

        return out;
    }

    juce::String stringOf (std::string_view utf8)
    {
        return juce::String::fromUTF8 (utf8.data(), static_cast<int> (utf8.size()));
    }

    /** Reads one document with expat, checking its shape as the events come, so that a document
        of the wrong shape is refused at its first wrong element and never held whole.
    */
    class Reader
    {
    public:
        explicit Reader (const Caps& c) : caps (c), parser (XML_ParserCreate ("UTF-8"))
        {
            if (parser == nullptr)
                return;

            XML_SetUserData (parser, this);
            XML_SetElementHandler (parser, &Reader::startElement, &Reader::endElement);
            XML_SetCharacterDataHandler (parser, &Reader::characterData);
            XML_SetStartDoctypeDeclHandler (parser, &Reader::startDocumentType);
        }

        ~Reader()
        {
            if (parser != nullptr)
                XML_ParserFree (parser);
        }

        Reader (const Reader&) = delete;
        Reader& operator= (const Reader&) = delete;

        Parsed run (const void* data, std::size_t size)
        {
            if (parser == nullptr)
                return refused (Problem::notXml, "out of memory");

            if (size > caps.maxDocumentBytes() || size > static_cast<std::size_t> (INT_MAX))
                return refused (Problem::tooLarge, juce::String (static_cast<juce::int64> (size)) + " bytes");

            const std::string_view original (static_cast<const char*> (data), size);
            const auto replaced = withUnholdableReferencesReplaced (original);
            const auto document = replaced.has_value() ? std::string_view (*replaced) : original;

            parsing = true;
            const auto status = XML_Parse (parser, document.data(), static_cast<int> (document.size()), XML_TRUE);
            parsing = false;

            if (status != XML_STATUS_OK && result.ok())
            {
                fail (Problem::notXml, juce::String (XML_ErrorString (XML_GetErrorCode (parser))) + " at line "
                                           + juce::String (static_cast<juce::int64> (XML_GetErrorLineNumber (parser))));
            }

            if (result.ok())
                collect();

            if (result.ok())
                checkCaps();

            return std::move (result);
        }

    private:
        struct Value
        {
            juce::String name;
            juce::String text;
            bool hasText = false;     ///< a "val" attribute, or a nested element that has ended
            bool inNested = false;
        };

        static Reader& of (void* userData) { return *static_cast<Reader*> (userData); }

        static void XMLCALL startElement (void* userData, const XML_Char* name, const XML_Char** attributes)
        {
            of (userData).onStart (name, attributes);
        }

        static void XMLCALL endElement (void* userData, const XML_Char* name)
        {
            of (userData).onEnd (name);
        }

        static void XMLCALL characterData (void* userData, const XML_Char* text, int length)
        {
            of (userData).onText ({ text, static_cast<std::size_t> (length) });
        }

        static void XMLCALL startDocumentType (void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int)
        {
            of (userData).fail (Problem::hasDocumentType, {});
        }

        static Parsed refused (Problem problem, const juce::String& detail)
        {
            Parsed r;
            r.problem = problem;
            r.detail = detail;
            return r;
        }

        /** Refuses the document from inside a handler, or after the parse. */
        void fail (Problem problem, const juce::String& detail)
        {
            if (! result.ok())
                return;

            result.problem = problem;
            result.detail = detail;
            if (parsing)
            {
                if (detail.isNotEmpty())
                    result.detail << " at line " << juce::String (static_cast<juce::int64> (XML_GetCurrentLineNumber (parser)));
                XML_StopParser (parser, XML_FALSE);
            }
        }

        void onStart (std::string_view name, const XML_Char** attributes)
        {
            if (! result.ok())
                return;

            ++depth;
            if (depth == 1)
            {
                if (name != rootTag || attributes[0] != nullptr)
                    fail (Problem::notProperties, "its root element is not a plain PROPERTIES");
                return;
            }

            if (depth == 2)
            {
                startValue (name, attributes);
                return;
            }

            if (depth == 3 && (current.hasText || current.inNested))
                return fail (Problem::notProperties, "a VALUE holds more than one value");

            if (depth - 2 > caps.maxDepth)
                return fail (Problem::tooDeep, "deeper than " + juce::String (caps.maxDepth));

            current.inNested = true;
            flushNestedText();
            closeStartTag();
            nested += '<';
            nested += name;
            for (auto* a = attributes; *a != nullptr; a += 2)
            {
                nested += ' ';
                nested += a[0];
                nested += "=\"";
                appendEscaped (nested, a[1]);
                nested += '"';
            }
            startTagOpen = true;
        }

        void onEnd (std::string_view name)
        {
            if (! result.ok())
                return;

            if (depth >= 3)
            {
                flushNestedText();
                if (startTagOpen)
                {
                    nested += "/>";
                    startTagOpen = false;
                }
                else
                {
                    nested += "</";
                    nested += name;
                    nested += '>';
                }

                if (depth == 3)
                {
                    current.text = stringOf (nested);
                    current.hasText = true;
                    current.inNested = false;
                    nested.clear();
                }
            }
            else if (depth == 2)
            {
                keep (current);
            }

            --depth;
        }

        void onText (std::string_view text)
        {
            if (! result.ok())
                return;

            if (depth >= 3)
                nestedText.append (text);
            else if (! isLayoutSpace (text))
                fail (Problem::notProperties, "text outside a value");
        }

        void startValue (std::string_view name, const XML_Char** attributes)
        {
            if (name != valueTag)
                return fail (Problem::notProperties, "an element other than VALUE");

            if (++numValues > caps.maxForeignKeys + caps.numOwnKeys)
                return fail (Problem::tooLarge, "more than " + juce::String (caps.maxForeignKeys) + " keys");

            current = {};
            bool named = false;
            for (auto* a = attributes; *a != nullptr; a += 2)
            {
                const std::string_view attribute (a[0]);
                if (attribute == nameAttribute)
                {
                    current.name = juce::String::fromUTF8 (a[1]);
                    named = true;
                }
                else if (attribute == valueAttribute)
                {
                    current.text = juce::String::fromUTF8 (a[1]);
                    current.hasText = true;
                }
                else
                {
                    return fail (Problem::notProperties, "a VALUE with an attribute other than name and val");
                }
            }

            if (! named || current.name.isEmpty())
                fail (Problem::notProperties, "a VALUE without a name");
        }

        /** Text inside a nested value: white space between its elements is layout, as the
            framework read it; any other run is kept, escaped, its line breaks and tabs as they
            stand (the framework kept line breaks so, and wrote tabs as references).
        */
        void flushNestedText()
        {
            if (nestedText.empty())
                return;

            if (! isLayoutSpace (nestedText))
            {
                closeStartTag();
                appendEscaped (nested, nestedText, EscapeFor::text);
            }
            nestedText.clear();
        }

        void closeStartTag()
        {
            if (startTagOpen)
            {
                nested += '>';
                startTagOpen = false;
            }
        }

        void keep (const Value& value)
        {
            const auto key = std::string (utf8Of (value.name));
            if (const auto found = indexOfKey.find (key); found != indexOfKey.end())
            {
                values[static_cast<std::size_t> (found->second)] = value.text;
                return;
            }

            indexOfKey.emplace (key, static_cast<int> (keys.size()));
            keys.push_back (value.name);
            values.push_back (value.text);
        }

        void collect()
        {
            for (std::size_t i = 0; i < keys.size(); ++i)
                result.properties.set (keys[i], values[i]);
        }

        void checkCaps()
        {
            int foreignKeys = 0;
            std::size_t foreignBytes = 0;

            for (std::size_t i = 0; i < keys.size(); ++i)
            {
                const bool own = caps.isOwnKey != nullptr && caps.isOwnKey (keys[i]);
                if (! own)
                    ++foreignKeys;

                const bool free = own && keys[i].getNumBytesAsUTF8() <= ownKeyMaxBytes
                               && values[i].getNumBytesAsUTF8() <= Caps::ownValueMaxBytes;
                if (! free)
                    foreignBytes += entrySize (keys[i], values[i]);
            }

            if (foreignKeys > caps.maxForeignKeys)
                fail (Problem::tooLarge, "more than " + juce::String (caps.maxForeignKeys) + " keys");
            else if (foreignBytes > caps.maxForeignBytes)
                fail (Problem::tooLarge, "more than " + juce::String (static_cast<juce::int64> (caps.maxForeignBytes)) + " bytes of values");

            if (! result.ok())
                result.properties.clear();
        }

        const Caps& caps;
        XML_Parser parser;
        Parsed result;

        bool parsing = false;
        int depth = 0;
        int numValues = 0;
        Value current;
        std::string nested;       ///< the nested value written so far
        std::string nestedText;   ///< text not yet known to be more than layout
        bool startTagOpen = false;

        std::vector<juce::String> keys, values;
        std::unordered_map<std::string, int> indexOfKey;
    };
}

Caps Caps::withOwnKeys (const juce::StringArray& keys)
{
    auto own = std::make_shared<std::unordered_set<juce::String>> (keys.begin(), keys.end());
    Caps caps;
    caps.numOwnKeys = static_cast<int> (own->size());
    caps.isOwnKey = [own] (const juce::String& key) { return own->count (key) > 0; };
    return caps;
}

std::size_t Caps::maxDocumentBytes() const
{
    const auto fixedPerEntry = entryStart.size() + entryMiddle.size() + entryEnd.size();
    const auto ownEntry = fixedPerEntry + maxEscapeGrowth * (ownKeyMaxBytes + ownValueMaxBytes);
    return header.size() + footer.size() + maxForeignBytes + static_cast<std::size_t> (numOwnKeys) * ownEntry;
}

Parsed parse (const void* data, std::size_t size, const Caps& caps)
{
    return Reader (caps).run (data, size);
}

juce::MemoryBlock write (const juce::StringPairArray& properties)
{
    std::string out (header);
    const auto& keys = properties.getAllKeys();
    const auto& values = properties.getAllValues();

    for (int i = 0; i < keys.size(); ++i)
        if (keys[i].isNotEmpty())   // a nameless key could not be read back
            appendEntry (out, keys[i], values[i]);

    out += footer;
    return { out.data(), out.size() };
}

std::size_t entrySize (const juce::String& key, const juce::String& value)
{
    std::string entry;
    appendEntry (entry, key, value);
    return entry.size();
}
}

namespace PropertiesDocument
{
double numberOf (const juce::String& text)
{
    // The framework's grammar, not strtod's: white space, a sign, decimal digits with at most one
    // point, an exponent. Its first 18 significant digits and its exponent are rewritten into a
    // short buffer, as the framework does, and converted there in the C locale, so that a
    // desktop's locale never turns "-6.5" into -6. "0x10" is 0, as the framework read it.
    constexpr int maxSignificantDigits = 18;
    constexpr long long maxExponent = DBL_MAX_10_EXP + 1;
    constexpr long long minExponent = DBL_MIN_10_EXP - 1;
    constexpr long long exponentCeiling = 1000LL * 1000 * 1000 * 1000;
    const auto isDigit = [] (char c) { return c >= '0' && c <= '9'; };

    char buffer[32] = {};
    std::size_t length = 0;
    auto p = text.toRawUTF8();

    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;

    const bool negative = *p == '-';
    if (negative)
        buffer[length++] = '-';
    if (*p == '-' || *p == '+')
        ++p;

    int significantDigits = 0;
    long long extraExponent = 0;
    bool pointFound = false, leadingZeros = false;

    for (;; ++p)
    {
        if (isDigit (*p))
        {
            if (significantDigits >= maxSignificantDigits)
            {
                // Digits beyond the point are dropped; those before it scale the number.
                if (! pointFound)
                    ++extraExponent;
                continue;
            }

            // Zeros lead only before the point: after it they count, as in the framework.
            if (! pointFound && significantDigits == 0 && *p == '0')
            {
                leadingZeros = true;
                continue;
            }

            buffer[length++] = *p;
            ++significantDigits;
        }
        else if (! pointFound && *p == '.')
        {
            buffer[length++] = '.';
            pointFound = true;
        }
        else
        {
            break;
        }
    }

    if (! leadingZeros && significantDigits == 0)
        return 0.0;

    long long exponent = extraExponent;
    if (*p == 'e' || *p == 'E')
    {
        ++p;
        const bool negativeExponent = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;

        // Held below where the sum could overflow, far beyond any finite result.
        long long written = 0;
        for (; isDigit (*p); ++p)
            written = std::min (written * 10 + (*p - '0'), exponentCeiling);

        exponent += negativeExponent ? -written : written;
    }

    if (exponent < minExponent)
        return negative ? -0.0 : 0.0;

    if (exponent > maxExponent)
        return 0.0;   // infinite

    if (exponent != 0)
        std::snprintf (buffer + length, sizeof (buffer) - length, "e%lld", exponent);

    static const auto cLocale = ::newlocale (LC_ALL_MASK, "C", nullptr);
    const auto value = cLocale != nullptr ? ::strtod_l (buffer, nullptr, cLocale) : std::strtod (buffer, nullptr);
    return std::isfinite (value) ? value : 0.0;
}

bool flagOf (const juce::String& text)
{
    auto p = text.toRawUTF8();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '-')
        ++p;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (*p != '0')
            return true;
    return false;
}
}
