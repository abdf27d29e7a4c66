#include "Spring.h"
#include "PortableMath.h"

#include "ReverbEngine.h"

#include <algorithm>

#include <cmath>
#include <emmintrin.h>

namespace
{
// Per loop: main and inner ring length in milliseconds at the reference rate
// (timeUnit samples each), then the input, transfer and return allpass
// lengths in allpass units (timeUnit * 2.31 samples each).
struct LoopRow
{
    double ring;
    double inputAllpass;
    double transferAllpass;
    double returnAllpass;
};

constexpr LoopRow kLoopTable[Spring::kLoops] = {
    {29.0, 0.92, 0.5683208, 1.4883208},  // L1
    {34.0, 1.08, 0.6671592, 1.7471592},  // L2
    {38.0, 1.21, 0.7474654, 1.9574654},  // L3
    {29.2, 0.93, 0.5744982, 1.5044982},  // R1
    {33.7, 1.06, 0.6548044, 1.7148044},  // R2
    {38.1, 1.22, 0.7536428, 1.9736428},  // R3
};

constexpr double kOutputScale = 0.2968;
constexpr double kAttackHz = 1000.0;
constexpr double kReleaseHz = 10.0;
// Where the engine's lifecycle leaves the loop and level fields.
constexpr float kSuspendFollowerLevel = 0.1f;
constexpr float kResetFollowerLevel = 0.01f;
constexpr float kResetLoopGain = 0.8f;
constexpr float kResetLevelGain = 0.64f;
} // namespace

float Spring::feedbackGain(float env, float loopGain)
{
    const float q = std::sqrt(std::sqrt(env));
    const auto k = static_cast<float>(std::sqrt(std::sqrt(1.0 / (static_cast<double>(q) + 1.0))));
    const double kd = k;
    return static_cast<float>(((0.95 - kd) * 0.3 + kd) * static_cast<double>(loopGain));
}

void Spring::feedbackGains(float* env, int32_t c, float loopGain)
{
    // feedbackGain four samples at a time; IEEE square roots and divisions
    // are exactly rounded, so every lane gives feedbackGain's bits.
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d gain = _mm_set1_pd(static_cast<double>(loopGain));
    const auto finish = [&](__m128d q) {
        const __m128d root = _mm_sqrt_pd(_mm_sqrt_pd(_mm_div_pd(one, _mm_add_pd(q, one))));
        const __m128d kd = _mm_cvtps_pd(_mm_cvtpd_ps(root));
        const __m128d mixed = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(_mm_set1_pd(0.95), kd), _mm_set1_pd(0.3)), kd);
        return _mm_cvtpd_ps(_mm_mul_pd(mixed, gain));
    };
    int32_t i = 0;
    for (; i + 4 <= c; i += 4)
    {
        const __m128 q = _mm_sqrt_ps(_mm_sqrt_ps(_mm_loadu_ps(env + i)));
        const __m128 low = finish(_mm_cvtps_pd(q));
        const __m128 high = finish(_mm_cvtps_pd(_mm_movehl_ps(q, q)));
        _mm_storeu_ps(env + i, _mm_movelh_ps(low, high));
    }
    for (; i < c; ++i)
        env[i] = feedbackGain(env[i], loopGain);
}

void Spring::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, loops[0].taps.distance(kMain, engine.ringPos), 0))
        placeTaps(engine);
    if (prepared.diffusion.moved(engine.diffusion))
        apGain = static_cast<float>(static_cast<double>(engine.diffusion) * 0.78);
    if (prepared.decay.moved(engine.decay))
        loopGain = static_cast<float>(engine.pow(1.5, std::sqrt(static_cast<double>(engine.decay))) / 1.5 * 0.9999);
    if (prepared.highDamp.moved(engine.highDamp))
        dampCoef = dampingCoefficient(engine.highDamp);
}

