// Number texts shown by the host and the editor's value fields.
#include "ValueText.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string fixed(double x, int decimals)
{
    char text[kValueTextCapacity] = {};
    formatFixed(x, decimals, text);
    return text;
}

std::string frequency(float hz)
{
    char text[kValueTextCapacity] = {};
    formatFrequency(hz, text);
    return text;
}

std::string decibels(float gain)
{
    char text[kValueTextCapacity] = {};
    formatDecibels(gain, text);
    return text;
}
} // namespace

TEST(FormatFixed, RoundsHalfAwayFromZeroAndCutsTheRest)
{
    EXPECT_EQ(fixed(25.0, 0), "25");
    EXPECT_EQ(fixed(-6.0206, 2), "-6.02");
    EXPECT_EQ(fixed(0.125, 2), "0.13");
    EXPECT_EQ(fixed(0.124, 2), "0.12");
    EXPECT_EQ(fixed(-0.125, 2), "-0.13");
    EXPECT_EQ(fixed(2.5, 0), "3");
    EXPECT_EQ(fixed(2.4, 0), "2");
    EXPECT_EQ(fixed(0.7f, 1), "0.7");
    EXPECT_EQ(fixed(85.0, 0), "85");
    EXPECT_EQ(fixed(99.999, 2), "100.00");
    EXPECT_EQ(fixed(0.0, 3), "0.000");
    EXPECT_EQ(fixed(123456.0, 0), "123456");
}

TEST(FormatFixed, DecimalsAreTheOnesOfTheNumberNotOfItsBinaryExpansion)
{
    // Each of these lies just below or above its decimal in binary; the text
    // shows the decimal, not a unit less.
    EXPECT_EQ(fixed(1.76, 2), "1.76");
    EXPECT_EQ(fixed(0.29, 2), "0.29");
    EXPECT_EQ(fixed(7.01, 2), "7.01");
    EXPECT_EQ(fixed(0.3, 2), "0.30");
    EXPECT_EQ(fixed(4.35, 2), "4.35");
    EXPECT_EQ(frequency(1760.0f), "1.76kHz");
    EXPECT_EQ(frequency(7010.0f), "7.01kHz");
}

TEST(FormatFixed, NoMinusSignOnZero)
{
    EXPECT_EQ(fixed(-0.04, 1), "0.0");
    EXPECT_EQ(fixed(-0.0, 0), "0");
    EXPECT_EQ(decibels(0.999f), "0.0dB");
    EXPECT_EQ(fixed(-0.06, 1), "-0.1");
}

TEST(FormatFixed, DecimalsShareTheEightCharacterField)
{
    EXPECT_EQ(fixed(123456.789, 3), "123456.7");
    EXPECT_EQ(fixed(-12345.678, 3), "-12345.6");
    EXPECT_EQ(fixed(1234567.0, 2), "1234567.");
}

TEST(FormatFixed, KeepsTheBufferForNumbersTooLarge)
{
    char text[kValueTextCapacity] = "kept";
    formatFixed(1e9, 0, text);
    EXPECT_STREQ(text, "kept");
    formatFixed(-1e8, 0, text);
    EXPECT_STREQ(text, "kept");
    formatFixed(99999999.0, 0, text); // eight digits and the point exceed the field
    EXPECT_STREQ(text, "kept");
}

TEST(FormatFrequency, DecimalsFollowTheRange)
{
    EXPECT_EQ(frequency(25.0f), "25Hz");
    EXPECT_EQ(frequency(111.8034f), "112Hz");
    EXPECT_EQ(frequency(500.0f), "500Hz");
    EXPECT_EQ(frequency(1000.0f), "1.00kHz");
    EXPECT_EQ(frequency(1500.0f), "1.50kHz");
    EXPECT_EQ(frequency(10000.0f), "10.0kHz");
    EXPECT_EQ(frequency(20000.0f), "20.0kHz");
    EXPECT_EQ(frequency(5.25f), "5.3Hz");
    EXPECT_EQ(frequency(0.5f), "0.50Hz");
    EXPECT_EQ(frequency(0.1f), "0.100Hz");
}

TEST(FormatDecibels, SixDecibelsPerDoubling)
{
    EXPECT_EQ(decibels(1.0f), "0.0dB");
    EXPECT_EQ(decibels(2.0f), "6.0dB");
    EXPECT_EQ(decibels(4.0f), "12.0dB");
    EXPECT_EQ(decibels(0.25f), "-12.0dB");
    EXPECT_EQ(decibels(0.5f), "-6.0dB");
    EXPECT_EQ(decibels(0.7071f), "-3.0dB");
    EXPECT_EQ(decibels(0.0f), "-oodB");
    EXPECT_EQ(decibels(-1.0f), "-oodB");
}

TEST(TypeName, NineAlgorithmsAndNothingElse)
{
    const char* names[] = {"Ambience", "Room", "Chamber", "Club", "Hall", "Arena", "Cathedral", "Spring", "Plate"};
    for (int i = 0; i < 9; ++i)
        EXPECT_STREQ(typeName(i), names[i]);
    EXPECT_STREQ(typeName(9), "-no-alg-");
    EXPECT_STREQ(typeName(-1), "-no-alg-");
}
