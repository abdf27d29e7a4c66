#include "Cathedral.h"

#include "ReverbEngine.h"

#include <cmath>

namespace
{
constexpr int32_t kPerChannel = Cathedral::kRingsPerChannel;

// Per ring k (shared by left ring k and right ring k): output-tap base b_k
// and its jitter weight w_k (in units of 44100 * 0.9 * sizeFactor * 0.125
// samples), and the feedback pitch factor f_k = 2^(k/24) of the left bank
// (in units of 44100 * sizeFactor * 0.125 samples).
struct CathedralRing
{
    double outputBase;
    double outputJitterWeight;
    double pitch;
};

constexpr CathedralRing kRingTable[kPerChannel] = {
    {0.025, 0.0, 1.0},
    {0.05, 0.1, 1.029302236643492},
    {0.1, 0.2, 1.0594630943592953},
    {0.2, 0.4, 1.0905077326652577},
    {0.3, 0.8, 1.122462048309373},
    {0.4, 1.0, 1.155352696872273},
    {0.5, 1.0, 1.189207115002721},
    {0.6, 1.0, 1.2240535433046553},
    {0.7, 1.0, 1.2599210498948732},
    {0.8, 1.0, 1.2968395546510096},
    {0.9, 1.0, 1.3348398541700344},
    {1.0, 1.0, 1.3739536474580891},
    {1.1, 1.0, 1.4142135623730951},
    {1.2, 1.0, 1.4556531828421873},
    {1.3, 1.0, 1.4983070768766815},
    {1.4, 1.0, 1.5422108254079407},
    {1.5, 1.0, 1.5874010519681996},
    {1.6, 1.0, 1.6339154532410998},
    {1.7, 1.0, 1.681792830507429},
    {1.8, 1.0, 1.7310731220122861},
    {1.9, 1.0, 1.7817974362806785},
    {2.0, 1.0, 1.8340080864093424},
    {2.1, 1.0, 1.887748625363387},
    {2.2, 1.0, 1.9430638823072117},
};

// The right bank's feedback pitches in Hz, 44100 * 2^(k/24): its lengths take
// no jitter.
constexpr double kRightFeedbackPitch[kPerChannel] = {
    44100.0,
    45392.228635978,
    46722.32246124493,
    48091.39101053787,
    49500.57633044335,
    50951.05393206724,
    52444.033771619994,
    53980.7612597353,
    55562.51830036391,
    57190.62436010953,
    58866.43756889852,
    60591.35585290173,
    62366.818100653494,
    64194.305363340456,
    66075.34209026165,
    68011.49740049019,
    70004.3863917976,
    72055.6714879325,
    74167.06382537761,
    76340.32468074182,
    78577.26693997793,
    80879.756610652,
    83249.71437852537,
    85689.11720974803,
};

// The four input mixtures of the tone-shaped channels tL and tR.
enum Mixture : uint8_t
{
    kLeft,          // 0.75 tL
    kRight,         // 0.75 tR
    kLeftAndRight,  // 0.5 tL + 0.25 tR
    kRightAndLeft,  // 0.25 tL + 0.5 tR
    kMixtures,
};

// The left bank repeats left, right, left-heavy, right-heavy; the right bank
// is its mirror image.
constexpr Mixture kRingMixture[2][4] = {
    {kLeft, kRight, kLeftAndRight, kRightAndLeft},
    {kRight, kLeft, kRightAndLeft, kLeftAndRight},
};

// Output allpass lengths in samples, stages in signal order, left then right.
constexpr double kDiffuserLengths[2][Cathedral::kDiffuserStages] = {
    {744.5941747562817, 278.9699400090025, 544.1939757788844, 210.2111846487051},
    {715.3600100622778, 243.8889423761977, 555.8876416564859, 233.59851640390832},
};

constexpr double kOutputJitter = 0.0351;     // relative spread of an output tap, times w_k
constexpr double kFeedbackJitter = 0.005351; // spread of a left feedback pitch factor
constexpr double kReferenceRate = 44100.0;   // lengths are fixed at this rate's samples
constexpr float kOutputSpread = 0.9f;        // output taps reach 0.9 of the loop ladder
constexpr double kOutputScale = 0.0891;

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

void Cathedral::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    sizeFactor = static_cast<float>(std::pow(4.0, 0.41) * 0.125);
    const double size = sizeFactor;
    loopGain = static_cast<float>(
        std::pow(std::pow(1.0198, std::sqrt(static_cast<double>(engine.decay))) / 1.0205, size * 64.0));
    apGain = static_cast<float>(static_cast<double>(engine.diffusion) * 0.9 * 0.72);
    dampCoef = static_cast<float>((1.0 - static_cast<double>(engine.highDamp)) * 0.8 + 0.2);

