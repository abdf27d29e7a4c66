// corvanta-render: puts an audio file through the Corvanta reverb from the
// shell, driving the effect as a plug-in host does.
#include "AudioFiles.h"
#include "DemoSignal.h"
#include "EffectHost.h"
#include "OutputFormat.h"
#include "ParameterText.h"
#include "ProgramAnalysis.h"
#include "RateConversion.h"
#include "Render.h"
#include "RenderOptions.h"
#include "SoundChoice.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// Host rates for inputs outside the engine's range.
constexpr int32_t kRateBelowRange = 48000;
constexpr int32_t kRateAboveRange = 192000;

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

int fail(const std::string& message, int status = kExitFailure)
{
    std::fprintf(stderr, "corvanta-render: %s\n", message.c_str());
    return status;
}

std::string decibelsFullScale(float peak)
{
    if (!(peak > 0.0f))
        return "-inf dBFS";
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%.1f dBFS", 20.0 * std::log10(static_cast<double>(peak)));
    return text;
}

class FileSource : public FrameSource
{
public:
    explicit FileSource(AudioReader& fileReader) : FrameSource(fileReader.format().channels), reader(fileReader) {}
    int64_t read(float* interleaved, int64_t frames) override { return reader.read(interleaved, frames); }
    std::string failure() const override { return reader.readError(); }

private:
    AudioReader& reader;
};

class FileSink : public FrameSink
{
public:
    explicit FileSink(AudioWriter& fileWriter) : writer(fileWriter) {}
    bool write(const float* interleavedStereo, int64_t frames, std::string& error) override
    {
        return writer.write(interleavedStereo, frames, error);
    }

private:
    AudioWriter& writer;
};

// A progress bar on standard error, only on a terminal and only once the
// job has taken a second.
class ProgressBar
{
public:
    ProgressBar(int64_t totalInputFrames, bool enabled)
        : total(totalInputFrames), active(enabled && isatty(STDERR_FILENO)),
          start(std::chrono::steady_clock::now())
    {
    }

    void update(int64_t inputDone, int64_t tailDone, double rate)
    {
        if (!active)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - start < std::chrono::seconds(1) || now - lastDrawn < std::chrono::milliseconds(100))
            return;
        lastDrawn = now;
        constexpr int kWidth = 30;
        const double fraction = total > 0 ? std::min(1.0, static_cast<double>(inputDone) / total) : 1.0;
        const int filled = static_cast<int>(fraction * kWidth);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                     std::string(static_cast<size_t>(kWidth - filled), '-').c_str(),
                     static_cast<int>(fraction * 100.0));
        if (tailDone > 0)
            std::fprintf(stderr, "  tail %.1f s", static_cast<double>(tailDone) / rate);
        std::fflush(stderr);
        drawn = true;
    }

    void clear()
    {
        if (drawn)
            std::fprintf(stderr, "\r%60s\r", "");
        drawn = false;
    }

private:
    int64_t total;
    bool active;
    bool drawn = false;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastDrawn;
};

void printInfo()
{
    EffectHost host;
    char text[256] = {};
    host.dispatch(effGetEffectName, 0, 0, text);
    std::printf("Effect:       %s\n", text);
    host.dispatch(effGetProductString, 0, 0, text);
    std::printf("Product:      %s\n", text);
    host.dispatch(effGetVendorString, 0, 0, text);
    const auto version = host.dispatch(effGetVendorVersion);
    std::printf("Vendor:       %s, version %d\n", text, static_cast<int>(version));
    const auto id = static_cast<uint32_t>(host.record()->uniqueID);
    std::printf("Unique ID:    %c%c%c%c\n", static_cast<char>(id >> 24), static_cast<char>(id >> 16),
                static_cast<char>(id >> 8), static_cast<char>(id));
    std::printf("Channels:     %d in, %d out; mono input feeds both inputs\n", host.record()->numInputs,
                host.record()->numOutputs);
    std::printf("Programs:     %d in the bank\n", kNumStoredPrograms);
    std::printf("Sample rates: %d..%d Hz; the reverb runs at the host rate up to 50 kHz, below it at\n",
                kLowestRate, kHighestRate);
    std::printf("              a half or a quarter:");
    for (float rate : {44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f})
    {
        host.start(rate, 512);
        std::printf(" %g->%g", static_cast<double>(rate) / 1000.0, host.effect().getEngine().internalRate / 1000.0);
    }
    std::printf(" kHz\n");
    std::printf("Renderer:     corvanta-render %s, %s\n", CORVANTA_VERSION, soundFileLibraryVersion().c_str());
}

