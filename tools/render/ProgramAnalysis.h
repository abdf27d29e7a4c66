// --analyze: the responses of a sound to a one-sample impulse, rendered
// through the effect as a host drives it, measured by the analysis code
// (tools/analysis), printed as a report or a Markdown row, and drawn.
//
// Threads: one thread does everything.
#pragma once

#include "DecayAnalysis.h"
#include "RenderOptions.h"

#include <cstdint>
#include <string>

constexpr int32_t kAnalysisDefaultRate = 48000;
// The response to both inputs runs until it has stayed this far below its
// peak for the hold time, or for the longest time.
constexpr double kAnalysisRangeDecibels = 100.0;
constexpr double kAnalysisHoldSeconds = 0.2;
constexpr double kAnalysisLongestSeconds = 30.0;
// The response to the left input only is needed for the cross-correlation
// window after its first arrival: this long after the first arrival above.
constexpr double kLeftOnlySeconds = 0.5;

struct ProgramAnalysis
{
    int32_t programNumber = 0; // where the sound was chosen in the bank
    std::string name;
    std::string type;
    std::string settings; // the parameters that shape the decay, as displayed
    double sampleRate = 0.0;
    double levelDecibels = 0.0;
    bool cutOff = false; // the response reached the longest time before the floor
    StereoResponse both;
    StereoResponse leftOnly;
    ResponseFigures figures;
};

// Renders and measures the sound `options` choose; with `programNumber` 0 or
// above, that program of the bank instead of --program.
bool analyseSound(const RenderOptions& options, int32_t programNumber, ProgramAnalysis& analysis,
                  std::string& error);

// The report --analyze prints.
std::string analysisReport(const ProgramAnalysis& analysis);
// --analyze --all: the table's head, then one row per program.
std::string markdownTableHead();
std::string markdownTableRow(const ProgramAnalysis& analysis);

// "22-basic-hall.png": the number and the name, in characters any file system takes.
std::string plotFileName(int32_t programNumber, const std::string& name);
// Whether a picture can be written at `path`; a message saying why not.
bool checkPlotPath(const std::string& path, std::string& error);
// Draws the picture and writes it as a PNG through a temporary file, so a
// failure leaves no partial file.
bool writeAnalysisPlot(const ProgramAnalysis& analysis, const std::string& path, std::string& error);