void Spring::placeTaps(ReverbEngine& engine)
{
    const double size = engine.pow(4.0, 0.5) * 0.5;
    timeUnit = static_cast<float>(size * 44100.0 * 0.001);
    // The followers' coefficients follow the internal rate too.
    for (EnvelopeFollower* follower : {&levelFollowerL, &levelFollowerR})
    {
        follower->attack = static_cast<float>(engine.pole(kAttackHz));
        follower->release = static_cast<float>(engine.pole(kReleaseHz));
    }
    bool alike = true;
    allpassUnit = static_cast<float>(static_cast<double>(timeUnit) * 2.31);

    const double u = timeUnit;
    const double v = allpassUnit;
    const int32_t ringPos = engine.ringPos;
    for (int32_t l = 0; l < kLoops; ++l)
    {
        Loop& loop = loops[l];
        const LoopRow& row = kLoopTable[l];
        for (int32_t role = 0; role < kRoles; ++role)
            loop.ring[role] = engine.pool.shortRing(l * kRoles + role);
        loop.taps.place(kMain, ringPos, u * row.ring, alike);
        loop.taps.place(kInputAllpass, ringPos, v * row.inputAllpass, alike);
        loop.taps.place(kTransferAllpass, ringPos, v * row.transferAllpass, alike);
        loop.taps.place(kInner, ringPos, u * row.ring, alike);
        loop.taps.place(kReturnAllpass, ringPos, v * row.returnAllpass, alike);
    }

    // Every ring is written at ringPos after its tap is read.
    chunkLimit = kMaxChunk;
    for (const Loop& loop : loops)
        for (int32_t role = 0; role < kRoles; ++role)
            chunkLimit = std::min(chunkLimit, chunkLimitFor(loop.taps.distance(role, ringPos)));
    prepared.layout.placed(engine, loops[0].taps.distance(kMain, ringPos), 0, alike);
}

void Spring::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

void Spring::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                          int32_t m)
{
    const float g = apGain;
    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const float t[2] = {engine.toneLeft(x.left), engine.toneRight(x.right)};

        // Level of each channel's loops, before this sample's writes.
        float level[2];
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const Loop* own = loops + channel * kLoopsPerChannel;
            level[channel] = std::fabs(own[0].ring[kMain][own[0].taps.at[kMain]]) +
                             std::fabs(own[1].ring[kMain][own[1].taps.at[kMain]]) +
                             std::fabs(own[2].ring[kMain][own[2].taps.at[kMain]]);
        }
        const float envL = levelFollowerL.process(level[0]);
        const float envR = levelFollowerR.process(level[1]);
        levelGainL = feedbackGain(envL, loopGain);
        levelGainR = feedbackGain(envR, loopGain);
        const float fb[2] = {levelGainL, levelGainR};

        float damped[kLoops];
        float inner[kLoops];
        for (int32_t l = 0; l < kLoops; ++l)
        {
            Loop& loop = loops[l];
            damped[l] = loop.damping.process(loop.ring[kMain][loop.taps.at[kMain]], dampCoef, noise);
            inner[l] = loop.ring[kInner][loop.taps.at[kInner]];
        }

        const int32_t ringPos = engine.ringPos;
        float o[kLoops];
        for (int32_t l = 0; l < kLoops; ++l)
        {
            Loop& loop = loops[l];
            const int32_t channel = l / kLoopsPerChannel;
            o[l] = invertingAllpass(loop.ring[kInputAllpass], loop.taps.at[kInputAllpass], ringPos, g, damped[l]);
            // The transfer allpass's output goes into the inner ring.
            loop.ring[kInner][ringPos] =
                allpass(loop.ring[kTransferAllpass], loop.taps.at[kTransferAllpass], ringPos, g, o[l]);
            const float r = allpass(loop.ring[kReturnAllpass], loop.taps.at[kReturnAllpass], ringPos, g, inner[l]);
            loop.ring[kMain][ringPos] = r * fb[channel] + t[channel];
        }

        wetL[i] = scaleInDouble(o[1] + o[0] + o[2], kOutputScale);
        wetR[i] = scaleInDouble(o[3] + o[4] + o[5], kOutputScale);

        engine.advancePositions();
        for (Loop& loop : loops)
            loop.taps.advance();
    }
}

