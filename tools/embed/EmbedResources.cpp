/*
    Build-time host tool: turns the committed artwork and font files into C++ byte arrays.

    Usage: EmbedResources <output-dir> <N>=<file> [<N>=<file> ...]

    Writes <output-dir>/resources/OVKBIN.h and one <output-dir>/OVKBIN_<N>.cpp per resource, so
    that a changed picture recompiles one small file. Files are only rewritten when their content
    changes, which keeps incremental builds quiet. Plain standard C++ on purpose: it must build in
    a second, before anything else.
*/

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
bool readFile (const std::string& path, std::vector<unsigned char>& bytes)
{
    std::ifstream in (path, std::ios::binary);

    if (! in)
        return false;

    bytes.assign (std::istreambuf_iterator<char> (in), std::istreambuf_iterator<char>());
    return true;
}

bool writeIfChanged (const std::string& path, const std::string& text)
{
    {
        std::ifstream in (path, std::ios::binary);

        if (in)
        {
            std::string old ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());

            if (old == text)
                return true;
        }
    }

    std::ofstream out (path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool> (out);
}

std::string arraySource (int number, const std::vector<unsigned char>& bytes)
{
    // A string literal of octal escapes compiles fast and is valid whether char is signed or
    // not (a braced list of numbers would narrow on one of the two).
    std::ostringstream s;
    s << "// Generated at build time from the committed resource file. Do not edit.\n"
         "#include \"resources/OVKBIN.h\"\n\n"
         "namespace OVKBIN\n{\n"
         "const char temp_binary_data_" << number << "[] =\n\"";

    for (size_t i = 0; i < bytes.size(); ++i)
    {
        const auto b = bytes[i];

        if (b >= 0x20 && b < 0x7f && b != '\\' && b != '"' && b != '?')
        {
            s << static_cast<char> (b);
        }
        else
        {
            const char octal[] = { '\\', static_cast<char> ('0' + ((b >> 6) & 7)),
                                   static_cast<char> ('0' + ((b >> 3) & 7)), static_cast<char> ('0' + (b & 7)) };
            s.write (octal, sizeof (octal));
        }

        if (i % 64 == 63 && i + 1 < bytes.size())
            s << "\"\n\"";
    }

    s << "\";\n}\n";
    return s.str();
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::cerr << "usage: EmbedResources <output-dir> <N>=<file>...\n";
        return 2;
    }

    const std::string outDir = argv[1];
    std::map<int, size_t> sizes;

    for (int i = 2; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const auto eq = arg.find ('=');

        if (eq == std::string::npos || eq == 0)
        {
            std::cerr << "bad argument: " << arg << '\n';
            return 2;
        }

        const int number = std::stoi (arg.substr (0, eq));
        std::vector<unsigned char> bytes;

        if (! readFile (arg.substr (eq + 1), bytes) || bytes.empty())
        {
            std::cerr << "cannot read " << arg.substr (eq + 1) << '\n';
            return 1;
        }

        if (sizes.count (number) != 0)
        {
            std::cerr << "resource number " << number << " given twice\n";
            return 1;
        }

        sizes[number] = bytes.size();

        if (! writeIfChanged (outDir + "/OVKBIN_" + std::to_string (number) + ".cpp", arraySource (number, bytes)))
            return 1;
    }

    std::ostringstream h;
    h << "// Generated at build time from the committed artwork and font. Do not edit.\n"
         "#pragma once\n\n"
         "/** The embedded pictures (PNG) and font (TrueType), one complete file per array.\n\n"
         "    temp_binary_data_N holds the bytes of resource N; temp_binary_data_NSize is its size in\n"
         "    bytes (the arrays carry one extra terminating zero that is not counted). Constant data,\n"
         "    safe to read from any thread.\n"
         "*/\n"
         "namespace OVKBIN\n{\n";

    for (const auto& [number, size] : sizes)
        h << "    extern const char temp_binary_data_" << number << "[];\n"
          << "    const int temp_binary_data_" << number << "Size = " << size << ";\n";

    h << "}\n";

    return writeIfChanged (outDir + "/resources/OVKBIN.h", h.str()) ? 0 : 1;
}
