#include "RenderOptions.h"

#include "OutputFormat.h"
#include "ParameterText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace
{
// Splits "NAME=VALUE"; false when there is no '=' or either side is empty.
bool splitAssignment(const std::string& text, std::string& name, std::string& value)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
        return false;
    name = text.substr(0, equals);
    value = text.substr(equals + 1);
    return true;
}

bool parseSet(const std::string& text, RenderOptions& options, std::string& error)
{
    std::string name;
    std::string value;
    if (!splitAssignment(text, name, value))
    {
        error = "--set takes NAME=VALUE, as in --set Decay=70";
        return false;
    }
    const int32_t index = findParameter(name);
    if (index < 0)
    {
        error = "unknown parameter '" + name + "' (see --list-params)";
        return false;
    }
    float normalized = 0.0f;
    if (!parseDisplayValue(index, value, normalized, error))
        return false;
    options.settings.push_back({index, normalized});
    return true;
}

bool parseSetRaw(const std::string& text, RenderOptions& options, std::string& error)
{
    std::string name;
    std::string value;
    if (!splitAssignment(text, name, value))
    {
        error = "--set-raw takes INDEX=VALUE, as in --set-raw 3=0.7";
        return false;
    }
    int32_t index = -1;
    const auto result = std::from_chars(name.data(), name.data() + name.size(), index);
    if (result.ec != std::errc() || result.ptr != name.data() + name.size())
        index = findParameter(name);
    if (!(index >= 0 && index <= 15) && index != 17)
    {
        error = "--set-raw: '" + name + "' is not a parameter index (0..15 or 17)";
        return false;
    }
    float normalized = 0.0f;
    if (!parseNormalizedValue(value, normalized, error))
    {
        error = "--set-raw " + name + ": " + error;
        return false;
    }
    options.settings.push_back({index, normalized});
    return true;
}

bool parseBlockSize(const std::string& text, int32_t& blockSize, std::string& error)
{
    int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 1 || value > kMaxBlockSize)
    {
        error = "--block takes a number of samples 1.." + std::to_string(kMaxBlockSize) + ", not '" + text + "'";
        return false;
    }
    blockSize = value;
    return true;
}

bool parseTail(const std::string& text, double& seconds, std::string& error)
{
    double value = 0.0;
    if (!parseNumber(text, value) || value < 0.0 || value > kMaxTailSeconds)
    {
        error = "--tail takes seconds 0..3600, not '" + text + "'";
        return false;
    }
    seconds = value;
    return true;
}

bool parseRate(const std::string& text, int32_t& rate, std::string& error)
{
    double value = 0.0;
    if (!parseNumber(text, value) || value < kLowestRate || value > kHighestRate || value != std::floor(value))
    {
        error = "--rate takes a host sample rate in Hz, " + std::to_string(kLowestRate) + ".." +
                std::to_string(kHighestRate) + ", not '" + text + "'";
        return false;
    }
    rate = static_cast<int32_t>(value);
    return true;
}

bool parseLevel(const std::string& text, double& level, std::string& error)
{
    double value = 0.0;
    if (!parseNumber(text, value) || value < kLowestLevel || value > 0.0)
    {
        error = "--level takes the impulse's level in dBFS, -60..0, not '" + text + "'";
        return false;
    }
    level = value;
    return true;
}

enum class Takes
{
    Nothing,
    Value,
};

struct OptionSpec
{
    const char* name;
    Takes takes;
};

constexpr OptionSpec kOptions[] = {
    {"--output", Takes::Value},  {"-o", Takes::Value},        {"--program", Takes::Value},
    {"--preset", Takes::Value},  {"--bank", Takes::Value},    {"--set", Takes::Value},
    {"--set-raw", Takes::Value}, {"--block", Takes::Value},   {"--tail", Takes::Value},
    {"--float", Takes::Nothing}, {"--demo", Takes::Nothing},  {"--quiet", Takes::Nothing},
    {"-q", Takes::Nothing},      {"--list-programs", Takes::Nothing}, {"--list-params", Takes::Nothing},
    {"--info", Takes::Nothing},  {"--help", Takes::Nothing},  {"-h", Takes::Nothing},
    {"--version", Takes::Nothing}, {"--rate", Takes::Value},  {"--analyze", Takes::Nothing},
    {"--all", Takes::Nothing},   {"--plot", Takes::Value},    {"--level", Takes::Value},
};

