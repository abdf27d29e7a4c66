// The value fields' texts, the lenient parser of typed values and the
// conversion of typed values into parameter values; Enter on a field's own
// text in the open editor.
#include "DisplayUnits.h"
#include "EditorFixture.h"
#include "Parameters.h"
#include "ReverbEngine.h"
#include "ValueFields.h"
#include "ValueReading.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace
{
std::string shown(int32_t parameter, float v)
{
    char text[kFieldTextCapacity] = {};
    formatFieldText(parameter, v, text);
    return text;
}

float typed(int32_t parameter, const char* text)
{
    const DisplayRange* range = displayRange(parameter);
    return typedValueToNormalized(parameter, text, range->minimum, range->maximum);
}

// The value a field text shows in the field's unit (Hz for "1.00kHz"), or
// -infinity for "-oo": "1000Hz" and "1.00kHz" show the same value.
double shownValue(const std::string& text)
{
    if (text.starts_with("-oo"))
        return -INFINITY;
    return std::stod(text) * (text.ends_with("kHz") ? 1000.0 : 1.0);
}

double frequencyOf(int32_t parameter, float v)
{
    return (parameter == kLowFreq ? 25.0 : 50.0) * std::pow(400.0, static_cast<double>(v));
}
} // namespace

TEST(ValueFields, TextsOfTheFields)
{
    EXPECT_EQ(shown(kLowFreq, 0.25f), "112Hz");
    EXPECT_EQ(shown(kLowFreq, 0.0f), "25Hz");
    EXPECT_EQ(shown(kHighFreq, 1.0f), "20.0kHz");
    EXPECT_EQ(shown(kOutput, 0.5f), "0.00dB");
    EXPECT_EQ(shown(kOutput, 0.0f), "-oo dB");
    EXPECT_EQ(shown(kOutput, 1.0f), "12.00dB");
    EXPECT_EQ(shown(kLowGain, 0.0f), "-oodB");
    EXPECT_EQ(shown(kHighGain, 0.5f), "0.00dB");
    EXPECT_EQ(shown(kHighGain, 1.0f), "6.00dB");
    EXPECT_EQ(shown(kLowGain, 0.25f), "-6.00dB");
    EXPECT_EQ(shown(kPreDelay, 0.3f), "90ms");
    EXPECT_EQ(shown(kPreDelay, 1.0f), "1000ms");
    EXPECT_EQ(shown(kHighDamp, 1.0f), "100%");
    EXPECT_EQ(shown(kPower, 1.0f), "");
    EXPECT_EQ(shown(kType, 0.5f), "");
    // The gain at which the shelf text gives up on a number.
    EXPECT_EQ(shown(kLowGain, 0.00000004f), "-oodB");
    EXPECT_NE(shown(kLowGain, 0.00000006f), "-oodB");
}

TEST(ValueFields, ParserReadsLeadingNumbersOnly)
{
    const std::pair<const char*, double> cases[] = {
        {"2,5", 2.5},    {"2.5", 2.5},     {"-300", -300.0}, {"1.05", 1.05},    {"1.500", 1.5},
        {"0.007", 0.007}, {"12ms", 12.0},  {"1.50kHz", 1.5}, {"3.", 3.0},       {"-0,25", -0.25},
        {"abc", 0.0},    {"", 0.0},        {"-", 0.0},       {"+5", 0.0},       {" 5", 0.0},
        {"1e3", 1.0},    {"7 8", 7.0},     {"1.2.3", 1.2},   {"000042", 42.0},  {"1.0001", 1.0001},
    };
    for (const auto& [text, value] : cases)
        EXPECT_NEAR(parseValueText(text), value, 1e-12) << '"' << text << '"';
    EXPECT_EQ(parseValueText(nullptr), 0.0);
    // A field holds at most 255 characters; a long run of digits stays finite.
    EXPECT_TRUE(std::isfinite(parseValueText(std::string(255, '9').c_str())));
    EXPECT_TRUE(std::isfinite(parseValueText(("0." + std::string(253, '0') + "1").c_str())));
}

TEST(ValueFields, TypedValuesAreLimitedToTheFieldsRangeAndConverted)
{
    // Gains: every level below -100 dB, the clamped -200 included, is silence.
    EXPECT_EQ(typed(kLowGain, "-300"), 0.0f);
    EXPECT_EQ(typed(kHighGain, "-101"), 0.0f);
    EXPECT_GT(typed(kHighGain, "-100"), 0.0f);
    EXPECT_FLOAT_EQ(typed(kLowGain, "0"), 0.5f);
    EXPECT_FLOAT_EQ(typed(kLowGain, "99"), 1.0f); // clamped to +6 dB
    EXPECT_EQ(typed(kOutput, "-120"), 0.0f);
    EXPECT_FLOAT_EQ(typed(kOutput, "0"), 0.5f);
    EXPECT_FLOAT_EQ(typed(kOutput, "12"), 1.0f);
    // Percentages, comma or point.
    EXPECT_FLOAT_EQ(typed(kMix, "2,5"), 0.025f);
    EXPECT_FLOAT_EQ(typed(kDecay, "150"), 1.0f);
    EXPECT_EQ(typed(kDecay, "letters"), 0.0f);
    // Frequencies: typed in Hz; 1500 reads back as 1.50kHz.
    const float lowFreq = typed(kLowFreq, "1500");
    EXPECT_NEAR(25.0 * std::pow(400.0, static_cast<double>(lowFreq)), 1500.0, 0.01);
    EXPECT_EQ(shown(kLowFreq, lowFreq), "1.50kHz");
    EXPECT_EQ(typed(kHighFreq, "50000"), 1.0f);
    EXPECT_EQ(typed(kLowFreq, "3"), 0.0f); // clamped to 25 Hz
    // Pre-delay in ms, on its square-root scale.
    EXPECT_FLOAT_EQ(typed(kPreDelay, "250"), 0.5f);
    EXPECT_EQ(typed(kPreDelay, "-5"), 0.0f);
}

