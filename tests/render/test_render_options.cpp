// The renderer's command line.
#include "RenderOptions.h"

#include "Parameters.h"

#include <gtest/gtest.h>

namespace
{
bool parse(std::vector<std::string> args, RenderOptions& options, std::string& error)
{
    options = RenderOptions();
    return parseCommandLine(args, options, error);
}

std::string refusal(std::vector<std::string> args)
{
    RenderOptions options;
    std::string error;
    EXPECT_FALSE(parse(args, options, error));
    EXPECT_FALSE(error.empty());
    return error;
}
} // namespace

TEST(RenderOptions, DefaultsRenderTheDemonstrationWithTheStartUpProgram)
{
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, options, error)) << error;
    EXPECT_TRUE(options.input.empty());
    EXPECT_TRUE(options.output.empty());
    EXPECT_TRUE(options.program.empty());
    EXPECT_EQ(options.blockSize, 512);
    EXPECT_DOUBLE_EQ(options.tailSeconds, 30.0);
    EXPECT_FALSE(options.floatWav);
    EXPECT_TRUE(options.settings.empty());
}

TEST(RenderOptions, ReadsEveryOptionInBothSpellings)
{
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(parse({"in.flac", "-o", "out.flac", "--program", "Basic Hall", "--bank=b.orb", "--set", "Decay=70",
                       "--set-raw=3=0.25", "--set", "type=Plate", "--set-raw", "Output=0.5", "--block=1000",
                       "--tail", "2.5", "--float", "-q"},
                      options, error))
        << error;
    EXPECT_EQ(options.input, "in.flac");
    EXPECT_EQ(options.output, "out.flac");
    EXPECT_EQ(options.program, "Basic Hall");
    EXPECT_EQ(options.bankFile, "b.orb");
    EXPECT_EQ(options.blockSize, 1000);
    EXPECT_DOUBLE_EQ(options.tailSeconds, 2.5);
    EXPECT_TRUE(options.floatWav);
    EXPECT_TRUE(options.quiet);
    // Settings keep their command-line order, so a later one wins.
    ASSERT_EQ(options.settings.size(), 4u);
    EXPECT_EQ(options.settings[0].index, kDecay);
    EXPECT_FLOAT_EQ(options.settings[0].value, 0.7f);
    EXPECT_EQ(options.settings[1].index, kDecay);
    EXPECT_FLOAT_EQ(options.settings[1].value, 0.25f);
    EXPECT_EQ(options.settings[2].index, kType);
    EXPECT_FLOAT_EQ(options.settings[2].value, 0.8988889f);
    EXPECT_EQ(options.settings[3].index, kOutput);

    ASSERT_TRUE(parse({"--preset", "p.orv", "--output=x.wav", "--demo", "--list-params", "--list-programs", "--info",
                       "--set-raw", "17=0.5", "--set-raw", "12=1", "--tail=0", "--block", "1"},
                      options, error))
        << error;
    EXPECT_EQ(options.presetFile, "p.orv");
    EXPECT_EQ(options.output, "x.wav");
    EXPECT_TRUE(options.demo && options.listParams && options.listPrograms && options.info);
    ASSERT_EQ(options.settings.size(), 2u);
    EXPECT_EQ(options.settings[0].index, kDiffusion);
    EXPECT_EQ(options.settings[1].index, 12);
    EXPECT_DOUBLE_EQ(options.tailSeconds, 0.0);
    EXPECT_EQ(options.blockSize, 1);

    ASSERT_TRUE(parse({"--", "-odd name.wav"}, options, error)) << error;
    EXPECT_EQ(options.input, "-odd name.wav");
    ASSERT_TRUE(parse({"-h"}, options, error));
    EXPECT_TRUE(options.help);
}

TEST(RenderOptions, RefusesBadCommandLinesNamingTheProblem)
{
    EXPECT_NE(refusal({"a.wav", "b.wav"}).find("only one input"), std::string::npos);
    EXPECT_NE(refusal({"--reverb"}).find("unknown option '--reverb'"), std::string::npos);
    EXPECT_NE(refusal({"--program"}).find("--program needs a value"), std::string::npos);
    EXPECT_NE(refusal({"--float=yes"}).find("takes no value"), std::string::npos);
    EXPECT_NE(refusal({"--set", "Reverb=3"}).find("unknown parameter 'Reverb'"), std::string::npos);
    EXPECT_NE(refusal({"--set", "Decay=150"}).find("out of range"), std::string::npos);
    EXPECT_NE(refusal({"--set", "Decay"}).find("NAME=VALUE"), std::string::npos);
    EXPECT_NE(refusal({"--set", "Decay="}).find("NAME=VALUE"), std::string::npos);
    EXPECT_NE(refusal({"--set-raw", "16=0.5"}).find("not a parameter index"), std::string::npos);
    EXPECT_NE(refusal({"--set-raw", "3=2"}).find("0..1"), std::string::npos);
    EXPECT_NE(refusal({"--block", "0"}).find("--block"), std::string::npos);
    refusal({"--block", "65537"});
    refusal({"--block", "512x"});
    EXPECT_NE(refusal({"--tail", "-1"}).find("--tail"), std::string::npos);
    refusal({"--tail", "forever"});
    EXPECT_NE(refusal({"--preset", "p.orv", "--program", "3"}).find("--preset"), std::string::npos);
    refusal({"--preset", "p.orv", "--bank", "b.orb"});
    EXPECT_NE(refusal({"--demo", "in.wav"}).find("--demo"), std::string::npos);
}

TEST(RenderOptions, DefaultOutputSitsBesideTheInputInItsContainer)
{
    EXPECT_EQ(defaultOutputPath("takes/drums.flac", false), "takes/drums-corvanta.flac");
    EXPECT_EQ(defaultOutputPath("takes/drums.flac", true), "takes/drums-corvanta.wav");
    EXPECT_EQ(defaultOutputPath("vox.aiff", false), "vox-corvanta.aiff");
    EXPECT_EQ(defaultOutputPath("", false), "corvanta-demo.wav");
}