    for (int32_t channel = 0; channel < 2; ++channel)
        for (int32_t stage = 0; stage < kDiffuserStages; ++stage)
            diffuserTaps[channel][stage] = placeTap(engine.ringPos, kDiffuserLengths[channel][stage]);

    TapJitter jitter;
    jitter.seed();
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        const CathedralRing& row = kRingTable[ring % kPerChannel];
        const double length = (jitterSpread(jitter) * kOutputJitter * row.outputJitterWeight + row.outputBase) *
                              kReferenceRate * static_cast<double>(kOutputSpread) * size * 0.125;
        outputTaps[ring] = placeTap(engine.ringPos, length);
    }
    for (int32_t k = 0; k < kPerChannel; ++k)
    {
        const double length =
            (jitterSpread(jitter) * kFeedbackJitter + kRingTable[k].pitch) * kReferenceRate * size * 0.125;
        feedbackTaps[k] = placeTap(engine.ringPos, length);
    }
    for (int32_t k = 0; k < kPerChannel; ++k)
        feedbackTaps[kPerChannel + k] = placeTap(engine.ringPos, size * kRightFeedbackPitch[k] * 0.125);
}

void Cathedral::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                       int32_t m)
{
    float* loops[kRings];
    for (int32_t ring = 0; ring < kRings; ++ring)
        loops[ring] = engine.pool.shortRing(kFirstLoopRing + ring);
    float* diffusers[2][kDiffuserStages];
    for (int32_t channel = 0; channel < 2; ++channel)
        for (int32_t stage = 0; stage < kDiffuserStages; ++stage)
            diffusers[channel][stage] = engine.pool.shortRing(kFirstDiffuserRing + channel * kDiffuserStages + stage);

    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const double tL = engine.toneLeft(x.left);
        const double tR = engine.toneRight(x.right);

        // Every ring is read before any is written.
        for (int32_t ring = 0; ring < kRings; ++ring)
            damping[ring].process(loops[ring][feedbackTaps[ring]], dampCoef, noise);

        const double mixtures[kMixtures] = {0.75 * tL, 0.75 * tR, 0.5 * tL + 0.25 * tR, 0.25 * tL + 0.5 * tR};
        const int32_t writePos = engine.ringPos;
        for (int32_t ring = 0; ring < kRings; ++ring)
        {
            const Mixture input = kRingMixture[ring / kPerChannel][ring & 3];
            const double fed = static_cast<double>(loopGain * damping[ring].y) + mixtures[input];
            loops[ring][writePos] = static_cast<float>(fed);
        }

        // The output taps are read after the writes, so the shortest (28
        // samples) hears an input 28 samples later.
        float outputs[2];
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            float sum = 0.0f;
            for (int32_t ring = channel * kPerChannel; ring < (channel + 1) * kPerChannel; ++ring)
                sum += loops[ring][outputTaps[ring]];
            outputs[channel] = static_cast<float>(static_cast<double>(sum) * kOutputScale);
        }
        wetL[i] = diffuse(diffusers[0], diffuserTaps[0], writePos, apGain, outputs[0]);
        wetR[i] = diffuse(diffusers[1], diffuserTaps[1], writePos, apGain, outputs[1]);

        engine.advancePositions();
        for (int32_t ring = 0; ring < kRings; ++ring)
        {
            feedbackTaps[ring] = advanceTap(feedbackTaps[ring]);
            outputTaps[ring] = advanceTap(outputTaps[ring]);
        }
        for (auto& taps : diffuserTaps)
            for (int32_t& tap : taps)
                tap = advanceTap(tap);
    }
}

void Cathedral::clear(ReverbEngine&, StateClear)
{
    for (DampingLowpass& state : damping)
        state = DampingLowpass();
}
