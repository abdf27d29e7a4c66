// Reference kernels: each algorithm written a second time, plainly, straight
// from its network description (its own gains, its own rings addressed by an
// absolute sample count, delays taken from the stated tables), and run
// beside the engine's kernel on the same input. The outputs must agree bit
// for bit, before and after a parameter change that prepares again on rings
// that already hold sound.
//
// The common input path (noise, pre-delay with no delay, tone stage) and the
// Biquad are the engine's elements, tested on their own; everything an
// algorithm adds is written out here.
#pragma once

#include "KernelRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// The parameter values a prepare reads.
struct ReferenceSettings
{
    float decay;
    float highDamp;
    float diffusion;
    float lowFreqHz;
    float lowGain;
    float highFreqHz;
    float highGain;
};

// A ring addressed by the absolute sample count: written at n, read `delay`
// samples back.
class ReferenceRing
{
public:
    explicit ReferenceRing(int32_t size = kShortRingSize) : samples(static_cast<size_t>(size), 0.0f), mask(size - 1) {}

    float at(int64_t n, int32_t delay) const { return samples[static_cast<size_t>((n - delay) & mask)]; }
    void put(int64_t n, float x) { samples[static_cast<size_t>(n & mask)] = x; }

private:
    std::vector<float> samples;
    int64_t mask;
};

// What every kernel does first, with no pre-delay: noise, the pre-delay
// write and read, and the tone stage of each channel.
class ReferenceInput
{
public:
    void prepare(const ReferenceSettings& s, double rate)
    {
        lpCoef = static_cast<float>(std::pow(0.005, s.highFreqHz / rate));
        hpCoef = static_cast<float>(std::pow(0.005, s.lowFreqHz / rate));
        highGain = s.highGain;
        lowGain = s.lowGain;
    }

    // Steps the noise and returns the tone-shaped pair.
    void next(float inL, float inR, float& tL, float& tR)
    {
        noise = source.next();
        const float xL = (noise + inL) + noise;
        const float xR = (noise + inR) + noise;
        tL = toneL.process(xL, lpCoef, highGain, hpCoef, lowGain, noise);
        tR = toneR.process(xR, lpCoef, highGain, hpCoef, lowGain, noise);
    }

    float noise = 0.0f;

private:
    NoiseSource source;
    ToneStage toneL;
    ToneStage toneR;
    float lpCoef = 0.0f;
    float hpCoef = 0.0f;
    float highGain = 1.0f;
    float lowGain = 1.0f;
};

// (1 - highDamp) * 0.8 + 0.2 in double, stored as float.
inline float referenceDamping(float highDamp)
{
    return static_cast<float>((1.0 - static_cast<double>(highDamp)) * 0.8 + 0.2);
}

// (1.0198^sqrt(decay) / 1.0205)^exponent in double, stored as float: the
// loop gain of the Hall, Arena and Cathedral.
inline float referenceLadderGain(float decay, double exponent)
{
    return static_cast<float>(std::pow(std::pow(1.0198, std::sqrt(static_cast<double>(decay))) / 1.0205, exponent));
}

// Four lattice allpasses in series with gains +g, -g, +g, -g (Room, Hall,
// Arena, Cathedral): y = P[p] - k x, then P[n] = x + k y.
inline float referenceLattice(ReferenceRing (&rings)[4], const int32_t (&delays)[4], int64_t n, float g, float x)
{
    for (int stage = 0; stage < 4; ++stage)
    {
        const float k = (stage & 1) ? -g : g;
        const float y = rings[stage].at(n, delays[stage]) - k * x;
        rings[stage].put(n, x + k * y);
        x = y;
    }
    return x;
}

// The tap jitter generator's spread (2r / 32767 - 1) for the next draw.
inline double referenceSpread(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return 2.0 * static_cast<double>((state >> 16) & 0x7FFFu) / 32767.0 - 1.0;
}

