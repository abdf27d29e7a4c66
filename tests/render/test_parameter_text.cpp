// Parameter values in display units: the texts a user copies from the
// parameter display must read back to the same display.
#include "ParameterText.h"

#include "Parameters.h"
#include "ReverbEngine.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace
{
// Applies a normalised value through the parameter model and returns the
// display text a host would show.
struct Model
{
    ReverbEngine engine;
    ParameterModel params{engine};

    std::string display(int32_t index, float x)
    {
        float stored = 0.0f;
        params.apply(index, x, stored);
        char text[kValueTextCapacity] = {};
        params.displayText(index, text);
        return text;
    }
};

// The engine's value of a parameter in the units its display uses.
double shownUnits(Model& model, int32_t index)
{
    model.engine.takeChanges(); // as the next block starts
    const ReverbEngine& e = model.engine;
    const auto decibels = [](float gain) { return 6.0 * std::log2(static_cast<double>(gain)); };
    switch (index)
    {
    case kPreDelay:
        return e.preDelayTime * 1000.0;
    case kLowFreq:
        return e.lowFreqHz;
    case kHighFreq:
        return e.highFreqHz;
    case kLowGain:
        return decibels(e.lowGain);
    case kHighGain:
        return decibels(e.highGain);
    case kOutput:
        return decibels(e.outputGain);
    default:
        return model.params.get(index) * 100.0;
    }
}

float parsed(int32_t index, const std::string& text)
{
    float x = -1.0f;
    std::string error;
    EXPECT_TRUE(parseDisplayValue(index, text, x, error)) << text << ": " << error;
    return x;
}

std::string refusal(int32_t index, const std::string& text)
{
    float x = 0.25f;
    std::string error;
    EXPECT_FALSE(parseDisplayValue(index, text, x, error)) << text;
    EXPECT_FLOAT_EQ(x, 0.25f) << "a refused value must not change the result";
    return error;
}
} // namespace

TEST(ParameterText, FindsParametersByNameInAnyCase)
{
    EXPECT_EQ(findParameter("Decay"), kDecay);
    EXPECT_EQ(findParameter("predely"), kPreDelay);
    EXPECT_EQ(findParameter("HIGHGAIN"), kHighGain);
    EXPECT_EQ(findParameter("Diffusion"), kDiffusion);
    EXPECT_EQ(findParameter("Power"), kPower);
    EXPECT_EQ(findParameter("PreDelay"), -1);
    EXPECT_EQ(findParameter(""), -1);
    EXPECT_EQ(findParameter("Decay "), -1);
}

TEST(ParameterText, ReadsTheExamplesOfTheHelpText)
{
    Model model;
    EXPECT_EQ(model.display(kDecay, parsed(kDecay, "70")), "70%");
    EXPECT_EQ(model.display(kPreDelay, parsed(kPreDelay, "120")), "120ms");
    EXPECT_EQ(model.display(kLowFreq, parsed(kLowFreq, "200")), "200Hz");
    EXPECT_EQ(model.display(kOutput, parsed(kOutput, "-3")), "-3.0dB");
    EXPECT_EQ(model.display(kType, parsed(kType, "Hall")), "Hall");
    EXPECT_FLOAT_EQ(parsed(kType, "Hall"), 0.4544444f);
    EXPECT_EQ(model.display(kHighFreq, parsed(kHighFreq, "4.5kHz")), "4.50kHz");
    EXPECT_EQ(model.display(kMix, parsed(kMix, "Wet")), "Wet");
    EXPECT_EQ(model.display(kMix, parsed(kMix, "dry")), "Dry");
}

TEST(ParameterText, AcceptsUnitsSeparatorsAndWordsOfEachKind)
{
    EXPECT_FLOAT_EQ(parsed(kDecay, "70%"), 0.7f);
    EXPECT_FLOAT_EQ(parsed(kDecay, "70 %"), 0.7f);
    EXPECT_FLOAT_EQ(parsed(kMix, "2,5"), 0.025f);
    EXPECT_FLOAT_EQ(parsed(kPreDelay, "250ms"), 0.5f);
    EXPECT_FLOAT_EQ(parsed(kLowFreq, "500Hz"), 0.5f);
    EXPECT_FLOAT_EQ(parsed(kHighFreq, "1kHz"), 0.5f);
    EXPECT_FLOAT_EQ(parsed(kHighFreq, "20.0KHZ"), 1.0f);
    EXPECT_FLOAT_EQ(parsed(kLowGain, "0dB"), 0.5f);
    EXPECT_FLOAT_EQ(parsed(kLowGain, "+6"), 1.0f);
    EXPECT_FLOAT_EQ(parsed(kOutput, "12dB"), 1.0f);
    EXPECT_FLOAT_EQ(parsed(kOutput, "0"), 0.5f);
    EXPECT_FLOAT_EQ(parsed(kOutput, "-oo"), 0.0f);
    EXPECT_FLOAT_EQ(parsed(kHighGain, "-oodB"), 0.0f);
    EXPECT_FLOAT_EQ(parsed(kOutput, "-101"), 0.0f) << "below -100 dB is silence, as in the editor";
    EXPECT_FLOAT_EQ(parsed(kPower, "off"), 0.0f);
    EXPECT_FLOAT_EQ(parsed(kPower, "1"), 1.0f);
    EXPECT_FLOAT_EQ(parsed(kType, "plate"), typeNormalizedValue(8));
    EXPECT_FLOAT_EQ(parsed(kType, "0"), 0.01f);
    EXPECT_FLOAT_EQ(parsed(kDiffusion, "40"), 0.4f);
}