void Spring::kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                           int32_t m)
{
    Scratch& s = scratch;
    const float g = apGain;
    forEachChunk(m, chunkLimit, [&](int32_t start, auto length) {
        const int32_t c = length;
        const int32_t pos = engine.ringPos;
        engine.runPreDelayChunk(inL + start, inR + start, c, s.input);
        for (int32_t l = 0; l < kLoops; ++l)
        {
            readRing(loops[l].ring[kMain], loops[l].taps.at[kMain], kShortRingMask, c, s.main[l]);
            readRing(loops[l].ring[kInner], loops[l].taps.at[kInner], kShortRingMask, c, s.inner[l]);
        }
        runRecursions(engine, c);

        for (int32_t l = 0; l < kLoops; ++l)
        {
            Loop& loop = loops[l];
            const int32_t channel = l / kLoopsPerChannel;
            float* const o = s.out[l];

            // Input allpass (inverting), then the transfer allpass into the inner ring;
            // `written` may be `delayed` itself, so each sample is read before
            // its place is written.
            const auto ringAllpass = [&](int32_t ring, const float* in, float* out, bool inverting) {
                const float* const delayed =
                    ringSpan(loop.ring[ring], loop.taps.at[ring], kShortRingMask, c, s.delayed);
                const RingWrite writtenRun(loop.ring[ring], pos, kShortRingMask, c, s.written);
                float* const written = writtenRun.at;
                for (int32_t i = 0; i < c; ++i)
                {
                    const float d = delayed[i];
                    const float v = inverting ? g * d - in[i] : in[i] + g * d;
                    written[i] = v;
                    out[i] = d - g * v;
                }
                writtenRun.flush(c);
            };
            ringAllpass(kInputAllpass, o, o, true);
            const RingWrite innerRun(loop.ring[kInner], pos, kShortRingMask, c, s.signal);
            float* const inner = innerRun.at;
            ringAllpass(kTransferAllpass, o, inner, false);
            innerRun.flush(c);

            // The return allpass on the inner ring's tap feeds the main ring.
            ringAllpass(kReturnAllpass, s.inner[l], s.signal, false);
            const RingWrite fedRun(loop.ring[kMain], pos, kShortRingMask, c, s.signal);
            float* const fed = fedRun.at;
            const float* const feedback = s.feedback[channel];
            const float* const tone = s.input.tone[channel];
            for (int32_t i = 0; i < c; ++i)
                fed[i] = s.signal[i] * feedback[i] + tone[i];
            fedRun.flush(c);
            for (int32_t& tap : loop.taps.at)
                tap = (tap + c) & kShortRingMask;
        }

        for (int32_t i = 0; i < c; ++i)
        {
            wetL[start + i] = scaleInDouble(s.out[1][i] + s.out[0][i] + s.out[2][i], kOutputScale);
            wetR[start + i] = scaleInDouble(s.out[3][i] + s.out[4][i] + s.out[5][i], kOutputScale);
        }
    });
}

void Spring::runRecursions(ReverbEngine& engine, int32_t c)
{
    Scratch& s = scratch;
    for (int32_t channel = 0; channel < 2; ++channel)
    {
        const float (*main)[kMaxChunk] = &s.main[channel * kLoopsPerChannel];
        float* const level = s.feedback[channel];
        for (int32_t i = 0; i < c; ++i)
            level[i] = std::fabs(main[0][i]) + std::fabs(main[1][i]) + std::fabs(main[2][i]);
    }

    // Each recursion waits on its previous sample: the six dampings (in two
    // lanes of four, the last two lanes idle), the two level followers and
    // the tone stages step together, so that their waits overlap.
    constexpr int32_t kLanes = 8;
    const auto damping = [&](int32_t u) -> float& { return u < kLoops ? loops[u].damping.y : s.idleState[u - kLoops]; };
    Lanes y[kLanes / kLaneWidth];
    const Lanes d[kLanes / kLaneWidth] = {splat(dampCoef), splat(dampCoef)};
    loadStates<kLanes>(y, damping);
    ToneChunk tone = engine.beginTone();
    EnvelopeFollower followerL = levelFollowerL;
    EnvelopeFollower followerR = levelFollowerR;
    dampUnitRows<kLanes>(
        y, d, s.input.noise, c,
        [&](int32_t u) -> const float* { return u < kLoops ? s.main[u] : s.idleIn; },
        [&](int32_t u) -> float* { return u < kLoops ? s.out[u] : s.idleOut[u - kLoops]; },
        [&](int32_t i) {
            tone.step(s.input, i);
            s.feedback[0][i] = followerL.process(s.feedback[0][i]);
            s.feedback[1][i] = followerR.process(s.feedback[1][i]);
        });
    storeStates<kLanes>(y, damping);
    engine.endTone(tone);
    levelFollowerL = followerL;
    levelFollowerR = followerR;

    for (float* const feedback : s.feedback)
        feedbackGains(feedback, c, loopGain);
    levelGainL = s.feedback[0][c - 1];
    levelGainR = s.feedback[1][c - 1];
}

void Spring::clear(ReverbEngine&, StateClear when)
{
    prepared.forget();
    for (Loop& loop : loops)
        loop.damping = DampingLowpass();
    if (when == StateClear::Resume)
        return;
    const float followerLevel = when == StateClear::Reset ? kResetFollowerLevel : kSuspendFollowerLevel;
    levelFollowerL.env = followerLevel;
    levelFollowerR.env = followerLevel;
    if (when == StateClear::Reset)
    {
        loopGain = kResetLoopGain;
        levelGainL = kResetLevelGain;
        levelGainR = kResetLevelGain;
    }
}