void listParameters(EffectHost& host)
{
    std::printf("Program: %s\n", host.programName().c_str());
    for (int32_t index : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 17})
        std::printf("%2d  %-9s  %-10s  %.6f  (%s)\n", static_cast<int>(index), host.parameterName(index).c_str(),
                    host.parameterDisplay(index).c_str(), static_cast<double>(host.getParameter(index)),
                    valueSyntax(index).c_str());
}

void listPrograms(EffectHost& host)
{
    Corvanta& effect = host.effect();
    for (int32_t n = 0; n < kNumStoredPrograms; ++n)
    {
        effect.selectProgram(n);
        std::printf("%2d  %-24s  %-9s  Decay %-4s  HighDamp %s\n", static_cast<int>(n),
                    effect.getStoredProgram(n)->name(), host.parameterDisplay(kType).c_str(),
                    host.parameterDisplay(kDecay).c_str(), host.parameterDisplay(kHighDamp).c_str());
    }
}

bool samePath(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

void warn(const std::string& message)
{
    std::fprintf(stderr, "corvanta-render: warning: %s\n", message.c_str());
}

// The host rate to render an input at: its own where the engine takes it.
int32_t hostRateFor(int32_t inputRate, int32_t chosenRate)
{
    if (chosenRate > 0)
        return chosenRate;
    if (inputRate < kLowestRate)
        return kRateBelowRange;
    return inputRate > kHighestRate ? kRateAboveRange : inputRate;
}

// Where the output goes and in which format, or a message why it cannot.
bool chooseOutput(const RenderOptions& options, const AudioFormat& input, int32_t outputRate, std::string& output,
                  AudioFormat& format, std::string& error)
{
    output = options.output.empty() ? defaultOutputPath(options.input, options.floatWav) : options.output;
    if (!options.input.empty() && samePath(options.input, output))
    {
        error = "the output " + output + " is the input file; choose another output";
        return false;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(output, ec))
    {
        error = "the output " + output + " is a folder";
        return false;
    }
    const std::filesystem::path folder = std::filesystem::path(output).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
    {
        error = "cannot write " + output + ": the folder " + folder.string() + " does not exist";
        return false;
    }
    if (!options.output.empty())
        return outputFormatForPath(output, input, options.floatWav, outputRate, format, error);
    format = outputFormatFor(input, options.floatWav);
    format.sampleRate = outputRate;
    return true;
}

std::string rateNote(int32_t inputRate, int32_t hostRate, int32_t outputRate)
{
    if (hostRate == inputRate && hostRate == outputRate)
        return "";
    if (hostRate == outputRate)
        return " (from " + std::to_string(inputRate) + " Hz, converted with libsoxr)";
    return " (rendered at " + std::to_string(hostRate) + " Hz, converted with libsoxr)";
}

int render(const RenderOptions& options)
{
    AudioReader reader;
    std::unique_ptr<FrameSource> fileSource;
    AudioFormat input;
    std::string error;
    if (options.input.empty())
    {
        fileSource = std::make_unique<MemorySource>(makeDemoSignal(), kDemoChannels);
        input = pcm24Wav(kDemoSampleRate);
        input.frames = static_cast<int64_t>(kDemoSeconds * kDemoSampleRate);
    }
    else
    {
        if (!reader.open(options.input, error))
            return fail(error);
        input = reader.format();
        if (input.channels > 2)
            return fail(options.input + " has " + std::to_string(input.channels) +
                        " channels; only mono and stereo files are taken");
        fileSource = std::make_unique<FileSource>(reader);
    }
    const int32_t hostRate = hostRateFor(input.sampleRate, options.rate);
    const int32_t outputRate = options.rate > 0 ? options.rate : input.sampleRate;
    std::string output;
    AudioFormat outputFormat;
    if (!chooseOutput(options, input, outputRate, output, outputFormat, error))
        return fail(error);

    EffectHost host;
    host.start(static_cast<float>(hostRate), options.blockSize);
    if (!chooseSound(host, options, error))
        return fail(error);
    const std::string programName = host.programName();

    AudioWriter writer;
    if (!writer.open(output, outputFormat, error))
        return fail(error);
    FileSink fileSink(writer);

    std::string truncation = reader.truncation();
    if (!truncation.empty())
        warn(truncation + "; rendering what it holds");
    // Inputs at a rate the render does not run at go through converters.
    std::unique_ptr<ResampledSource> resampledSource;
    std::unique_ptr<ResampledSink> resampledSink;
    FrameSource* source = fileSource.get();
    FrameSink* sink = &fileSink;
    if (hostRate != input.sampleRate)
    {
        resampledSource = std::make_unique<ResampledSource>(*fileSource, input.sampleRate, hostRate);
        source = resampledSource.get();
    }
    if (hostRate != outputRate)
    {
        resampledSink = std::make_unique<ResampledSink>(fileSink, hostRate, outputRate);
        sink = resampledSink.get();
    }

    const double rate = hostRate;
    ProgressBar bar(input.frames * hostRate / input.sampleRate, !options.quiet);
    RenderJob job;
    job.tailSeconds = options.tailSeconds;
    job.cancel = &interrupted;
    job.progress = [&](int64_t inputDone, int64_t tailDone) { bar.update(inputDone, tailDone, rate); };

    const auto started = std::chrono::steady_clock::now();
    RenderReport report;
    bool rendered = renderStream(host, *source, *sink, job, report, error);
    if (rendered && resampledSink)
    {
        // The output keeps the input's length, and the tail converted.
        const int64_t inputFrames = resampledSource ? resampledSource->sourceFrames() : report.inputFrames;
        rendered = resampledSink->finish(
            inputFrames + std::llround(static_cast<double>(report.tailFrames) * outputRate / hostRate), error);
    }
    bar.clear();
    if (rendered && reader.truncation() != truncation)
        warn(reader.truncation());
    if (!rendered || !writer.commit(error))
        return fail(error);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    if (!options.quiet)
    {
        const int64_t frames = report.inputFrames + report.tailFrames;
        std::printf("%s -> %s (%s): \"%s\", %.2f s = %.2f s input + %.2f s tail at %d Hz%s, "
                    "peak in %s, out %s, %.0fx real time\n",
                    options.input.empty() ? "demo signal" : options.input.c_str(), output.c_str(),
                    describeFormat(outputFormat.format).c_str(), programName.c_str(), frames / rate,
                    report.inputFrames / rate, report.tailFrames / rate, outputRate,
                    rateNote(input.sampleRate, hostRate, outputRate).c_str(),
                    decibelsFullScale(report.inputPeak).c_str(), decibelsFullScale(report.outputPeak).c_str(),
                    seconds > 0.0 ? frames / rate / seconds : 0.0);
        if (writer.clippedSamples() > 0)
            std::printf("warning: %lld samples clipped to full scale; --float keeps them\n",
                        static_cast<long long>(writer.clippedSamples()));
    }
    return 0;
}

// --plot names a PNG file, or with --all a folder for one per program.
bool checkPlotTarget(const RenderOptions& options, std::string& error)
{
    const std::string& path = options.plotFile;
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(path, ec);
    if (options.allPrograms)
    {
        if (!folder)
        {
            error = "--plot " + path + ": with --all it names a folder for the pictures, and there is none";
            return false;
        }
        return checkPlotPath((std::filesystem::path(path) / "picture.png").string(), error);
    }
    if (folder)
    {
        error = "--plot " + path + " is a folder; give a file name ending in .png";
        return false;
    }
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".png")
    {
        error = "--plot " + path + ": the picture is a PNG; give a file name ending in .png";
        return false;
    }
    return checkPlotPath(path, error);
}

