// The command line of corvanta-render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One --set or --set-raw, already converted to a normalised value.
struct ParameterSetting
{
    int32_t index;
    float value;
};

struct RenderOptions
{
    std::string input;  // empty: render the built-in demonstration signal
    std::string output; // empty: derived from the input's name
    std::string program; // name or number; empty: the effect's start-up program
    std::string presetFile;
    std::string bankFile;
    std::vector<ParameterSetting> settings; // in command-line order
    int32_t blockSize = 512;
    double tailSeconds = 30.0; // the longest tail; 0 stops at the input's end
    int32_t rate = 0;          // host rate to render at; 0: the input's, or the nearest the engine takes
    std::string plotFile;      // --plot: a PNG, or a folder for --all
    double levelDecibels = -12.0; // the analysis impulse
    bool analyze = false;
    bool allPrograms = false;
    bool floatWav = false;
    bool demo = false;
    bool quiet = false;
    bool listPrograms = false;
    bool listParams = false;
    bool info = false;
    bool help = false;
    bool version = false;
};

constexpr int32_t kMaxBlockSize = 65536;
constexpr double kMaxTailSeconds = 3600.0;
// The host sample rates the engine runs at.
constexpr int32_t kLowestRate = 20000;
constexpr int32_t kHighestRate = 200000;
constexpr double kLowestLevel = -60.0;

// Reads the arguments (without the program name). Returns false with a
// message naming the problem on a bad command line.
bool parseCommandLine(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

// The help text.
std::string usageText();

// The output path for an input path: its name with "-corvanta" added, in the
// same folder, with ".wav" when a float WAV is asked for.
std::string defaultOutputPath(const std::string& input, bool floatWav);
