#include "ProgramAnalysis.h"

#include "AudioFiles.h"
#include "DecayPlot.h"
#include "EffectHost.h"
#include "OctaveBandFilter.h"
#include "Parameters.h"
#include "SoundChoice.h"
#include "Spectrogram.h"
#include "draw/ImageFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
// Runs a one-sample impulse into the left input (and the right when
// `bothInputs`) through a started, primed effect for at most `longest`
// frames; with `untilDecayed`, only until the output has stayed
// kAnalysisRangeDecibels below its peak for the hold time. `cutOff` tells
// whether it ran to `longest`.
StereoResponse renderImpulse(EffectHost& host, float amplitude, bool bothInputs, int64_t longest, bool untilDecayed,
                             bool* cutOff = nullptr)
{
    const int32_t n = host.blockSize();
    std::vector<float> inL(static_cast<size_t>(n), 0.0f);
    std::vector<float> inR(static_cast<size_t>(n), 0.0f);
    std::vector<float> outL(static_cast<size_t>(n));
    std::vector<float> outR(static_cast<size_t>(n));
    const float floor = static_cast<float>(std::pow(10.0, -kAnalysisRangeDecibels / 20.0));
    const auto hold = static_cast<int64_t>(std::llround(kAnalysisHoldSeconds * host.sampleRate()));
    StereoResponse response;
    float peak = 0.0f;
    int64_t lastLoud = 0;
    if (cutOff)
        *cutOff = true;
    for (int64_t at = 0; at < longest; at += n)
    {
        std::fill(inL.begin(), inL.end(), 0.0f);
        std::fill(inR.begin(), inR.end(), 0.0f);
        if (at == 0)
        {
            inL[0] = amplitude;
            inR[0] = bothInputs ? amplitude : 0.0f;
        }
        host.process(inL.data(), inR.data(), outL.data(), outR.data(), n);
        const auto count = static_cast<size_t>(std::min<int64_t>(n, longest - at));
        for (size_t i = 0; i < count; ++i)
        {
            peak = std::max({peak, std::fabs(outL[i]), std::fabs(outR[i])});
            // NaN counts as loud.
            if (!(std::fabs(outL[i]) <= peak * floor) || !(std::fabs(outR[i]) <= peak * floor))
                lastLoud = at + static_cast<int64_t>(i);
        }
        response.left.insert(response.left.end(), outL.begin(), outL.begin() + static_cast<std::ptrdiff_t>(count));
        response.right.insert(response.right.end(), outR.begin(), outR.begin() + static_cast<std::ptrdiff_t>(count));
        if (untilDecayed && peak > 0.0f && at + static_cast<int64_t>(count) - lastLoud > hold)
        {
            if (cutOff)
                *cutOff = false;
            break;
        }
    }
    return response;
}

// A started effect with the sound chosen, fully wet, primed.
bool startSound(EffectHost& host, const RenderOptions& options, double rate, std::string& error)
{
    host.start(static_cast<float>(rate), options.blockSize);
    if (!chooseSound(host, options, error))
        return false;
    host.setParameter(kMix, 1.0f);
    host.prime();
    return true;
}

std::string settingsOf(EffectHost& host)
{
    auto shown = [&](int32_t index) { return host.parameterDisplay(index); };
    return shown(kType) + ", Decay " + shown(kDecay) + ", PreDely " + shown(kPreDelay) + ", HighDamp " +
           shown(kHighDamp) + ", LowGain " + shown(kLowGain) + " at " + shown(kLowFreq) + ", HighGain " +
           shown(kHighGain) + " at " + shown(kHighFreq) + ", Diffusion " + shown(kDiffusion);
}

std::string fixed(const char* format, double value)
{
    char text[64] = {};
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

std::string bandName(const BandDecay& band)
{
    if (band.centreHz == 0.0)
        return "Broadband";
    return band.centreHz >= 1000.0 ? fixed("%g kHz", band.centreHz / 1000.0) : fixed("%g Hz", band.centreHz);
}

const BandDecay* bandAt(const ProgramAnalysis& analysis, double centreHz)
{
    for (const BandDecay& band : analysis.figures.bands)
        if (band.centreHz == centreHz)
            return &band;
    return nullptr;
}

std::string arrivalText(const ProgramAnalysis& analysis)
{
    const int64_t arrival = analysis.figures.firstArrival;
    return arrival < 0 ? "n/a" : fixed("%.1f ms", 1000.0 * static_cast<double>(arrival) / analysis.sampleRate);
}

std::string heading(const ProgramAnalysis& analysis)
{
    return std::to_string(analysis.programNumber) + " " + analysis.name;
}
} // namespace

bool analyseSound(const RenderOptions& options, int32_t programNumber, ProgramAnalysis& analysis,
                  std::string& error)
{
    RenderOptions sound = options;
    if (programNumber >= 0)
        sound.program = std::to_string(programNumber);
    const double rate = options.rate > 0 ? options.rate : kAnalysisDefaultRate;
    const auto amplitude = static_cast<float>(std::pow(10.0, options.levelDecibels / 20.0));
    const auto longest = static_cast<int64_t>(std::llround(kAnalysisLongestSeconds * rate));

    analysis = {};
    analysis.sampleRate = rate;
    analysis.levelDecibels = options.levelDecibels;
    EffectHost host;
    if (!startSound(host, sound, rate, error))
        return false;
    analysis.programNumber =
        sound.program.empty() ? host.effect().getProgram() : findProgram(host.effect(), sound.program);
    analysis.name = host.programName();
    analysis.type = host.parameterDisplay(kType);
    analysis.settings = settingsOf(host);
    analysis.both = renderImpulse(host, amplitude, true, longest, true, &analysis.cutOff);

    const int64_t arrival = firstArrival(analysis.both.left.data(), analysis.both.right.data(),
                                         static_cast<int64_t>(analysis.both.left.size()));
    EffectHost leftHost;
    if (!startSound(leftHost, sound, rate, error))
        return false;
    analysis.leftOnly = renderImpulse(leftHost, amplitude, false,
                                      std::max<int64_t>(arrival, 0) + std::llround(kLeftOnlySeconds * rate), false);
    analysis.figures = analyseResponses(analysis.both, analysis.leftOnly, rate);
    return true;
}

