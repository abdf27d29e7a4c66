// The built corvanta-render run on generated files, as a user runs it.
#include "AudioFiles.h"
#include "EffectHost.h"
#include "FifoWatchdog.h"
#include "FactoryBank.h"
#include "RenderTestSupport.h"
#include "TailTracker.h"
#include "TestHost.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <sys/stat.h>

namespace
{
constexpr int32_t kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The tool failed with a message naming `problem` and wrote nothing.
void expectRefusal(const ToolRun& run, const std::string& problem, const TempDirectory& folder,
                   const std::vector<std::string>& filesBefore)
{
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(contains(run.err, problem)) << run.err;
    EXPECT_TRUE(contains(run.err, "corvanta-render: ")) << run.err;
    EXPECT_EQ(filesIn(folder), filesBefore) << "no output and no temporary file may stay";
}

// The reference: the plug-in binary loaded with dlopen and driven like the
// tool drives the effect (16 parameters, priming silence, whole blocks, the
// tail up to the cap); returns interleaved stereo cut where the tail ends.
std::vector<float> throughPlugin(const AudioData& input, const double (&values)[16], int32_t blockSize,
                                 double tailSeconds)
{
    PluginModule module;
    TestHost host;
    EXPECT_NE(host.load(module), nullptr);
    host.start(static_cast<float>(input.sampleRate), blockSize);
    for (int32_t i = 0; i < 16; ++i)
        host.setParameter(i, static_cast<float>(values[i]));

    const int32_t primingLength = primingBlockLength(blockSize);
    std::vector<float> silenceL(static_cast<size_t>(primingLength)), silenceR = silenceL, outL, outR;
    for (int32_t block = 0; block < primingBlockCount(blockSize); ++block)
    {
        std::fill(silenceL.begin(), silenceL.end(), 0.0f);
        std::fill(silenceR.begin(), silenceR.end(), 0.0f);
        host.process(silenceL, silenceR, outL, outR);
    }

    const int64_t frames = input.frames();
    const auto cap = static_cast<int64_t>(std::llround(tailSeconds * input.sampleRate));
    std::vector<float> rendered;
    int64_t tailEnd = 0;
    for (int64_t at = 0; at < frames + cap; at += blockSize)
    {
        std::vector<float> inL(static_cast<size_t>(blockSize)), inR = inL;
        for (int64_t i = 0; i < blockSize && at + i < frames; ++i)
        {
            inL[static_cast<size_t>(i)] = input.samples[static_cast<size_t>((at + i) * input.channels)];
            inR[static_cast<size_t>(i)] =
                input.samples[static_cast<size_t>((at + i) * input.channels + input.channels - 1)];
        }
        host.process(inL, inR, outL, outR);
        for (int64_t i = 0; i < blockSize && at + i < frames + cap; ++i)
        {
            rendered.push_back(outL[static_cast<size_t>(i)]);
            rendered.push_back(outR[static_cast<size_t>(i)]);
            const float threshold = static_cast<float>(std::pow(10.0, kTailThresholdDecibels / 20.0));
            if (at + i >= frames && (!(std::fabs(outL[static_cast<size_t>(i)]) < threshold) ||
                                     !(std::fabs(outR[static_cast<size_t>(i)]) < threshold)))
                tailEnd = at + i + 1 - frames;
        }
    }
    rendered.resize(static_cast<size_t>(frames + tailEnd) * 2);
    return rendered;
}
} // namespace

