// The built corvanta-render with the files a user brings and asks for: the
// output format its name chooses, inputs at any sample rate, a truncated
// input, and the analysis of a program with its picture.
#include "RenderTestSupport.h"
#include "draw/ImageFiles.h"

#include <sndfile.h>


#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr int32_t kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A 440 Hz tone under a half-sine fade, band-limited at every rate tested.
AudioData smoothTone(int32_t sampleRate, int64_t frames)
{
    AudioData audio;
    audio.format = kFloatWav;
    audio.channels = 1;
    audio.sampleRate = sampleRate;
    for (int64_t i = 0; i < frames; ++i)
        audio.samples.push_back(static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * i / sampleRate) *
                                                   std::sin(std::numbers::pi * i / frames)));
    return audio;
}

// The energy of the difference re the energy of `reference`.
double differenceRatio(const std::vector<float>& output, const std::vector<float>& reference)
{
    double difference = 0.0;
    double energy = 0.0;
    for (size_t i = 0; i < reference.size() && i < output.size(); ++i)
    {
        difference += std::pow(static_cast<double>(output[i]) - reference[i], 2.0);
        energy += std::pow(static_cast<double>(reference[i]), 2.0);
    }
    return difference / energy;
}
} // namespace

TEST(RenderFiles, TheOutputsExtensionChoosesItsFormat)
{
    TempDirectory folder;
    const std::string in = folder.file("in.wav");
    writeAudio(in, testSignal(44100, 1, 4410, SF_FORMAT_WAV | SF_FORMAT_PCM_24));
    ASSERT_EQ(runTool({in, "-o", folder.file("reference.wav"), "--tail", "0.5", "-q"}).status, 0);
    const AudioData reference = readAudio(folder.file("reference.wav"));
    ASSERT_GT(reference.frames(), 4410);

    struct Case
    {
        const char* name;
        int32_t format;
    };
    const Case cases[] = {{"out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, {"out.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
                          {"out.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_24},   {"out.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_24},
                          {"out.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},   {"float.aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT}};
    for (const Case& c : cases)
    {
        const bool floatSamples = (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT;
        std::vector<std::string> args = {in, "-o", folder.file(c.name), "--tail", "0.5", "-q"};
        if (floatSamples)
            args.push_back("--float");
        const ToolRun run = runTool(args);
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
        const AudioData output = readAudio(folder.file(c.name));
        EXPECT_EQ(output.format, c.format) << c.name;
        EXPECT_EQ(output.sampleRate, 44100) << c.name;
        EXPECT_EQ(output.frames(), reference.frames()) << c.name;
        if ((c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS)
        {
            EXPECT_LT(differenceRatio(output.samples, reference.samples), 0.01) << "lossy, but the same sound";
        }
        else if (!floatSamples)
        {
            // libsndfile's FLAC writer rounds float to integer its own way: one step at most.
            float largest = 0.0f;
            for (size_t i = 0; i < output.samples.size(); ++i)
                largest = std::max(largest, std::fabs(output.samples[i] - reference.samples[i]));
            EXPECT_LE(largest, 1.0f / 8388608.0f) << c.name << ": 24-bit like the input";
        }
    }
}

TEST(RenderFiles, InputsAtAnyRateComeOutAtTheirRateAndLength)
{
    TempDirectory folder;
    const std::string out = folder.file("out.wav");
    for (int32_t rate : {8000, 11025, 16000, 384000})
    {
        const AudioData input = smoothTone(rate, rate / 5);
        writeAudio(folder.file("in.wav"), input);
        const ToolRun run = runTool({folder.file("in.wav"), "-o", out, "--set", "Mix=Dry", "--float", "--tail", "0"});
        ASSERT_EQ(run.status, 0) << rate << ": " << run.err;
        EXPECT_TRUE(contains(run.out, "converted with libsoxr")) << run.out;
        const AudioData output = readAudio(out);
        EXPECT_EQ(output.sampleRate, rate);
        ASSERT_EQ(output.frames(), input.frames()) << rate;
        std::vector<float> left;
        for (int64_t i = 0; i < output.frames(); ++i)
            left.push_back(output.samples[static_cast<size_t>(2 * i)]);
        EXPECT_LT(differenceRatio(left, input.samples), 1e-6) << rate << " Hz: converted there and back";
    }

    // With the reverb the tail follows, at the input's rate.
    writeAudio(folder.file("in.wav"), smoothTone(16000, 3200));
    ToolRun run = runTool({folder.file("in.wav"), "-o", out, "--program", "Small Room", "--tail", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "at 16000 Hz (rendered at 48000 Hz")) << run.out;
    AudioData output = readAudio(out);
    EXPECT_EQ(output.sampleRate, 16000);
    EXPECT_GT(output.frames(), 3200 + 1600);

    // --rate renders and writes at the rate chosen.
    writeAudio(folder.file("in.wav"), smoothTone(44100, 4410));
    run = runTool({folder.file("in.wav"), "-o", out, "--rate", "96000", "--set", "Mix=Dry", "--tail", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    output = readAudio(out);
    EXPECT_EQ(output.sampleRate, 96000);
    EXPECT_NEAR(static_cast<double>(output.frames()), 9600.0, 1.0);
}

TEST(RenderFiles, ATruncatedInputIsRenderedWithAWarning)
{
    TempDirectory folder;
    writeAudio(folder.file("whole.wav"), testSignal(44100, 1, 10000, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    std::vector<uint8_t> bytes = readBytes(folder.file("whole.wav"));
    ASSERT_EQ(bytes.size(), 44u + 20000u);
    bytes.resize(44 + 12000); // the header still promises 10000 frames
    writeBytes(folder.file("cut.wav"), bytes);

    const ToolRun run =
        runTool({folder.file("cut.wav"), "-o", folder.file("out.wav"), "--set", "Mix=Dry", "--tail", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.err, "warning: " + folder.file("cut.wav") + " is truncated")) << run.err;
    EXPECT_EQ(readAudio(folder.file("out.wav")).frames(), 6000);
}

TEST(RenderFiles, AnalyzesAProgramAndDrawsItsPicture)
{
    TempDirectory folder;
    const std::string picture = folder.file("hall.png");
    ToolRun run = runTool({"--analyze", "--program", "basic hall", "--plot", picture});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Program 22 Basic Hall: Hall, Decay ")) << run.out;
    EXPECT_TRUE(contains(run.out, "at 48000 Hz: ")) << run.out;
    EXPECT_TRUE(contains(run.out, "First arrival: sample ")) << run.out;
    EXPECT_TRUE(contains(run.out, "Inter-channel cross-correlation: 0.")) << run.out;
    for (const char* band : {"\n125 Hz ", "\n250 Hz ", "\n500 Hz ", "\n1 kHz ", "\n2 kHz ", "\n4 kHz ", "\n8 kHz ",
                             "\nBroadband "})
        EXPECT_TRUE(contains(run.out, band)) << band << " in " << run.out;
    EXPECT_FALSE(contains(run.out, "n/a")) << run.out;
    PixelBuffer drawn;
    ASSERT_TRUE(readImageFile(picture, drawn)) << picture;
    EXPECT_EQ(drawn.width(), 1200);
    EXPECT_EQ(drawn.height(), 800);

    // At 20 kHz the 8 kHz octave reaches past half the rate.
    run = runTool({"--analyze", "--program", "Small Room", "--rate", "20000", "--level", "-6"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Impulse at -6.0 dBFS")) << run.out;
    EXPECT_TRUE(contains(run.out, "\n8 kHz       n/a")) << run.out;
}
