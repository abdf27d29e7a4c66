// Checks that several algorithm tests share: golden renders at the three
// host rates, and the stated numbers of a comb-allpass network (Chamber,
// Club) after its prepare, and its reference kernel.
#pragma once

#include "GoldenRender.h"
#include "KernelRig.h"
#include "ReferenceKernel.h"

#include <gtest/gtest.h>

// Renders the golden input through `type` at 44100, 96000 and 192000 Hz and
// compares the hashes, in that order.
inline void expectGoldenRenders(AlgorithmType type, const char* const (&hashes)[3])
{
    if (!goldenHashesApply())
        GTEST_SKIP() << "golden hashes were taken with glibc's maths library";
    const float rates[3] = {44100.0f, 96000.0f, 192000.0f};
    for (int32_t i = 0; i < 3; ++i)
    {
        GoldenRenderSettings settings;
        settings.type = type;
        settings.hostRate = rates[i];
        EXPECT_EQ(hashSamples(renderGolden(settings)), hashes[i]) << rates[i];
    }
}

struct CombNetworkNumbers
{
    float loopGain[3];      // at Decay 0, 0.5 and 1
    float feedbackSign;     // -1: negative feedback
    float apGain;           // at Diffusion 1
    const float* earlyGain; // g0..g11
    int32_t comb[24];       // delays in samples behind ringPos
    int32_t allpass[24];
    int32_t early[24];      // behind inputPos, by tap index
    int32_t diffuser44100[2][3];
    int32_t diffuser48000[2][3];
};

// `Algorithm` is Chamber or Club; `member` picks it out of the engine.
template <typename Algorithm>
void expectCombNetworkNumbers(Algorithm ReverbEngine::*member, const CombNetworkNumbers& expected)
{
    {
        KernelRig rig;
        Algorithm& algorithm = rig.engine.*member;
        const float decays[3] = {0.0f, 0.5f, 1.0f};
        for (int32_t i = 0; i < 3; ++i)
        {
            rig.engine.decay = decays[i];
            rig.prepare(algorithm);
            EXPECT_NEAR(algorithm.loopGain, expected.loopGain[i], 5e-7f) << decays[i];
            EXPECT_EQ(algorithm.network.loopFeedback, expected.feedbackSign * algorithm.loopGain);
        }

        rig.engine.diffusion = 1.0f;
        rig.engine.highDamp = 0.0f;
        rig.prepare(algorithm);
        EXPECT_NEAR(algorithm.network.apGain, expected.apGain, 1e-7f);
        EXPECT_EQ(algorithm.network.dampCoef, 1.0f);
        for (int32_t k = 0; k < 12; ++k)
            EXPECT_NEAR(algorithm.network.earlyGain[k], expected.earlyGain[k], 1e-6f) << k;

        rig.engine.diffusion = 0.0f;
        rig.engine.highDamp = 1.0f;
        rig.prepare(algorithm);
        EXPECT_EQ(algorithm.network.apGain, 0.0f);
        EXPECT_NEAR(algorithm.network.dampCoef, 0.2f, 1e-7f);
    }

    // Loop and early lengths are samples at the reference rate, the output
    // allpasses follow the internal rate (96000 and 192000 Hz run at 48000).
    for (float hostRate : {44100.0f, 48000.0f, 96000.0f, 192000.0f})
    {
        KernelRig rig(hostRate);
        // Positions away from zero, so the masks are exercised.
        rig.engine.ringPos = 16000;
        rig.engine.inputPos = 16000 + 3 * 16384;
        Algorithm& algorithm = rig.engine.*member;
        rig.prepare(algorithm);
        const CombAllpassNetwork& net = algorithm.network;
        const int32_t ringPos = rig.engine.ringPos;
        for (int32_t k = 0; k < 24; ++k)
        {
            EXPECT_EQ((ringPos - net.units[k].combTap) & kShortRingMask, expected.comb[k]) << hostRate << " " << k;
            EXPECT_EQ((ringPos - net.units[k].allpassTap) & kShortRingMask, expected.allpass[k])
                << hostRate << " " << k;
            EXPECT_EQ(net.early.taps.distance(k, rig.engine.inputPos), expected.early[k]) << hostRate << " " << k;
        }
        const auto& diffuser = hostRate == 44100.0f ? expected.diffuser44100 : expected.diffuser48000;
        for (int32_t channel = 0; channel < 2; ++channel)
            for (int32_t stage = 0; stage < 3; ++stage)
                EXPECT_EQ(net.diffusers[channel].taps.distance(stage, ringPos), diffuser[channel][stage])
                    << hostRate << " channel " << channel << " stage " << stage;
    }
}

