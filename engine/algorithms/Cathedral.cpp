#include "Cathedral.h"
#include "PortableMath.h"

#include "LadderBank.h"
#include "ReverbEngine.h"

#include <algorithm>

#include <cmath>

namespace
{
constexpr int32_t kPerChannel = Cathedral::kRingsPerChannel;
static_assert(kPerChannel == kLadderSteps, "one ladder step per ring of a bank");

// Output tap of ring k (left and right bank alike): base b_k and jitter
// weight w_k, in units of 44100 * 0.9 * sizeFactor * 0.125 samples.
constexpr JitteredTap kOutputTable[kPerChannel] = {
    {0.025, 0.0}, {0.05, 0.1}, {0.1, 0.2}, {0.2, 0.4}, {0.3, 0.8}, {0.4, 1.0}, {0.5, 1.0}, {0.6, 1.0},
    {0.7, 1.0},   {0.8, 1.0},  {0.9, 1.0}, {1.0, 1.0}, {1.1, 1.0}, {1.2, 1.0}, {1.3, 1.0}, {1.4, 1.0},
    {1.5, 1.0},   {1.6, 1.0},  {1.7, 1.0}, {1.8, 1.0}, {1.9, 1.0}, {2.0, 1.0}, {2.1, 1.0}, {2.2, 1.0},
};

// Feedback pitch of right ring k in Hz, 44100 * 2^(k/24): the right bank's
// lengths take no jitter.
constexpr double kRightPitchHz[kPerChannel] = {
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
    kLeft,         // 0.75 tL
    kRight,        // 0.75 tR
    kLeftHeavy,    // 0.5 tL + 0.25 tR
    kRightHeavy,   // 0.25 tL + 0.5 tR
    kMixtures,
};

// Ring k of a bank takes mixture k mod 4: the left bank left, right,
// left-heavy, right-heavy; the right bank its mirror image.
constexpr Mixture kBankMixture[2][4] = {
    {kLeft, kRight, kLeftHeavy, kRightHeavy},
    {kRight, kLeft, kRightHeavy, kLeftHeavy},
};

// Output allpass lengths in samples, stages in signal order, left then right.
constexpr double kDiffuserLengths[2][LatticeDiffuser::kStages] = {
    {744.5941747562817, 278.9699400090025, 544.1939757788844, 210.2111846487051},
    {715.3600100622778, 243.8889423761977, 555.8876416564859, 233.59851640390832},
};

constexpr double kOutputJitter = 0.0351;     // jitter width of the output taps
constexpr double kFeedbackJitter = 0.005351; // jitter width of the left feedback pitch factors
constexpr double kReferenceRate = 44100.0;   // lengths are samples at this rate, whatever the internal rate
constexpr float kOutputReach = 0.9f;         // the output taps span 0.9 of the base ladder (single precision)
constexpr double kOutputScale = 0.0891;
} // namespace

void Cathedral::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, outputTaps.distance(0, engine.ringPos), 0))
        placeTaps(engine);
    if (prepared.decay.moved(engine.decay))
        loopGain = ladderLoopGain(engine, engine.decay, static_cast<double>(sizeFactor) * 64.0);
    if (prepared.diffusion.moved(engine.diffusion))
        apGain = diffusionGain(engine.diffusion, 0.9, 0.72);
    if (prepared.highDamp.moved(engine.highDamp))
        dampCoef = dampingCoefficient(engine.highDamp);
}

void Cathedral::placeTaps(ReverbEngine& engine)
{
    sizeFactor = static_cast<float>(engine.pow(4.0, 0.41) * 0.125);
    const double size = sizeFactor;

    bool alike = true;
    const int32_t writePos = engine.ringPos;
    attachLatticeDiffusers(diffusers, engine.pool, kFirstDiffuserRing, kDiffuserLengths, writePos, alike);

    // One draw per output tap (left bank, then right), then one per left
    // feedback tap; the right feedback taps take none.
    TapJitter jitter;
    jitter.seed();
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        const double length = jitteredLength(jitter, kOutputJitter, kOutputTable[ring % kPerChannel]) *
                              kReferenceRate * static_cast<double>(kOutputReach) * size * 0.125;
        outputTaps.place(ring, writePos, length, alike);
    }
    for (int32_t k = 0; k < kPerChannel; ++k)
    {
        // Every left feedback pitch factor takes the full jitter width.
        const JitteredTap pitch = {kQuarterToneLadder[k], 1.0};
        const double length = jitteredLength(jitter, kFeedbackJitter, pitch) * kReferenceRate * size * 0.125;
        loops[k].feedbackTap = placeTap(writePos, length, alike);
    }
    for (int32_t k = 0; k < kPerChannel; ++k)
        loops[kPerChannel + k].feedbackTap = placeTap(writePos, size * kRightPitchHz[k] * 0.125, alike);
    for (int32_t ring = 0; ring < kRings; ++ring)
        loops[ring].ring = engine.pool.shortRing(kFirstLoopRing + ring);

    // Feedback taps and diffusers are read before the chunk's writes, the
    // output taps after them.
    chunkLimit = diffusers[0].chunkLimit(writePos);
    chunkLimit = std::min(chunkLimit, diffusers[1].chunkLimit(writePos));
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        chunkLimit = std::min(chunkLimit, chunkLimitFor((writePos - loops[ring].feedbackTap) & kShortRingMask));
        chunkLimit =
            std::min(chunkLimit, chunkLimitAfterWrites(outputTaps.distance(ring, writePos), kShortRingSize));
    }
    prepared.layout.placed(engine, outputTaps.distance(0, writePos), 0, alike);
}