TEST(RenderTool, DryPathPassesAtEveryRateForMonoAndStereo)
{
    TempDirectory folder;
    for (int32_t rate : {44100, 48000, 96000, 192000})
        for (int32_t channels : {1, 2})
        {
            const AudioData input = testSignal(rate, channels, rate / 10 + 7, kFloatWav);
            const std::string in = folder.file("in.wav");
            const std::string out = folder.file("out.wav");
            writeAudio(in, input);
            const ToolRun run = runTool({in, "-o", out, "--set", "Mix=Dry", "--float"});
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err, "") << "no progress bar when standard error is not a terminal";
            const AudioData output = readAudio(out);
            EXPECT_EQ(output.channels, 2);
            EXPECT_EQ(output.sampleRate, rate);
            ASSERT_EQ(output.frames(), input.frames()) << rate << " Hz, " << channels << " channel(s)";
            for (int64_t i = 0; i < input.frames(); ++i)
                for (int32_t c = 0; c < 2; ++c)
                    ASSERT_EQ(output.samples[static_cast<size_t>(i * 2 + c)],
                              input.samples[static_cast<size_t>(i * channels + std::min(c, channels - 1))])
                        << rate << " Hz, frame " << i << ", channel " << c;
        }
}

TEST(RenderTool, BasicHallMatchesThePluginLoadedByAHost)
{
    TempDirectory folder;
    const AudioData input = testSignal(48000, 2, 48000 / 4 + 3, kFloatWav);
    writeAudio(folder.file("in.wav"), input);
    for (int32_t blockSize : {512, 1000})
    {
        const ToolRun run = runTool({folder.file("in.wav"), "-o", folder.file("out.wav"), "--program", "basic hall",
                                     "--float", "--tail", "2", "--block", std::to_string(blockSize)});
        ASSERT_EQ(run.status, 0) << run.err;
        const AudioData output = readAudio(folder.file("out.wav"));
        const std::vector<float> expected = throughPlugin(input, kFactoryBank[22].values, blockSize, 2.0);
        ASSERT_EQ(output.samples.size(), expected.size()) << "output length = input length + tail";
        EXPECT_TRUE(output.samples == expected) << "block " << blockSize;
        EXPECT_TRUE(contains(run.out, "\"Basic Hall\"")) << run.out;
    }
}