// How a comb-allpass network is wired and scaled, as its tables say.
struct CombNetworkWiring
{
    uint8_t input[24];       // tone channel feeding unit k: 0 left, 1 right
    int32_t writeBehind[24]; // where unit k writes its comb ring: this many samples behind the write position
    uint8_t summed[2][12];   // units summed into the left and the right output, in order
    uint8_t earlySource[24]; // tone channel read by early tap k
    bool negativeFeedback;
    double outputScale;
    float (*loopGain)(float decay);
    float (*apGain)(float diffusion);
    float (*earlyGain)(double level); // of the levels 1, 0.7071, ..., 0.02209
};

// The Chamber or Club network as described, on its stated distances.
class CombNetworkReference
{
public:
    CombNetworkReference(const CombNetworkNumbers& numbers, const CombNetworkWiring& wiring)
        : numbers(numbers), wiring(wiring)
    {
    }

    void prepare(const ReferenceSettings& s, double rate)
    {
        static const double kLevels[12] = {1,     0.7071, 0.5,    0.3536,  0.25,    0.1768,
                                           0.125, 0.0884, 0.0625, 0.04419, 0.03125, 0.02209};
        input.prepare(s, rate);
        loopGain = wiring.loopGain(s.decay);
        apGain = wiring.apGain(s.diffusion);
        damp = referenceDamping(s.highDamp);
        for (int k = 0; k < 12; ++k)
            early[k] = wiring.earlyGain(kLevels[k]);
        diffuser = rate == 44100.0 ? &numbers.diffuser44100 : &numbers.diffuser48000;
    }

    void sample(float inL, float inR, float& outL, float& outR)
    {
        float t[2];
        input.next(inL, inR, t[0], t[1]);
        tone[0].put(n, t[0]);
        tone[1].put(n, t[1]);
        for (int k = 0; k < 24; ++k)
        {
            const float a = allpass[k].at(n, numbers.allpass[k]);
            const float v = apGain * a - comb[k].at(n, numbers.comb[k]);
            allpass[k].put(n, v);
            const float y = a - apGain * v;
            d[k] = (y - d[k]) * damp + input.noise + d[k];
            const float e = t[wiring.input[k]];
            comb[k].put(n - wiring.writeBehind[k], wiring.negativeFeedback ? e - loopGain * d[k] : e + loopGain * d[k]);
        }
        float* out[2] = {&outL, &outR};
        for (int ch = 0; ch < 2; ++ch)
        {
            float sum = d[wiring.summed[ch][0]];
            for (int j = 1; j < 12; ++j)
                sum = sum + d[wiring.summed[ch][j]];
            ReferenceRing* p = diffuserRing[ch];
            const int32_t* delay = (*diffuser)[ch];
            const float q1 = sum - apGain * p[0].at(n, delay[0]);
            const float y1 = p[0].at(n, delay[0]) + apGain * q1;
            p[0].put(n, q1);
            const float q2 = y1 + apGain * p[1].at(n, delay[1]);
            const float y2 = p[1].at(n, delay[1]) - apGain * q2;
            p[1].put(n, q2);
            float earlySum = 0.0f;
            for (int j = 0; j < 12; ++j)
            {
                const int tap = ch * 12 + j;
                const float term = early[j] * tone[wiring.earlySource[tap]].at(n, numbers.early[tap]);
                earlySum = j == 0 ? term : (j & 1) ? earlySum - term : earlySum + term;
            }
            const float q3 = y2 + earlySum - apGain * p[2].at(n, delay[2]);
            const float y3 = p[2].at(n, delay[2]) + apGain * q3;
            p[2].put(n, q3);
            *out[ch] = static_cast<float>(y3 * wiring.outputScale);
        }
        ++n;
    }

private:
    const CombNetworkNumbers& numbers;
    const CombNetworkWiring& wiring;
    const int32_t (*diffuser)[2][3] = nullptr;
    ReferenceInput input;
    ReferenceRing tone[2] = {ReferenceRing(kLongRingSize), ReferenceRing(kLongRingSize)};
    ReferenceRing comb[24];
    ReferenceRing allpass[24];
    ReferenceRing diffuserRing[2][3];
    float d[24] = {};
    float early[12] = {};
    float loopGain = 0.0f;
    float apGain = 0.0f;
    float damp = 0.0f;
    int64_t n = 0;
};