const OptionSpec* findOption(const std::string& name)
{
    for (const OptionSpec& option : kOptions)
        if (name == option.name)
            return &option;
    return nullptr;
}

bool applyOption(const std::string& name, const std::string& value, RenderOptions& options, std::string& error)
{
    if (name == "--output" || name == "-o")
        options.output = value;
    else if (name == "--program")
        options.program = value;
    else if (name == "--preset")
        options.presetFile = value;
    else if (name == "--bank")
        options.bankFile = value;
    else if (name == "--set")
        return parseSet(value, options, error);
    else if (name == "--set-raw")
        return parseSetRaw(value, options, error);
    else if (name == "--block")
        return parseBlockSize(value, options.blockSize, error);
    else if (name == "--tail")
        return parseTail(value, options.tailSeconds, error);
    else if (name == "--rate")
        return parseRate(value, options.rate, error);
    else if (name == "--level")
        return parseLevel(value, options.levelDecibels, error);
    else if (name == "--plot")
        options.plotFile = value;
    else if (name == "--analyze")
        options.analyze = true;
    else if (name == "--all")
        options.allPrograms = true;
    else if (name == "--float")
        options.floatWav = true;
    else if (name == "--demo")
        options.demo = true;
    else if (name == "--quiet" || name == "-q")
        options.quiet = true;
    else if (name == "--list-programs")
        options.listPrograms = true;
    else if (name == "--list-params")
        options.listParams = true;
    else if (name == "--info")
        options.info = true;
    else if (name == "--help" || name == "-h")
        options.help = true;
    else if (name == "--version")
        options.version = true;
    return true;
}

bool checkAnalysis(const RenderOptions& options, const std::vector<std::string>& given, std::string& error)
{
    auto has = [&](const char* name) { return std::find(given.begin(), given.end(), name) != given.end(); };
    if (!options.analyze)
    {
        for (const char* name : {"--plot", "--all", "--level"})
            if (has(name))
            {
                error = std::string(name) + " belongs to the analysis; it needs --analyze";
                return false;
            }
        return true;
    }
    if (!options.input.empty() || !options.output.empty() || options.demo || options.floatWav)
    {
        error = "--analyze renders its own impulse and prints what it measures: it takes no input file, "
                "-o, --demo or --float (--plot FILE.png draws it)";
        return false;
    }
    if (options.allPrograms && (!options.program.empty() || !options.presetFile.empty()))
    {
        error = "--all analyses every program of the bank; it cannot be combined with --program or --preset";
        return false;
    }
    return true;
}

bool checkCombinations(const RenderOptions& options, std::string& error)
{
    if (!options.presetFile.empty() && (!options.program.empty() || !options.bankFile.empty()))
    {
        error = "--preset chooses the whole program; it cannot be combined with --program or --bank";
        return false;
    }
    if (options.demo && !options.input.empty())
    {
        error = "--demo renders the built-in signal; give it no input file";
        return false;
    }
    return true;
}
} // namespace

