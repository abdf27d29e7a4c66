// Ambience, Room, Hall and Plate: golden renders through the loaded plug-in
// at the three decimation factors, a switch back to a type that ran before
// starting it from cleared memory, and how Decay and HighDamp shape the late
// impulse response. Power off, sleep and stability at Decay 1 are checked
// for every type in test_tails.cpp.
#include "AlgorithmProbe.h"
#include "GoldenRender.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace
{
constexpr VstInt32 kTypes[] = {kAmbience, kRoom, kHall, kPlate};

float typeValue(VstInt32 type)
{
    return (static_cast<float>(type) + 0.5f) / 9.0f;
}

// Deterministic white noise.
class WhiteNoise
{
public:
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
    }

    void fill(std::vector<float>& samples, float gain = 1.0f)
    {
        for (float& s : samples)
            s = gain * next();
    }

private:
    uint32_t state = 22222u;
};

// A loaded instance started at a rate, with a type chosen and its fade run
// out on silence.
struct Instance
{
    PluginModule module;
    TestHost host;
    VstInt32 block;

    Instance(VstInt32 type, float rate) : block(512)
    {
        EXPECT_NE(host.load(module), nullptr);
        host.start(rate, block);
        selectType(type);
    }

    void selectType(VstInt32 type)
    {
        host.setParameter(1, typeValue(type));
        record(20000 + block);
    }

    // Processes whole blocks covering `samples`, of silence or of noise at
    // `gain`; returns the output, left and right interleaved.
    std::vector<float> record(int32_t samples, WhiteNoise* noise = nullptr, float gain = 1.0f)
    {
        std::vector<float> inL, inR, outL, outR, output;
        for (int32_t done = 0; done < samples; done += block)
        {
            inL.assign(static_cast<size_t>(block), 0.0f);
            inR.assign(static_cast<size_t>(block), 0.0f);
            if (noise)
            {
                noise->fill(inL, gain);
                noise->fill(inR, gain);
            }
            host.process(inL, inR, outL, outR);
            for (size_t i = 0; i < outL.size(); ++i)
            {
                output.push_back(outL[i]);
                output.push_back(outR[i]);
            }
        }
        return output;
    }
};

float peak(const std::vector<float>& samples, size_t begin, size_t end)
{
    float p = 0.0f;
    for (size_t i = begin; i < end && i < samples.size(); ++i)
        p = std::max(p, std::fabs(samples[i]));
    return p;
}

double rms(const std::vector<float>& samples, size_t begin, size_t end)
{
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}

class ReverbType : public ::testing::TestWithParam<VstInt32>
{
};

std::string typeName(const ::testing::TestParamInfo<VstInt32>& info)
{
    const char* names[] = {"Ambience", "Room", "Chamber", "Club", "Hall", "Arena", "Cathedral", "Spring", "Plate"};
    return names[info.param];
}
} // namespace

INSTANTIATE_TEST_SUITE_P(FourTypes, ReverbType, ::testing::ValuesIn(kTypes), typeName);

TEST_P(ReverbType, GoldenRenders)
{
    struct Golden
    {
        VstInt32 type;
        float rate;
        const char* hash;
    };
    // Decimation 0, 1 and 3.
    const Golden goldens[] = {
        {kAmbience, 44100.0f, "2f9c92dbbf08e951"}, {kAmbience, 96000.0f, "fe4ad0a12b8bbe36"},
        {kAmbience, 192000.0f, "9b7854f1dae9a6a8"}, {kRoom, 44100.0f, "94c2ca7887723cd6"},
        {kRoom, 96000.0f, "cf90ccb4163818ba"},      {kRoom, 192000.0f, "2c6d45a6b6db9569"},
        {kHall, 44100.0f, "8ce409eb01e6e0a2"},      {kHall, 96000.0f, "fc6b15083818ce6a"},
        {kHall, 192000.0f, "f8aae3a0deaf5135"},     {kPlate, 44100.0f, "4f6fa850a58880a5"},
        {kPlate, 96000.0f, "c5635752ee3e4165"},     {kPlate, 192000.0f, "ada8d51b9998f16a"},
    };
    for (const Golden& golden : goldens)
    {
        if (golden.type != GetParam())
            continue;
        GoldenRenderSettings settings;
        settings.type = golden.type;
        settings.hostRate = golden.rate;
        // Away from the defaults, so that every gain and coefficient counts;
        // 1 - Decay and 1 - HighDamp are not whole floats at these values.
        settings.parameters = {{2, 0.1f}, {3, 0.35f}, {4, 0.15f}, {5, 0.4f}, {6, 0.6f},
                               {7, 0.6f}, {8, 0.4f}, {9, 0.6f}, {17, 0.8f}};
        const std::vector<float> output = renderGolden(settings);
        ASSERT_FALSE(output.empty());
        EXPECT_GT(peak(output, 0, output.size()), 0.01f);
        EXPECT_EQ(hashSamples(output), golden.hash) << "host rate " << golden.rate;
    }
}