std::string analysisReport(const ProgramAnalysis& analysis)
{
    const ResponseFigures& figures = analysis.figures;
    const double seconds = static_cast<double>(figures.frames) / analysis.sampleRate;
    std::string report = "Program " + heading(analysis) + ": " + analysis.settings + "\n";
    report += "Impulse at " + fixed("%.1f", analysis.levelDecibels) + " dBFS into both inputs, fully wet, at " +
              fixed("%.0f", analysis.sampleRate) + " Hz: " + fixed("%.2f s", seconds) +
              (analysis.cutOff ? " (the longest the analysis renders)"
                               : fixed(" until %.0f dB below its peak", kAnalysisRangeDecibels)) +
              "\n";
    if (figures.firstArrival < 0)
        return report + "No output: the sound is silent.\n";
    report += "First arrival: sample " + std::to_string(figures.firstArrival) + ", " + arrivalText(analysis) +
              " after the impulse (the pre-delay it implies)\n";
    report += "Inter-channel cross-correlation: " +
              (std::isnan(figures.crossCorrelation) ? std::string("n/a") : fixed("%.2f", figures.crossCorrelation)) +
              " (impulse into the left input; 0..80 ms after its first arrival, lags up to 1 ms)\n\n";
    char line[160] = {};
    std::snprintf(line, sizeof(line), "%-10s  %-20s  %-20s  %s\n", "Band", "EDT", "T20", "T30");
    report += line;
    for (const BandDecay& band : figures.bands)
    {
        std::snprintf(line, sizeof(line), "%-10s  %-20s  %-20s  %s\n", bandName(band).c_str(),
                      describe(band.edt).c_str(), describe(band.t20).c_str(), describe(band.t30).c_str());
        report += line;
    }
    return report;
}

std::string markdownTableHead()
{
    return "| # | Program | Type | T30 500 Hz | T30 2 kHz | EDT broadband | First arrival |\n"
           "|--:|:--|:--|--:|--:|--:|--:|\n";
}

std::string markdownTableRow(const ProgramAnalysis& analysis)
{
    const BandDecay* mid = bandAt(analysis, 500.0);
    const BandDecay* high = bandAt(analysis, 2000.0);
    const BandDecay* broadband = bandAt(analysis, 0.0);
    auto cell = [](const BandDecay* band, DecayTime BandDecay::*figure) {
        return band ? describe(band->*figure) : std::string("n/a");
    };
    return "| " + std::to_string(analysis.programNumber) + " | " + analysis.name + " | " + analysis.type + " | " +
           cell(mid, &BandDecay::t30) + " | " + cell(high, &BandDecay::t30) + " | " +
           cell(broadband, &BandDecay::edt) + " | " + arrivalText(analysis) + " |\n";
}

std::string plotFileName(int32_t programNumber, const std::string& name)
{
    char number[16] = {};
    std::snprintf(number, sizeof(number), "%02d-", static_cast<int>(programNumber));
    std::string file = number;
    bool dash = true;
    for (unsigned char c : name)
    {
        if (std::isalnum(c) && c < 128)
        {
            file += static_cast<char>(std::tolower(c));
            dash = false;
        }
        else if (!dash)
        {
            file += '-';
            dash = true;
        }
    }
    if (file.back() == '-')
        file.pop_back();
    return file + ".png";
}

namespace
{
// A new empty temporary file beside `path` for the picture, or false with
// the reason.
bool reserveTemporary(const std::string& path, std::string& temporary, std::string& error)
{
    const int fd = createTemporaryBeside(path, temporary);
    if (fd < 0)
    {
        error = "cannot write the picture " + path + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    return true;
}
} // namespace

bool checkPlotPath(const std::string& path, std::string& error)
{
    std::string temporary;
    if (!reserveTemporary(path, temporary, error))
        return false;
    std::remove(temporary.c_str());
    return true;
}

bool writeAnalysisPlot(const ProgramAnalysis& analysis, const std::string& path, std::string& error)
{
    const ResponseFigures& figures = analysis.figures;
    std::vector<float> mono(analysis.both.left.size());
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5f * (analysis.both.left[i] + analysis.both.right[i]);
    const Spectrogram spectrogram =
        computeSpectrogram(mono, analysis.sampleRate, plotSeconds(figures), kSpectrogramColumns, kSpectrogramRows,
                           kSpectrogramLowestHz, kSpectrogramHighestHz);
    const std::string details = analysis.settings + "; impulse " + fixed("%.1f dBFS", analysis.levelDecibels) +
                                ", fully wet, " + fixed("%.0f Hz", analysis.sampleRate);
    const PixelBuffer image = drawDecayPlot(figures, spectrogram, heading(analysis), details);

    std::string temporary;
    if (!reserveTemporary(path, temporary, error))
        return false;
    if (!writePng(image, temporary) || std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        error = "cannot write the picture " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