TEST(ValueFields, EveryTextAFieldShowsReadsBackToTheValueItShows)
{
    // Across each field's range: the text, read as typed, sets a value the
    // field shows the same way (to the display's resolution).
    for (const ValueField& field : kValueFields)
        for (int step = 0; step <= 1000; ++step)
        {
            const float v = static_cast<float>(step) / 1000.0f;
            const std::string text = shown(field.parameter, v);
            const std::string again = shown(field.parameter, typed(field.parameter, text.c_str()));
            if (again != text && shownValue(again) != shownValue(text))
            {
                ADD_FAILURE() << "parameter " << field.parameter << " at " << v << ": " << text << " reads back as "
                              << again;
                break;
            }
        }
}

TEST(ValueFields, TypedUnitsAndWordsMeanWhatTheySay)
{
    EXPECT_NEAR(frequencyOf(kHighFreq, typed(kHighFreq, "5kHz")), 5000.0, 0.01);
    EXPECT_NEAR(frequencyOf(kHighFreq, typed(kHighFreq, "5 khz")), 5000.0, 0.01);
    EXPECT_NEAR(frequencyOf(kLowFreq, typed(kLowFreq, "2,5k")), 2500.0, 0.01);
    EXPECT_NEAR(frequencyOf(kLowFreq, typed(kLowFreq, "800Hz")), 800.0, 0.01);
    for (const char* silence : {"-oo", "-oo dB", "-OOdB", "-inf"})
    {
        EXPECT_EQ(typed(kOutput, silence), 0.0f) << silence;
        EXPECT_EQ(typed(kHighGain, silence), 0.0f) << silence;
    }
    // The host's display forms: one decimal in dB, Wet and Dry for the mix.
    EXPECT_FLOAT_EQ(typed(kOutput, "-12.0dB"), 0.25f);
    EXPECT_FLOAT_EQ(typed(kMix, "Wet"), 1.0f);
    EXPECT_EQ(typed(kMix, "dry"), 0.0f);
    EXPECT_FLOAT_EQ(typed(kPreDelay, "250 ms"), 0.5f);
}

TEST_F(EditorTest, EnterOnAFieldsOwnTextKeepsItsParameter)
{
    openEditor();
    // 0.5 is HighFreq's 1.00kHz of every factory program; 0 the silence of the levels.
    for (const ValueField& field : kValueFields)
        for (float v : {0.0f, 0.25f, 0.5f, 0.77f, 1.0f})
        {
            effect->setParameter(field.parameter, v);
            const std::string before = fieldText(field.tag);
            window->click(editortest::centreOf(control(field.tag)->getViewSize()));
            window->virtualKey(VKEY_RETURN);
            runInput();
            EXPECT_EQ(fieldText(field.tag), before) << "parameter " << field.parameter << " at " << v;
            EXPECT_NEAR(effect->getParameter(field.parameter), v, 0.002) << before;
            EXPECT_EQ(editortest::lastAutomated(field.parameter), effect->getParameter(field.parameter));
        }
}

// What the host shows for a value of every host parameter reads back,
// through the display units' ranges and inverse mappings, to a value shown
// the same way; the editor's field texts round-trip through the same reader.
TEST(ParameterTexts, DisplayToNormalisedToDisplayRoundTrips)
{
    ReverbEngine engine;
    ParameterModel model(engine);
    const auto normalizedOfText = [](int32_t index, const char* text) {
        const ValueReading reading = readValueText(index, text);
        EXPECT_TRUE(reading.complete) << text;
        if (reading.form == ValueReading::Form::word)
            return static_cast<float>(reading.value);
        EXPECT_EQ(reading.form, ValueReading::Form::number) << text;
        const DisplayRange* range = displayRange(index);
        const double t = std::clamp(reading.value, range->minimum, range->maximum);
        return static_cast<float>(normalizedFromDisplay(index, t));
    };
    for (int32_t index = kPower; index <= kOutput; ++index)
    {
        SCOPED_TRACE(parameterInfo(index).name);
        for (int step = 0; step <= 256; ++step)
        {
            const float x = static_cast<float>(step) / 256.0f;
            float stored = 0.0f;
            ASSERT_TRUE(model.apply(index, x, stored));
            char host[kValueTextCapacity] = {};
            model.displayText(index, host);
            ASSERT_TRUE(model.apply(index, normalizedOfText(index, host), stored));
            char hostAgain[kValueTextCapacity] = {};
            model.displayText(index, hostAgain);
            // Mix shows values just inside its ends as "0%" and "100%", which
            // read as the ends themselves, shown as "Dry" and "Wet".
            const bool mixEnd = index == kMix && ((std::string(host) == "0%" && std::string(hostAgain) == "Dry") ||
                                                  (std::string(host) == "100%" && std::string(hostAgain) == "Wet"));
            if (!mixEnd)
            {
                EXPECT_STREQ(hostAgain, host) << "from " << x;
            }

            if (!valueFieldOfParameter(index))
                continue;
            const std::string field = shown(index, x);
            EXPECT_EQ(shown(index, normalizedOfText(index, field.c_str())), field) << "from " << x;
        }
    }
}