void Cathedral::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

void Cathedral::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                       int32_t m)
{
    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const double tL = engine.toneLeft(x.left);
        const double tR = engine.toneRight(x.right);

        // Every ring is read before any is written.
        for (DampedLoopRing& loop : loops)
            loop.readDamped(dampCoef, noise);

        const double mixtures[kMixtures] = {0.75 * tL, 0.75 * tR, 0.5 * tL + 0.25 * tR, 0.25 * tL + 0.5 * tR};
        const int32_t writePos = engine.ringPos;
        for (int32_t ring = 0; ring < kRings; ++ring)
        {
            const Mixture input = kBankMixture[ring / kPerChannel][ring & 3];
            const double fed = static_cast<double>(loopGain * loops[ring].damping.y) + mixtures[input];
            loops[ring].ring[writePos] = static_cast<float>(fed);
        }

        // Each sum starts from its first ring's tap: 0.0f + x would turn a -0 into +0.
        float sums[2];
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const int32_t first = channel * kPerChannel;
            sums[channel] = loops[first].ring[outputTaps.at[first]];
            for (int32_t ring = first + 1; ring < first + kPerChannel; ++ring)
                sums[channel] += loops[ring].ring[outputTaps.at[ring]];
        }
        wetL[i] = diffusers[0].process(scaleInDouble(sums[0], kOutputScale), apGain, writePos);
        wetR[i] = diffusers[1].process(scaleInDouble(sums[1], kOutputScale), apGain, writePos);

        engine.advancePositions();
        for (DampedLoopRing& loop : loops)
            loop.advance();
        outputTaps.advance();
        diffusers[0].advance();
        diffusers[1].advance();
    }
}

void Cathedral::kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                              int32_t m)
{
    Scratch& s = scratch;
    const bool pairs = engine.kernelPath != KernelPath::Chunked;
    forEachChunk(m, chunkLimit, [&](int32_t start, auto length) {
        const int32_t c = length;
        const int32_t writePos = engine.ringPos;
        engine.runPreDelayChunk(inL + start, inR + start, c, s.input);
        // The dampings read only the rings' earlier samples, so the tone
        // stages step beside them; the writes take the tone afterwards.
        ToneChunk toneStages = engine.beginTone();
        s.loops.run(loops, dampCoef, s.input.noise, c, pairs, [&](int32_t i) { toneStages.step(s.input, i); });
        engine.endTone(toneStages);

        for (int32_t i = 0; i < c; ++i)
        {
            const double tL = s.input.tone[0][i];
            const double tR = s.input.tone[1][i];
            s.mixtures[kLeft][i] = 0.75 * tL;
            s.mixtures[kRight][i] = 0.75 * tR;
            s.mixtures[kLeftHeavy][i] = 0.5 * tL + 0.25 * tR;
            s.mixtures[kRightHeavy][i] = 0.25 * tL + 0.5 * tR;
        }
        for (int32_t ring = 0; ring < kRings; ++ring)
        {
            const double* mixture = s.mixtures[kBankMixture[ring / kPerChannel][ring & 3]];
            const float* const damped = s.loops.damped[ring];
            float* const loopRing = loops[ring].ring;
            prefetchAhead(loopRing, writePos, kShortRingMask);
            prefetchAhead(loopRing, outputTaps.at[ring], kShortRingMask);
            writeRingWith(loopRing, writePos, kShortRingMask, c, [&](int32_t i) {
                return static_cast<float>(static_cast<double>(loopGain * damped[i]) + mixture[i]);
            });
        }

        // The output taps, read after the writes; each sum starts from its
        // first ring's tap.
        float* const wet[2] = {wetL + start, wetR + start};
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const float* rings[kPerChannel];
            int32_t from[kPerChannel];
            for (int32_t k = 0; k < kPerChannel; ++k)
            {
                rings[k] = loops[channel * kPerChannel + k].ring;
                from[k] = outputTaps.at[channel * kPerChannel + k];
            }
            float* const out = wet[channel];
            sumTaps(rings, from, kShortRingMask, c, out);
            for (int32_t i = 0; i < c; ++i)
                out[i] = scaleInDouble(out[i], kOutputScale);
            diffusers[channel].processChunk(out, apGain, writePos, c);
        }
        for (int32_t& tap : outputTaps.at)
            tap = (tap + c) & kShortRingMask;
    });
}

void Cathedral::clear(ReverbEngine&, StateClear)
{
    prepared.forget();
    for (DampedLoopRing& loop : loops)
        loop.damping = DampingLowpass();
}