// Deterministic input: noise at half scale with a click on each side.
inline void referenceInput(size_t length, std::vector<float>& left, std::vector<float>& right)
{
    left.assign(length, 0.0f);
    right.assign(length, 0.0f);
    uint32_t state = 12345u;
    for (size_t i = 0; i < length; ++i)
    {
        state = state * 1664525u + 1013904223u;
        left[i] = static_cast<float>(state >> 8) * (1.0f / 16777216.0f) - 0.5f;
        state = state * 1664525u + 1013904223u;
        right[i] = static_cast<float>(state >> 8) * (1.0f / 16777216.0f) - 0.5f;
    }
    left[0] = 1.0f;
    right[97] = -1.0f;
}

// Index of the first sample where the two differ, or -1.
inline int64_t firstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]))
            return static_cast<int64_t>(i);
    return -1;
}

// Runs `Reference` (prepare(settings, rate) and sample(inL, inR, outL, outR))
// and the engine's algorithm on the same input at the host rate: 10000
// samples with the first settings, then 10000 with the second, in blocks of
// 480 with a prepare before each.
template <typename Algorithm, typename Reference>
void expectMatchesReference(Algorithm ReverbEngine::*member, float hostRate, const ReferenceSettings (&settings)[2])
{
    SCOPED_TRACE(hostRate);
    KernelRig rig(hostRate);
    Algorithm& algorithm = rig.engine.*member;
    Reference reference;
    constexpr size_t kHalf = 10000;
    std::vector<float> inL, inR;
    referenceInput(2 * kHalf, inL, inR);
    WetPair expected{std::vector<float>(2 * kHalf), std::vector<float>(2 * kHalf)};
    WetPair actual{std::vector<float>(2 * kHalf), std::vector<float>(2 * kHalf)};

    for (size_t half = 0; half < 2; ++half)
    {
        const ReferenceSettings& s = settings[half];
        ReverbEngine& engine = rig.engine;
        engine.decay = s.decay;
        engine.highDamp = s.highDamp;
        engine.diffusion = s.diffusion;
        engine.lowFreqHz = s.lowFreqHz;
        engine.lowGain = s.lowGain;
        engine.highFreqHz = s.highFreqHz;
        engine.highGain = s.highGain;
        engine.needsPrepare = 1;
        const size_t from = half * kHalf;
        const std::vector<float> partL(inL.begin() + static_cast<long>(from), inL.begin() + static_cast<long>(from + kHalf));
        const std::vector<float> partR(inR.begin() + static_cast<long>(from), inR.begin() + static_cast<long>(from + kHalf));
        const WetPair wet = rig.run(algorithm, partL, partR, 480);
        std::copy(wet.left.begin(), wet.left.end(), actual.left.begin() + static_cast<long>(from));
        std::copy(wet.right.begin(), wet.right.end(), actual.right.begin() + static_cast<long>(from));

        reference.prepare(s, engine.internalRate);
        for (size_t i = from; i < from + kHalf; ++i)
            reference.sample(inL[i], inR[i], expected.left[i], expected.right[i]);
    }

    for (int32_t channel = 0; channel < 2; ++channel)
    {
        const std::vector<float>& want = channel == 0 ? expected.left : expected.right;
        const std::vector<float>& got = channel == 0 ? actual.left : actual.right;
        const int64_t at = firstDifference(want, got);
        EXPECT_EQ(at, -1) << (channel == 0 ? "left" : "right") << " differs first at sample " << at << ": "
                          << (at >= 0 ? want[static_cast<size_t>(at)] : 0.0f) << " wanted, "
                          << (at >= 0 ? got[static_cast<size_t>(at)] : 0.0f) << " made";
    }
    // The check must see sound, not the denormal guard alone.
    EXPECT_GT(std::fabs(expected.left[kHalf / 2]) + std::fabs(expected.right[kHalf / 2]) +
                  std::fabs(expected.left[kHalf + kHalf / 2]),
              kAudible);
}

// Two settings that move every prepared value and both tone shelves.
constexpr ReferenceSettings kReferenceSettings[2] = {
    {0.7f, 0.35f, 0.8f, 250.0f, 1.4f, 3000.0f, 0.6f},
    {1.0f, 1.0f, 0.3f, 800.0f, 0.5f, 6000.0f, 1.7f},
};