TEST(ParameterText, EveryDisplayTextReadsBackToTheValueItShows)
{
    // Each parameter over its whole range: the display text of x, read as a
    // typed value, must give the engine the value the text shows (to the
    // precision of single-precision values), or the same word.
    const int32_t indices[] = {kPower,   kType,     kPreDelay, kDecay, kHighDamp, kLowFreq,
                               kLowGain, kHighFreq, kHighGain, kMix,   kOutput,   kDiffusion};
    // One engine each for showing and for reading back: an engine owns
    // megabytes of rings, and the display depends only on the value applied last.
    Model model;
    Model again;
    for (int32_t index : indices)
        for (int step = 0; step <= 400; ++step)
        {
            const float x = static_cast<float>(step) / 400.0f;
            const std::string shown = model.display(index, x);
            float reread = -1.0f;
            std::string error;
            const bool isNumber = (shown[0] >= '0' && shown[0] <= '9') || (shown[0] == '-' && shown[1] != 'o');
            if (isNumber && (index == kLowGain || index == kHighGain || index == kOutput) && std::stod(shown) < -100.0)
                continue; // the editor reads levels below -100 dB as silence
            ASSERT_TRUE(parseDisplayValue(index, shown, reread, error)) << index << " " << shown << ": " << error;
            const std::string redisplayed = again.display(index, reread);
            if (!isNumber)
            {
                EXPECT_EQ(redisplayed, shown) << "parameter " << index << " at " << x;
                continue;
            }
            const double number = std::stod(shown) * (shown.ends_with("kHz") ? 1000.0 : 1.0);
            EXPECT_NEAR(shownUnits(again, index), number, 2e-6 * std::max(1.0, std::fabs(number)))
                << "parameter " << index << " at " << x << " shows " << shown;
        }
}

TEST(ParameterText, RefusesMalformedAndOutOfRangeValuesWithTheReason)
{
    EXPECT_NE(refusal(kDecay, "101").find("out of range (0..100 %)"), std::string::npos);
    EXPECT_NE(refusal(kDecay, "-1").find("out of range"), std::string::npos);
    refusal(kPreDelay, "1001");
    refusal(kLowFreq, "20");
    refusal(kLowFreq, "10.1kHz");
    refusal(kHighFreq, "21kHz");
    refusal(kLowGain, "6.5");
    refusal(kOutput, "13dB");
    refusal(kOutput, "-121");
    refusal(kType, "9");
    refusal(kType, "2.5");
    refusal(kPower, "2");
    EXPECT_NE(refusal(kType, "Hal").find("Ambience, Room"), std::string::npos);
    EXPECT_NE(refusal(kDecay, "70Hz").find("is not a value of Decay"), std::string::npos);
    refusal(kDecay, "abc");
    refusal(kDecay, "");
    refusal(kDecay, "nan");
    refusal(kDecay, "inf");
    refusal(kDecay, "1e2");
    refusal(kDecay, "7 0");
    refusal(kMix, "Wetter");
    refusal(kPreDelay, "120s");
    refusal(kLowFreq, "-oo");
    refusal(kHighDamp, "Wet");
}

TEST(ParameterText, NormalisedValuesMustLieInZeroToOne)
{
    float x = 0.0f;
    std::string error;
    EXPECT_TRUE(parseNormalizedValue("0.7", x, error));
    EXPECT_FLOAT_EQ(x, 0.7f);
    EXPECT_TRUE(parseNormalizedValue("1", x, error));
    EXPECT_FALSE(parseNormalizedValue("1.01", x, error));
    EXPECT_FALSE(parseNormalizedValue("-0.1", x, error));
    EXPECT_FALSE(parseNormalizedValue("nan", x, error));
    EXPECT_NE(error.find("0..1"), std::string::npos);
}