TEST(RenderTool, WritesTheInputsContainerOrAFloatWav)
{
    TempDirectory folder;
    struct Case
    {
        const char* name;
        int32_t format;
    };
    const Case cases[] = {{"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                          {"b.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
                          {"c.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                          {"d.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}};
    for (const Case& c : cases)
    {
        const AudioData input = testSignal(44100, 1, 4410, c.format);
        writeAudio(folder.file(c.name), input);
        ToolRun run = runTool({folder.file(c.name), "--tail", "0.5"});
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
        const std::string stem = std::filesystem::path(c.name).stem().string();
        const std::string extension = std::filesystem::path(c.name).extension().string();
        const AudioData same = readAudio(folder.file(stem + "-corvanta" + extension));
        EXPECT_EQ(same.format, c.format) << c.name;
        EXPECT_EQ(same.channels, 2);
        if ((c.format & SF_FORMAT_SUBMASK) != SF_FORMAT_VORBIS)
        {
            EXPECT_GE(same.frames(), input.frames());
        }

        run = runTool({folder.file(c.name), "--float", "--tail", "0", "-q"});
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(run.out, "") << "--quiet prints no summary";
        const AudioData wav = readAudio(folder.file(stem + "-corvanta.wav"));
        EXPECT_EQ(wav.format, kFloatWav);
        if ((c.format & SF_FORMAT_SUBMASK) != SF_FORMAT_VORBIS)
        {
            EXPECT_EQ(wav.frames(), input.frames());
        }
    }
}

TEST(RenderTool, RendersTheDemonstrationAndSummarisesTheJob)
{
    TempDirectory folder;
    ToolRun run = runTool({"-o", folder.file("demo.wav"), "--program", "22", "--tail", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    const AudioData demo = readAudio(folder.file("demo.wav"));
    EXPECT_EQ(demo.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(demo.channels, 2);
    EXPECT_EQ(demo.sampleRate, 44100);
    EXPECT_EQ(demo.frames(), 4 * 44100);
    for (const char* part : {"demo signal -> ", "\"Basic Hall\"", "4.00 s input", "peak in -6.0 dBFS, out ",
                             "real time"})
        EXPECT_TRUE(contains(run.out, part)) << part << " in " << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << "one summary line";

    run = runTool({"--demo", "-o", folder.file("float.wav"), "--float"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readAudio(folder.file("float.wav")).format, kFloatWav);
    EXPECT_GE(readAudio(folder.file("float.wav")).frames(), 4 * 44100);
}

TEST(RenderTool, ListsWhatAUserNeedsToChoose)
{
    ToolRun run = runTool({"--list-programs"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 53);
    EXPECT_TRUE(contains(run.out, "22  Basic Hall")) << run.out;
    EXPECT_TRUE(contains(run.out, "52  Phat Drums")) << run.out;
    EXPECT_TRUE(contains(run.out, "29  Dark Reflections          Arena      Decay 0%")) << run.out;

    run = runTool({"--list-params", "--program", "lo-fi drums", "--set", "Decay=70", "--set-raw", "2=0.5"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Program: Lo-Fi Drums")) << run.out;
    EXPECT_TRUE(contains(run.out, "Decay      70%")) << run.out;
    EXPECT_TRUE(contains(run.out, "HighDamp   100%")) << run.out;
    EXPECT_TRUE(contains(run.out, "PreDely    250ms")) << run.out;
    EXPECT_TRUE(contains(run.out, "Type       Spring")) << run.out;
    EXPECT_TRUE(contains(run.out, "Diffusion  100%")) << run.out;

    run = runTool({"--info"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* part : {"ORV Corvanta", "ORCN", "version 1600", "20000..200000 Hz", "96->48", "192->48"})
        EXPECT_TRUE(contains(run.out, part)) << part << " in " << run.out;

    run = runTool({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "--set NAME=VALUE"));
}

TEST(RenderTool, ReadsPresetAndBankFiles)
{
    TempDirectory folder;
    const float preset[16] = {1.0f, 0.8988889f, 0.0f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f,
                              0.5f, 0.5f,       0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    writeBytes(folder.file("p.orv"), programFile('!', {programRecord("My Plate", preset)}));
    ToolRun run = runTool({"--preset", folder.file("p.orv"), "--list-params"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Program: My Plate")) << run.out;
    EXPECT_TRUE(contains(run.out, "Type       Plate")) << run.out;
    EXPECT_TRUE(contains(run.out, "Decay      25%")) << run.out;

    std::vector<std::vector<uint8_t>> records;
    for (int n = 0; n < 53; ++n)
    {
        float values[16] = {1.0f, 0.121111f, 0.0f, n / 100.0f, 0.1f, 0.5f, 0.5f, 0.5f,
                            0.5f, 0.5f,      0.5f, 0.0f,       0.0f, 0.0f, 0.0f, 0.0f};
        records.push_back(programRecord("Bank Room " + std::to_string(n), values));
    }
    writeBytes(folder.file("b.orb"), programFile('7', records));
    run = runTool({"--bank", folder.file("b.orb"), "--program", "bank room 42", "--list-params"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Program: Bank Room 42")) << run.out;
    EXPECT_TRUE(contains(run.out, "Decay      42%")) << run.out;
    run = runTool({"--bank", folder.file("b.orb"), "--list-programs"});
    EXPECT_TRUE(contains(run.out, " 7  Bank Room 7 ")) << run.out;
    EXPECT_FALSE(contains(run.out, "Basic Hall")) << run.out;

    writeAudio(folder.file("in.wav"), testSignal(44100, 1, 1000, kFloatWav));
    const auto before = filesIn(folder);
    expectRefusal(runTool({"--preset", folder.file("b.orb"), folder.file("in.wav"), "-o", folder.file("out.wav")}),
                  "Not a preset file!", folder, before);
    expectRefusal(runTool({"--bank", folder.file("p.orv"), "--list-programs"}), "Not a bank file!", folder, before);
    expectRefusal(runTool({"--preset", folder.file("gone.orv"), "--list-params"}), "No such file or directory", folder,
                  before);
    expectRefusal(runTool({"--bank", folder.file("b.orb"), "--program", "Basic Hall", "--list-params"}),
                  "no program 'Basic Hall' in the bank", folder, before);
    // A folder or a pipe is refused at once, never waited on.
    std::filesystem::create_directory(folder.file("dir.orv"));
    ASSERT_EQ(::mkfifo(folder.file("pipe.orb").c_str(), 0600), 0);
    const auto withSpecials = filesIn(folder);
    expectRefusal(runTool({"--preset", folder.file("dir.orv"), "--list-params"}), "dir.orv is a folder", folder,
                  withSpecials);
    {
        const FifoWatchdog watchdog(folder.file("pipe.orb"));
        expectRefusal(runTool({"--bank", folder.file("pipe.orb"), "--list-params"}), "pipe.orb is not a regular file",
                      folder, withSpecials);
        EXPECT_FALSE(watchdog.fired()) << "the renderer waited on the pipe";
    }
    // A bank cut short is refused before any program changes.
    writeBytes(folder.file("short.orb"), programFile('7', {records[0]}));
    expectRefusal(runTool({"--bank", folder.file("short.orb"), "--list-params"}), "Invalid file format!", folder,
                  filesIn(folder));
}

TEST(RenderTool, TypeJustBelowOneIsPlateOnEveryPath)
{
    // A knob dragged to the top sends 0.999: from (8 - 0.01) / 9 up, every
    // value is the Plate, kept as 0.8988889, and sounds exactly as 1.0 does;
    // set by a host, by the renderer or by a preset or bank file.
    const char* belowOne[] = {"0.999", "0.9999", "0.99999994"};
    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    for (const char* x : belowOne)
    {
        host.setParameter(1, 0.5f);
        host.setParameter(1, std::stof(x));
        EXPECT_EQ(host.parameterDisplay(1), "Plate") << x;
        EXPECT_EQ(host.getParameter(1), typeNormalizedValue(8)) << x;
    }

    TempDirectory folder;
    const AudioData input = testSignal(44100, 2, 4410, kFloatWav);
    writeAudio(folder.file("in.wav"), input);
    const auto render = [&](std::vector<std::string> choice) {
        std::vector<std::string> args = {folder.file("in.wav"), "-o", folder.file("out.wav"), "--float", "--tail",
                                         "0.3"};
        args.insert(args.end(), choice.begin(), choice.end());
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return readAudio(folder.file("out.wav")).samples;
    };
    const std::vector<float> plate = render({"--set-raw", "1=1"});
    ASSERT_GT(plate.size(), static_cast<size_t>(input.frames() * 2));
    EXPECT_TRUE(std::any_of(plate.begin() + input.frames() * 2, plate.end(), [](float v) { return v != 0.0f; }))
        << "the Plate's tail";
    for (const char* x : belowOne)
        EXPECT_TRUE(render({"--set-raw", std::string("1=") + x}) == plate) << x;

    float values[16] = {1.0f, 0.999f, 0.0f, 0.5f, 0.1f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 0, 0, 0};
    writeBytes(folder.file("p.orv"), programFile('!', {programRecord("Top", values)}));
    EXPECT_TRUE(render({"--preset", folder.file("p.orv")}) == plate);
    values[1] = 0.99999994f;
    writeBytes(folder.file("b.orb"), programFile('7', std::vector(53, programRecord("Top", values))));
    EXPECT_TRUE(render({"--bank", folder.file("b.orb")}) == plate);
}

TEST(RenderTool, RefusesBadInputWithAClearMessageAndNoOutput)
{
    TempDirectory folder;
    const std::string in = folder.file("in.wav");
    const std::string out = folder.file("out.wav");
    writeAudio(in, testSignal(44100, 2, 1000, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    writeBytes(folder.file("notes.txt"), {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o', '\n'});
    writeAudio(folder.file("surround.wav"), testSignal(48000, 3, 1000, kFloatWav));
    const auto before = filesIn(folder);
    const auto inputBytes = readBytes(in);

    expectRefusal(runTool({folder.file("missing.wav"), "-o", out}), "missing.wav", folder, before);
    expectRefusal(runTool({folder.file("notes.txt"), "-o", out}), "notes.txt", folder, before);
    expectRefusal(runTool({folder.str(), "-o", out}), "is a folder", folder, before);
    expectRefusal(runTool({in, "-o", out, "--program", "Huge Hall"}), "no program 'Huge Hall'", folder, before);
    expectRefusal(runTool({in, "-o", out, "--program", "53"}), "no program '53'", folder, before);
    expectRefusal(runTool({in, "-o", out, "--set", "Size=3"}), "unknown parameter 'Size'", folder, before);
    expectRefusal(runTool({in, "-o", out, "--set", "LowFreq=5"}), "out of range", folder, before);
    expectRefusal(runTool({in, "-o", out, "--set-raw", "3=1.5"}), "0..1", folder, before);
    expectRefusal(runTool({in, "-o", in}), "is the input file", folder, before);
    expectRefusal(runTool({in, "-o", folder.str() + "/./in.wav", "--float"}), "is the input file", folder,
                  before);
    expectRefusal(runTool({in, "-o", folder.file("no/such/folder/out.wav")}), "does not exist", folder, before);
    expectRefusal(runTool({in, "-o", folder.file("out.mp3")}), "one of .wav .w64 .aif .aiff .caf .flac .ogg .oga",
                  folder, before);
    expectRefusal(runTool({in, "-o", folder.file("out.ogg"), "--float"}), "Ogg Vorbis has no float samples", folder,
                  before);
    expectRefusal(runTool({in, "-o", out, "--rate", "19999"}), "--rate takes a host sample rate", folder, before);
    expectRefusal(runTool({in, "-o", out, "--rate", "200001"}), "20000..200000", folder, before);
    expectRefusal(runTool({in, "-o", out, "--plot", folder.file("p.png")}), "needs --analyze", folder, before);
    expectRefusal(runTool({"--analyze", in}), "takes no input file", folder, before);
    expectRefusal(runTool({"--analyze", "--plot", folder.file("no/such/p.png")}), "cannot write the picture", folder,
                  before);
    expectRefusal(runTool({"--analyze", "--plot", folder.file("p.txt")}), "ending in .png", folder, before);
    expectRefusal(runTool({"--analyze", "--all", "--plot", folder.file("pictures/")}), "names a folder", folder,
                  before);
    expectRefusal(runTool({in, "-o", folder.str()}), "is a folder", folder, before);
    expectRefusal(runTool({folder.file("surround.wav"), "-o", out}), "3 channels", folder, before);
    expectRefusal(runTool({in, "--tail", "-2"}), "--tail", folder, before);
    EXPECT_TRUE(readBytes(in) == inputBytes) << "the input is never modified";
}

TEST(RenderTool, AnUnfinishedOutputLeavesNoFile)
{
    TempDirectory folder;
    {
        AudioWriter writer;
        std::string error;
        AudioFormat format;
        format.format = kFloatWav;
        format.channels = 2;
        format.sampleRate = 44100;
        ASSERT_TRUE(writer.open(folder.file("partial.wav"), format, error)) << error;
        const float frame[2] = {0.5f, -0.5f};
        ASSERT_TRUE(writer.write(frame, 1, error));
        EXPECT_EQ(filesIn(folder).size(), 1u) << "the temporary file exists while writing";
    }
    EXPECT_TRUE(filesIn(folder).empty());
}