bool parseCommandLine(const std::vector<std::string>& args, RenderOptions& options, std::string& error)
{
    bool onlyFiles = false;
    std::vector<std::string> given; // the options named, for checks of what goes together
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-")
        {
            if (!options.input.empty())
            {
                error = "only one input file is taken ('" + options.input + "', then '" + arg + "')";
                return false;
            }
            options.input = arg;
            continue;
        }
        if (arg == "--")
        {
            onlyFiles = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool valueGiven = false;
        const size_t equals = arg.find('=');
        if (arg.starts_with("--") && equals != std::string::npos)
        {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            valueGiven = true;
        }
        const OptionSpec* option = findOption(name);
        if (!option)
        {
            error = "unknown option '" + name + "' (see --help)";
            return false;
        }
        if (option->takes == Takes::Value && !valueGiven)
        {
            if (i + 1 >= args.size())
            {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        else if (option->takes == Takes::Nothing && valueGiven)
        {
            error = name + " takes no value";
            return false;
        }
        if (!applyOption(name, value, options, error))
            return false;
        given.push_back(name);
    }
    return checkCombinations(options, error) && checkAnalysis(options, given, error);
}

std::string defaultOutputPath(const std::string& input, bool floatWav)
{
    if (input.empty())
        return "corvanta-demo.wav";
    const std::filesystem::path path(input);
    std::filesystem::path output = path.parent_path() / (path.stem().string() + "-corvanta");
    output += floatWav ? std::string(".wav") : path.extension().string();
    return output.string();
}

std::string usageText()
{
    return R"(Usage: corvanta-render [OPTIONS] [INPUT]
       corvanta-render --analyze [--all] [--plot FILE.png|DIR/] [SOUND OPTIONS]

Puts an audio file (WAV, AIFF, FLAC, Ogg, CAF, ...; mono or stereo, any
sample rate) through the Corvanta reverb the way a plug-in host does and
writes a stereo file. Without INPUT it renders a built-in demonstration signal.

Choosing the sound (applied in this order):
  --program NAME|NUMBER  a program of the bank by name (any case) or number 0..52
  --bank FILE.orb        load a bank file first; --program then picks from it
  --preset FILE.orv      load a preset file
  --set NAME=VALUE       a parameter in display units, e.g. Decay=70 PreDely=120
                         LowFreq=200 HighFreq=4.5kHz Output=-3 Mix=Wet Type=Hall
  --set-raw INDEX=VALUE  a parameter by index with a normalised value 0..1

Rendering:
  -o, --output FILE      output file; its extension chooses the format (below).
                         Default: INPUT with "-corvanta" added, in the input's
                         container and sample format (corvanta-demo.wav, 24-bit,
                         for the demonstration)
  --float                32-bit float samples (without -o: a float WAV)
  --rate HZ              host sample rate to render at, 20000..200000; the input
                         is converted to it and the output written at it.
                         Without it an input at 20..200 kHz renders at its own
                         rate; one below renders at 48 kHz, one above at 192 kHz,
                         converted back to the input's rate (libsoxr, very high
                         quality), so the output has the input's rate
  --block N              host block size in samples (default 512)
  --tail SECONDS         longest reverb tail after the input (default 30);
                         rendering stops earlier once the tail is below
                         -90 dBFS; 0 stops at the input's end
  --demo                 render the built-in demonstration signal
  -q, --quiet            no progress bar and no summary

Output formats (-o FILE.EXT):
  extension   container   sample format                                --float
)" + outputFormatTable() +
           R"(
Analysis of a program:
  --analyze              renders the response to a one-sample impulse into both
                         inputs, fully wet, at --rate (default 48000 Hz) until
                         it is 100 dB below its peak or 30 s long, and prints
                         per octave band 125 Hz..8 kHz and broadband: EDT
                         (0..-10 dB), T20 (-5..-25 dB) and T30 (-5..-35 dB) by
                         Schroeder backward integration; the first arrival
                         (first sample above -60 dB re peak) and the pre-delay
                         it implies; the inter-channel cross-correlation for an
                         impulse into the left input (0..80 ms after the first
                         arrival, largest within +-1 ms). A decay that has not
                         fallen far enough shows as "longer than N s"
  --level DB             the impulse's level, -60..0 dBFS (default -12)
  --all                  programs 1..52 of the bank as a Markdown table on
                         standard output
  --plot FILE.png        a picture of decay curves, T30 per band and the
                         spectrogram; with --all a folder (DIR/) that gets one
                         picture per program

Information:
  --list-programs        the programs of the bank (after --bank)
  --list-params          the parameters with their current values (after the
                         sound options)
  --info                 identity, version and sample rates of the effect
  --version, -h/--help
)";
}