TEST_P(ReverbType, SwitchingFadesAndStartsFromClearedMemory)
{
    // The previous type in the cycle, so that each of the four follows another.
    const VstInt32 type = GetParam();
    const VstInt32 other = kTypes[(std::find(std::begin(kTypes), std::end(kTypes), type) - std::begin(kTypes) + 3) % 4];

    // One instance runs this type, then the other, each on noise, and then
    // comes back to this type.
    Instance used(type, 44100.0f);
    WhiteNoise noise;
    used.record(22050, &noise, 0.5f);
    used.host.setParameter(1, typeValue(other));
    used.record(44100, &noise, 0.5f);
    const std::vector<float> before = used.record(4096, &noise, 0.5f);
    used.host.setParameter(1, typeValue(type));
    // The fade, on silence: the old type fades out over 5000 samples, the
    // engine is muted until 10000 + n, then the new type fades in.
    const std::vector<float> fade = used.record(20000 + used.block);

    Instance fresh(type, 44100.0f);

    // The same probe through both: a stereo burst and its tail.
    WhiteNoise burstA, burstB;
    std::vector<float> afterSwitch = used.record(2048, &burstA, 0.5f);
    std::vector<float> reference = fresh.record(2048, &burstB, 0.5f);
    const std::vector<float> tailA = used.record(44100);
    const std::vector<float> tailB = fresh.record(44100);
    afterSwitch.insert(afterSwitch.end(), tailA.begin(), tailA.end());
    reference.insert(reference.end(), tailB.begin(), tailB.end());

    const double loud = rms(before, 0, before.size());
    EXPECT_GT(loud, 0.01);
    // Only the DC blocker's own decay remains while the engine is muted.
    EXPECT_LT(rms(fade, 2 * 6000, 2 * 10000), loud * 1e-2) << "muted in the middle of the fade";
    float difference = 0.0f;
    for (size_t i = 0; i < reference.size(); ++i)
        difference = std::max(difference, std::fabs(afterSwitch[i] - reference[i]));
    EXPECT_LT(difference, 1e-5f) << "the type starts from cleared memory";
}

TEST_P(ReverbType, DecayLengthensAndHighDampDarkensTheTail)
{
    // Energy of the impulse response late in its course: after the last
    // group of the Ambience, after many loop round trips of the others.
    const auto type = static_cast<AlgorithmType>(GetParam());
    const bool ambience = type == kAmbience;
    const size_t begin = ambience ? 5000 : 20000;
    const size_t end = ambience ? 10000 : 40000;
    const auto lateEnergy = [&](float decay, float highDamp) {
        ProbeSettings settings;
        settings.decay = decay;
        settings.highDamp = highDamp;
        const WetPair response = impulseResponse(type, settings, true, true, static_cast<int32_t>(end));
        return rms(response.left, begin, end) + rms(response.right, begin, end);
    };
    const double shortTail = lateEnergy(0.0f, 0.1f);
    const double longTail = lateEnergy(1.0f, 0.1f);
    const double bright = lateEnergy(1.0f, 0.0f);
    const double dark = lateEnergy(1.0f, 1.0f);
    EXPECT_GT(longTail, shortTail * 3.0);
    EXPECT_GT(bright, dark * 1.5);
    EXPECT_GT(dark, 0.0);
}
