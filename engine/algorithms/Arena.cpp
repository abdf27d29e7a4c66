#include "Arena.h"
#include "PortableMath.h"

#include "LadderBank.h"
#include "ReverbEngine.h"

#include <algorithm>

#include <cmath>

namespace
{
constexpr int32_t kPerChannel = Arena::kRingsPerChannel;
static_assert(kPerChannel == kLadderSteps, "one ladder step per ring of a bank");

// Early tap of ring k (left and right bank alike): base b_k and jitter
// weight w_k, in units of 44100 * sizeFactor * 0.5 samples.
constexpr JitteredTap kEarlyTable[kPerChannel] = {
    {0.05, 0.0}, {0.1, 0.1}, {0.2, 0.2}, {0.3, 0.4}, {0.4, 0.8}, {0.5, 1.0}, {0.6, 1.0}, {0.7, 1.0},
    {0.8, 1.0},  {0.9, 1.0}, {1.0, 1.0}, {1.1, 1.0}, {1.2, 1.0}, {1.3, 1.0}, {1.4, 1.0}, {1.5, 1.0},
    {1.6, 1.0},  {1.7, 1.0}, {1.8, 1.0}, {1.9, 1.0}, {2.0, 1.0}, {2.1, 1.0}, {2.2, 1.0}, {2.3, 1.0},
};

enum Source : uint8_t
{
    kLeftInput,
    kRightInput,
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
constexpr double kDiffuserLengths[2][LatticeDiffuser::kStages] = {
    {158.55272451400756, 210.414322719574, 410.460735797882, 561.6134805679321},
    {176.192723903656, 183.9543236351013, 419.2807354927063, 539.5634813308716},
};

constexpr double kEarlyJitter = 0.04351;       // jitter width of the early taps
constexpr double kFeedbackJitter = 0.00025351; // jitter width of the feedback pitch factors
constexpr double kReferenceRate = 44100.0;     // lengths are samples at this rate, whatever the internal rate
constexpr double kOutputScale = 0.084;
} // namespace

void Arena::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, (engine.ringPos - loops[0].feedbackTap) & kShortRingMask,
                                 early.taps.distance(0, engine.inputPos)))
        placeTaps(engine);
    if (prepared.decay.moved(engine.decay))
        loopGain = ladderLoopGain(engine, engine.decay, static_cast<double>(sizeFactor) * 128.0);
    if (prepared.diffusion.moved(engine.diffusion))
        apGain = diffusionGain(engine.diffusion, 0.88, 0.72);
    if (prepared.highDamp.moved(engine.highDamp))
        dampCoef = dampingCoefficient(engine.highDamp);
}

void Arena::placeTaps(ReverbEngine& engine)
{
    sizeFactor = static_cast<float>(engine.pow(16.0, 0.435) * 0.125 * 0.5);
    const double size = sizeFactor;

    bool alike = true;
    const int32_t writePos = engine.ringPos;
    attachLatticeDiffusers(diffusers, engine.pool, kFirstDiffuserRing, kDiffuserLengths, writePos, alike);

    // One draw per early tap (left bank, then right), then one per feedback tap.
    TapJitter jitter;
    jitter.seed();
    const float* const toneRings[2] = {engine.pool.toneL(), engine.pool.toneR()};
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        const double length =
            jitteredLength(jitter, kEarlyJitter, kEarlyTable[ring % kPerChannel]) * kReferenceRate * size * 0.5;
        early.taps.place(ring, engine.inputPos, length, alike);
        early.source[ring] = toneRings[kRingSource[ring]];
    }
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        // Every feedback pitch factor takes the full jitter width.
        const JitteredTap pitch = {kQuarterToneLadder[ring % kPerChannel], 1.0};
        const double length = jitteredLength(jitter, kFeedbackJitter, pitch) * kReferenceRate * size * 0.125;
        loops[ring].ring = engine.pool.shortRing(kFirstLoopRing + ring);
        loops[ring].feedbackTap = placeTap(writePos, length, alike);
    }

    // Feedback taps and diffusers are read before the chunk's writes, the
    // early taps after the tone ring's.
    chunkLimit = diffusers[0].chunkLimit(writePos);
    chunkLimit = std::min(chunkLimit, diffusers[1].chunkLimit(writePos));
    for (int32_t ring = 0; ring < kRings; ++ring)
    {
        chunkLimit = std::min(chunkLimit, chunkLimitFor((writePos - loops[ring].feedbackTap) & kShortRingMask));
        chunkLimit = std::min(chunkLimit, chunkLimitAfterWrites(early.taps.distance(ring, engine.inputPos),
                                                                kLongRingSize));
    }
    prepared.layout.placed(engine, (writePos - loops[0].feedbackTap) & kShortRingMask,
                           early.taps.distance(0, engine.inputPos), alike);
}

