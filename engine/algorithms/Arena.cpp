#include "Arena.h"

#include "ReverbEngine.h"

#include <cmath>

namespace
{
constexpr int32_t kPerChannel = Arena::kRingsPerChannel;

enum Source : uint8_t
{
    kLeftInput,
    kRightInput,
};

// Per ring k (shared by left ring k and right ring k): early-tap base b_k (in
// units of 44100 * sizeFactor * 0.5 samples), its jitter weight w_k, and the
// feedback pitch factor f_k = 2^(k/24) (in units of 44100 * sizeFactor *
// 0.125 samples).
struct ArenaRing
{
    double earlyBase;
    double earlyJitterWeight;
    double pitch;
};

constexpr ArenaRing kRingTable[kPerChannel] = {
    {0.05, 0.0, 1.0},
    {0.1, 0.1, 1.029302236643492},
    {0.2, 0.2, 1.0594630943592953},
    {0.3, 0.4, 1.0905077326652577},
    {0.4, 0.8, 1.122462048309373},
    {0.5, 1.0, 1.155352696872273},
    {0.6, 1.0, 1.189207115002721},
    {0.7, 1.0, 1.2240535433046553},
    {0.8, 1.0, 1.2599210498948732},
    {0.9, 1.0, 1.2968395546510096},
    {1.0, 1.0, 1.3348398541700344},
    {1.1, 1.0, 1.3739536474580891},
    {1.2, 1.0, 1.4142135623730951},
    {1.3, 1.0, 1.4556531828421873},
    {1.4, 1.0, 1.4983070768766815},
    {1.5, 1.0, 1.5422108254079407},
    {1.6, 1.0, 1.5874010519681996},
    {1.7, 1.0, 1.6339154532410998},
    {1.8, 1.0, 1.681792830507429},
    {1.9, 1.0, 1.7310731220122861},
    {2.0, 1.0, 1.7817974362806785},
    {2.1, 1.0, 1.8340080864093424},
    {2.2, 1.0, 1.887748625363387},
    {2.3, 1.0, 1.9430638823072117},
};

// The tone-ring channel each ring's early tap reads: the left bank repeats
// left, left, right; the right bank mirrors it.
constexpr Source kRingSource[Arena::kRings] = {
    kLeftInput,  kLeftInput,  kRightInput, kLeftInput,  kLeftInput,  kRightInput, kLeftInput,  kLeftInput,
    kRightInput, kLeftInput,  kLeftInput,  kRightInput, kLeftInput,  kLeftInput,  kRightInput, kLeftInput,
    kLeftInput,  kRightInput, kLeftInput,  kLeftInput,  kRightInput, kLeftInput,  kLeftInput,  kRightInput,
    kRightInput, kRightInput, kLeftInput,  kRightInput, kRightInput, kLeftInput,  kRightInput, kRightInput,
    kLeftInput,  kRightInput, kRightInput, kLeftInput,  kRightInput, kRightInput, kLeftInput,  kRightInput,
    kRightInput, kLeftInput,  kRightInput, kRightInput, kLeftInput,  kRightInput, kRightInput, kLeftInput,
};

// Output allpass lengths in samples, stages in signal order, left then right.
constexpr double kDiffuserLengths[2][Arena::kDiffuserStages] = {
    {158.55272451400756, 210.414322719574, 410.460735797882, 561.6134805679321},
    {176.192723903656, 183.9543236351013, 419.2807354927063, 539.5634813308716},
};

constexpr double kEarlyJitter = 0.04351;      // relative spread of an early tap, times w_k
constexpr double kFeedbackJitter = 0.00025351; // spread of a feedback pitch factor
constexpr double kReferenceRate = 44100.0;     // lengths are fixed at this rate's samples
constexpr double kOutputScale = 0.084;

double jitterSpread(TapJitter& jitter)
{
    return 2.0 * static_cast<double>(jitter.next()) / 32767.0 - 1.0;
}

// Four lattice allpasses with gains +g, -g, +g, -g on rings P[0..3].
float diffuse(float* const* rings, const int32_t* taps, int32_t writePos, float g, float x)
{
    const float y1 = latticeAllpass(rings[0], taps[0], writePos, g, x);
    const float y2 = latticeAllpass(rings[1], taps[1], writePos, -g, y1);
    const float y3 = latticeAllpass(rings[2], taps[2], writePos, g, y2);
    return latticeAllpass(rings[3], taps[3], writePos, -g, y3);
}
} // namespace

