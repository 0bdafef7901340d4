// A small deterministic stand-in for libFuzzer's driver: seeds, then mutations from a fixed
// random sequence, so that a failure in CI is the same failure on a desk.
//
//   <Name>Fuzz [--runs N] [--seconds S] [--timeout S] [--seed K] [folder or file]...
//
// Folders give seed inputs; files given on their own are run once each and nothing else (to
// replay an input). When an input crashes or runs longer than the timeout, it is written to "fuzz-crash-input" in the current
// folder before the process dies.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

namespace
{
    using Input = std::vector<uint8_t>;

    constexpr size_t maxInputSize = 256 * 1024;

    const Input* current = nullptr;

    void writeCurrentInputAndDie (int signalNumber)
    {
        if (current != nullptr)
        {
            const int fd = ::open ("fuzz-crash-input", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0)
            {
                [[maybe_unused]] const auto written = ::write (fd, current->data(), current->size());
                ::close (fd);
            }
        }
        std::signal (signalNumber, SIG_DFL);
        std::raise (signalNumber);
    }

    unsigned inputTimeoutSeconds = 20;

    void run (const Input& input)
    {
        current = &input;
        ::alarm (inputTimeoutSeconds);   // a hang is a failure too
        LLVMFuzzerTestOneInput (input.data(), input.size());
        ::alarm (0);
        current = nullptr;
    }

    Input readFile (const std::filesystem::path& path)
    {
        std::ifstream in (path, std::ios::binary);
        Input bytes ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
        if (bytes.size() > maxInputSize)
            bytes.resize (maxInputSize);
        return bytes;
    }

    /** Pieces of markup that random bytes rarely hit on their own. */
    const std::vector<std::string> dictionary {
        "<", ">", "</", "/>", "=\"", "\"", "'", "&amp;", "&lt;", "&#", "&#x", ";", "&x;", "&#11;", "<!--", "-->",
        "<![CDATA[", "]]>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "?>", "<!DOCTYPE a [<!ENTITY x \"y\">]>",
        "<PROPERTIES>", "</PROPERTIES>", "<VALUE name=\"", "\" val=\"", "\"/>", "</VALUE>", "vol00", "Snapshot0",
        "-90.0", "1e308", "nan", "0x1p3", "\xEF\xBB\xBF", std::string (1, '\0'), "\xC3\xA9", "\xFF\xFE"
    };

    class Mutator
    {
    public:
        explicit Mutator (uint32_t seed) : random (seed) {}

        Input mutate (const std::vector<Input>& corpus)
        {
            auto input = corpus[pick (corpus.size())];
            const auto steps = 1 + pick (8);
            for (size_t i = 0; i < steps; ++i)
                mutateOnce (input, corpus);
            if (input.size() > maxInputSize)
                input.resize (maxInputSize);
            return input;
        }

    private:
        size_t pick (size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t> (0, n - 1) (random); }

        void mutateOnce (Input& input, const std::vector<Input>& corpus)
        {
            const auto at = pick (input.size() + 1);
            switch (pick (8))
            {
                case 0: if (! input.empty()) input[pick (input.size())] ^= static_cast<uint8_t> (1u << pick (8)); break;
                case 1: if (! input.empty()) input[pick (input.size())] = static_cast<uint8_t> (pick (256)); break;
                case 2: input.insert (input.begin() + static_cast<std::ptrdiff_t> (at), static_cast<uint8_t> (pick (256))); break;
                case 3:
                    if (! input.empty())
                    {
                        const auto from = pick (input.size());
                        const auto count = 1 + pick (std::min<size_t> (64, input.size() - from));
                        input.erase (input.begin() + static_cast<std::ptrdiff_t> (from), input.begin() + static_cast<std::ptrdiff_t> (from + count));
                    }
                    break;
                case 4:
                case 5:
                {
                    const auto& token = dictionary[pick (dictionary.size())];
                    input.insert (input.begin() + static_cast<std::ptrdiff_t> (at), token.begin(), token.end());
                    break;
                }
                case 6:
                {
                    // A run of one piece: deep nesting, long values, many keys.
                    const auto& token = dictionary[pick (dictionary.size())];
                    const auto times = 1 + pick (pick (2) == 0 ? 100 : 20000);
                    Input run;
                    for (size_t i = 0; i < times && run.size() < maxInputSize / 2; ++i)
                        run.insert (run.end(), token.begin(), token.end());
                    input.insert (input.begin() + static_cast<std::ptrdiff_t> (at), run.begin(), run.end());
                    break;
                }
                default:
                {
                    const auto& other = corpus[pick (corpus.size())];
                    if (other.empty())
                        break;
                    const auto from = pick (other.size());
                    const auto count = 1 + pick (other.size() - from);
                    input.insert (input.begin() + static_cast<std::ptrdiff_t> (at),
                                  other.begin() + static_cast<std::ptrdiff_t> (from),
                                  other.begin() + static_cast<std::ptrdiff_t> (from + count));
                    break;
                }
            }
        }

        std::mt19937 random;
    };
}

int main (int argc, char** argv)
{
    long runs = 10000;
    double seconds = 10.0;
    uint32_t seed = 1;
    std::vector<Input> corpus { Input() };
    std::vector<std::filesystem::path> replays;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg (argv[i]);
        if (arg == "--runs" && i + 1 < argc)          runs = std::atol (argv[++i]);
        else if (arg == "--seconds" && i + 1 < argc)  seconds = std::atof (argv[++i]);
        else if (arg == "--timeout" && i + 1 < argc)  inputTimeoutSeconds = static_cast<unsigned> (std::atol (argv[++i]));
        else if (arg == "--seed" && i + 1 < argc)     seed = static_cast<uint32_t> (std::atol (argv[++i]));
        else if (std::filesystem::is_directory (arg))
        {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator (arg))
                if (entry.is_regular_file())
                    files.push_back (entry.path());
            std::sort (files.begin(), files.end());
            for (const auto& f : files)
                corpus.push_back (readFile (f));
        }
        else if (std::filesystem::is_regular_file (arg)) replays.push_back (arg);
        else if (arg.rfind ("--", 0) == 0 || ! std::filesystem::exists (arg))
            std::fprintf (stderr, "ignoring %s\n", arg.c_str());
    }

    for (auto signalNumber : { SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGALRM })
        std::signal (signalNumber, writeCurrentInputAndDie);

    if (! replays.empty())
    {
        for (const auto& f : replays)
            run (readFile (f));
        std::printf ("replayed %zu inputs\n", replays.size());
        return 0;
    }

    for (const auto& input : corpus)
        run (input);

    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double> (seconds);
    Mutator mutator (seed);
    long done = 0;
    for (; done < runs && std::chrono::steady_clock::now() < end; ++done)
        run (mutator.mutate (corpus));

    std::printf ("%zu seeds and %ld mutated inputs, seed %u: no failure\n", corpus.size(), done, seed);
    return 0;
}