void Arena::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

void Arena::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    float* const toneL = engine.pool.toneL();
    float* const toneR = engine.pool.toneR();
    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        toneL[engine.inputPos] = engine.toneLeft(x.left);
        toneR[engine.inputPos] = engine.toneRight(x.right);

        // Every ring is read before any is written.
        for (DampedLoopRing& loop : loops)
            loop.readDamped(dampCoef, noise);

        const int32_t writePos = engine.ringPos;
        const auto write = [&](int32_t ring) {
            const float value = loopGain * loops[ring].damping.y + early.read(ring);
            loops[ring].ring[writePos] = value;
            return value;
        };
        // Each sum starts from its first ring's value: 0.0f + x would turn a -0 into +0.
        float sums[2];
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const int32_t first = channel * kPerChannel;
            sums[channel] = write(first);
            for (int32_t ring = first + 1; ring < first + kPerChannel; ++ring)
                sums[channel] += write(ring);
        }
        wetL[i] = scaleInDouble(diffusers[0].process(sums[0], apGain, writePos), kOutputScale);
        wetR[i] = scaleInDouble(diffusers[1].process(sums[1], apGain, writePos), kOutputScale);

        engine.advancePositions();
        for (DampedLoopRing& loop : loops)
            loop.advance();
        early.advance();
        diffusers[0].advance();
        diffusers[1].advance();
    }
}

void Arena::kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                          int32_t m)
{
    float* const tone[2] = {engine.pool.toneL(), engine.pool.toneR()};
    Scratch& s = scratch;
    const bool pairs = engine.kernelPath != KernelPath::Chunked;
    forEachChunk(m, chunkLimit, [&](int32_t start, auto length) {
        const int32_t c = length;
        const int32_t writePos = engine.ringPos;
        const int32_t inputPos = engine.inputPos;
        engine.runPreDelayChunk(inL + start, inR + start, c, s.input);
        // The dampings read only the loop rings' earlier samples, so the
        // tone stages step beside them; the early taps read the tone
        // rings afterwards.
        ToneChunk toneStages = engine.beginTone();
        s.loops.run(loops, dampCoef, s.input.noise, c, pairs, [&](int32_t i) { toneStages.step(s.input, i); });
        engine.endTone(toneStages);
        writeRing(tone[0], inputPos, kLongRingMask, c, s.input.tone[0]);
        writeRing(tone[1], inputPos, kLongRingMask, c, s.input.tone[1]);

        // Each ring's new samples, written and summed in one pass; each
        // sum starts from its first ring's value.
        float* const wet[2] = {wetL + start, wetR + start};
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            float* const sum = wet[channel];
            for (int32_t ring = channel * kPerChannel; ring < (channel + 1) * kPerChannel; ++ring)
            {
                const float* const fed =
                    ringSpan(early.source[ring], early.taps.at[ring], kLongRingMask, c, s.early);
                const float* const damped = s.loops.damped[ring];
                const bool first = ring == channel * kPerChannel;
                writeRingWith(loops[ring].ring, writePos, kShortRingMask, c, [&](int32_t i) {
                    const float value = loopGain * damped[i] + fed[i];
                    sum[i] = first ? value : sum[i] + value;
                    return value;
                });
            }
            diffusers[channel].processChunk(sum, apGain, writePos, c);
            scaleChunkInDouble(sum, c, kOutputScale);
        }
        for (int32_t& tap : early.taps.at)
            tap = (tap + c) & kLongRingMask;
    });
}

void Arena::clear(ReverbEngine&, StateClear)
{
    prepared.forget();
    for (DampedLoopRing& loop : loops)
        loop.damping = DampingLowpass();
}