void Arena::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    sizeFactor = static_cast<float>(std::pow(16.0, 0.435) * 0.125 * 0.5);
    const double size = sizeFactor;
    loopGain = static_cast<float>(
        std::pow(std::pow(1.0198, std::sqrt(static_cast<double>(engine.decay))) / 1.0205, size * 128.0));
    apGain = static_cast<float>(static_cast<double>(engine.diffusion) * 0.88 * 0.72);
    dampCoef = static_cast<float>((1.0 - static_cast<double>(engine.highDamp)) * 0.8 + 0.2);

    for (int32_t channel = 0; channel < 2; ++channel)
        for (int32_t stage = 0; stage < kDiffuserStages; ++stage)
            diffuserTaps[channel][stage] = placeTap(engine.ringPos, kDiffuserLengths[channel][stage]);

    TapJitter jitter;
    jitter.seed();
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        const ArenaRing& row = kRingTable[ring % kPerChannel];
        const double length =
            (jitterSpread(jitter) * kEarlyJitter * row.earlyJitterWeight + row.earlyBase) * kReferenceRate * size * 0.5;
        earlyTaps[ring] = placeLongTap(engine.inputPos, length);
    }
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        const ArenaRing& row = kRingTable[ring % kPerChannel];
        const double length = (jitterSpread(jitter) * kFeedbackJitter + row.pitch) * kReferenceRate * size * 0.125;
        feedbackTaps[ring] = placeTap(engine.ringPos, length);
    }
}

void Arena::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    float* loops[kRings];
    for (int32_t ring = 0; ring < kRings; ++ring)
        loops[ring] = engine.pool.shortRing(kFirstLoopRing + ring);
    float* diffusers[2][kDiffuserStages];
    for (int32_t channel = 0; channel < 2; ++channel)
        for (int32_t stage = 0; stage < kDiffuserStages; ++stage)
            diffusers[channel][stage] = engine.pool.shortRing(kFirstDiffuserRing + channel * kDiffuserStages + stage);
    float* const toneRings[2] = {engine.pool.toneL(), engine.pool.toneR()};

    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const int32_t inputPos = engine.inputPos;
        toneRings[kLeftInput][inputPos] = engine.toneLeft(x.left);
        toneRings[kRightInput][inputPos] = engine.toneRight(x.right);

        // Every ring is read before any is written.
        for (int32_t ring = 0; ring < kRings; ++ring)
            damping[ring].process(loops[ring][feedbackTaps[ring]], dampCoef, noise);

        const int32_t writePos = engine.ringPos;
        float sums[2] = {0.0f, 0.0f};
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            for (int32_t ring = channel * kPerChannel; ring < (channel + 1) * kPerChannel; ++ring)
            {
                const float value = loopGain * damping[ring].y + toneRings[kRingSource[ring]][earlyTaps[ring]];
                loops[ring][writePos] = value;
                sums[channel] += value;
            }
        }

        const float left = diffuse(diffusers[0], diffuserTaps[0], writePos, apGain, sums[0]);
        const float right = diffuse(diffusers[1], diffuserTaps[1], writePos, apGain, sums[1]);
        wetL[i] = static_cast<float>(static_cast<double>(left) * kOutputScale);
        wetR[i] = static_cast<float>(static_cast<double>(right) * kOutputScale);

        engine.advancePositions();
        for (int32_t ring = 0; ring < kRings; ++ring)
        {
            feedbackTaps[ring] = advanceTap(feedbackTaps[ring]);
            earlyTaps[ring] = advanceLongTap(earlyTaps[ring]);
        }
        for (auto& taps : diffuserTaps)
            for (int32_t& tap : taps)
                tap = advanceTap(tap);
    }
}

void Arena::clear(ReverbEngine&, StateClear)
{
    for (DampingLowpass& state : damping)
        state = DampingLowpass();
}