int analyze(const RenderOptions& options)
{
    std::string error;
    if (!options.plotFile.empty() && !checkPlotTarget(options, error))
        return fail(error);
    ProgramAnalysis analysis;
    if (!options.allPrograms)
    {
        if (!analyseSound(options, -1, analysis, error))
            return fail(error);
        std::fputs(analysisReport(analysis).c_str(), stdout);
        if (!options.plotFile.empty() && !writeAnalysisPlot(analysis, options.plotFile, error))
            return fail(error);
        return 0;
    }
    std::fputs(markdownTableHead().c_str(), stdout);
    // Program 0 is the edit buffer; the bank's programs are 1..52.
    for (int32_t n = 1; n < kNumStoredPrograms; ++n)
    {
        if (interrupted)
            return fail("interrupted");
        if (!analyseSound(options, n, analysis, error))
            return fail(error);
        std::fputs(markdownTableRow(analysis).c_str(), stdout);
        std::fflush(stdout);
        if (!options.plotFile.empty() &&
            !writeAnalysisPlot(analysis,
                               (std::filesystem::path(options.plotFile) / plotFileName(n, analysis.name)).string(),
                               error))
            return fail(error);
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    RenderOptions options;
    std::string error;
    if (!parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error))
        return fail(error + "\n(corvanta-render --help shows the options)", kExitUsage);
    if (options.help)
    {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.version)
    {
        std::printf("corvanta-render %s\n", CORVANTA_VERSION);
        return 0;
    }
    if (options.info)
        printInfo();
    if (options.listParams || options.listPrograms)
    {
        EffectHost host;
        host.start(44100.0f, options.blockSize);
        if (!chooseSound(host, options, error))
            return fail(error);
        if (options.listParams)
            listParameters(host);
        if (options.listPrograms)
            listPrograms(host);
    }
    if (options.info || options.listParams || options.listPrograms)
        return 0;

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    return options.analyze ? analyze(options) : render(options);
}
