#include "Room.h"
#include "PortableMath.h"

#include "LadderBank.h"
#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int32_t kA = 0;
constexpr int32_t kB = 1;
constexpr int32_t kLeft = 0;
constexpr int32_t kRight = 1;

constexpr double kReferenceRate = 44100.0; // Hz; lengths do not follow internalRate
constexpr double kDiffusionScale = 0.7;
constexpr double kEarlyScale = 0.14875;

// The combs step by quarter tones from 2^(12/24).
constexpr int32_t kFirstStep = 12;

// Base lengths in milliseconds of bank A: even combs use kCombMsEven, odd ones
// kCombMsOdd times kCombOddStretch; bank B uses kCombMsB for both.
constexpr float kCombMsEven = 20.03f;
constexpr float kCombMsOdd = 19.97f;
constexpr float kCombMsB = 20.0f;
constexpr double kCombOddStretch = 1.41421;

// Input channel of each comb, in comb order; bank B takes the other channel.
constexpr int32_t kBankAInput[Room::kCombs] = {kLeft, kLeft, kRight, kRight, kLeft, kLeft,
                                              kRight, kRight, kLeft, kLeft, kRight, kRight};

// Early taps: the bank each reads (comb index = tap index) and its length
// u * spread * ms in samples.
struct EarlyTap
{
    int32_t bank;
    double spread;
    double ms;
};

constexpr EarlyTap kEarly[2][Room::kEarlyTaps] = {
    {{kA, 2, 2.36}, {kB, 2.1, 2.75}, {kA, 2.2, 3.46}, {kB, 2.3, 2.85}, {kA, 2.4, 3.95}, {kB, 2.5, 4.15},
     {kA, 2.6, 5.32}, {kB, 2.7, 4.78}, {kA, 2.8, 7.36}, {kB, 2.9, 7.34}, {kA, 3, 10.54}, {kB, 3.1, 10.72}},
    {{kB, 2, 2.36}, {kA, 2.1, 2.74}, {kB, 2.2, 3.47}, {kA, 2.3, 2.83}, {kB, 2.4, 3.97}, {kA, 2.5, 4.14},
     {kB, 2.6, 5.33}, {kA, 2.7, 4.75}, {kB, 2.8, 7.39}, {kA, 2.9, 7.31}, {kB, 3, 10.57}, {kA, 3.1, 10.72}},
};

// Output diffusers: length u * ms * 0.75 samples.
constexpr double kDiffuserMs[2][LatticeDiffuser::kStages] = {
    {12.735, 4.7713, 9.3075, 3.5953},
    {12.235, 5.2713, 9.5075, 3.3953},
};
constexpr double kDiffuserSpread = 0.75;

// Short rings of the pool: bank A, bank B, then the diffusers.
constexpr int32_t kFirstDiffuserRing = Room::kBanks * Room::kCombs;
} // namespace

void Room::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, combTaps[kA].distance(0, engine.ringPos), 0))
        placeTaps(engine);
    if (prepared.decay.moved(engine.decay))
        combGain = static_cast<float>(
            engine.pow(engine.pow(1.0195, std::sqrt(static_cast<double>(engine.decay))) / 1.0205, sizeFactor * 32));
    if (prepared.diffusion.moved(engine.diffusion))
        apGain = scaleInDouble(engine.diffusion, kDiffusionScale);
    if (prepared.highDamp.moved(engine.highDamp))
        dampCoef = dampingCoefficient(engine.highDamp);
}

void Room::placeTaps(ReverbEngine& engine)
{
    sizeFactor = static_cast<float>(engine.pow(4.0, 0.445) * 0.5);
    // c * 44100 * 0.001 formed in double, like every other time unit.
    msUnit = static_cast<float>(static_cast<double>(sizeFactor) * kReferenceRate * 0.001);

    bool alike = true;
    const int32_t pos = engine.ringPos;
    const float u = msUnit;
    const double lengthsA[2] = {u * kCombMsEven, static_cast<double>(u * kCombMsOdd) * kCombOddStretch};
    const float evenB = u * kCombMsB;
    const double lengthsB[2] = {evenB, evenB * kCombOddStretch};
    for (int32_t c = 0; c < kCombs; ++c)
    {
        const double step = kQuarterToneLadder[kFirstStep + c];
        combs[kA][c] = engine.pool.shortRing(c);
        combs[kB][c] = engine.pool.shortRing(kCombs + c);
        combTaps[kA].place(c, pos, lengthsA[c & 1] * step, alike);
        combTaps[kB].place(c, pos, lengthsB[c & 1] * step, alike);
    }
    double diffuserLengths[2][LatticeDiffuser::kStages];
    for (int32_t ch = 0; ch < 2; ++ch)
    {
        for (int32_t t = 0; t < kEarlyTaps; ++t)
            earlyTaps[ch].place(t, pos, static_cast<double>(u) * kEarly[ch][t].spread * kEarly[ch][t].ms, alike);
        for (int32_t s = 0; s < LatticeDiffuser::kStages; ++s)
            diffuserLengths[ch][s] = static_cast<double>(u) * kDiffuserMs[ch][s] * kDiffuserSpread;
    }
    attachLatticeDiffusers(diffusers, engine.pool, kFirstDiffuserRing, diffuserLengths, pos, alike);

    // Comb and diffuser taps are read before the chunk's writes, the early
    // taps after the combs'.
    chunkLimit = std::min(diffusers[kLeft].chunkLimit(pos), diffusers[kRight].chunkLimit(pos));
    for (int32_t b = 0; b < kBanks; ++b)
        for (int32_t c = 0; c < kCombs; ++c)
            chunkLimit = std::min(chunkLimit, chunkLimitFor(combTaps[b].distance(c, pos)));
    for (int32_t ch = 0; ch < 2; ++ch)
        for (int32_t t = 0; t < kEarlyTaps; ++t)
            chunkLimit = std::min(chunkLimit, chunkLimitAfterWrites(earlyTaps[ch].distance(t, pos), kShortRingSize));
    prepared.layout.placed(engine, combTaps[kA].distance(0, pos), 0, alike);
}

void Room::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

void Room::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    const float gain = combGain;
    const float damp = dampCoef;

    for (int32_t i = 0; i < m; ++i)
    {
        engine.advancePositions();
        for (ShortTaps<kCombs>& taps : combTaps)
            taps.advance();
        for (ShortTaps<kEarlyTaps>& taps : earlyTaps)
            taps.advance();
        diffusers[kLeft].advance();
        diffusers[kRight].advance();

        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const float tone[2] = {engine.toneLeft(x.left), engine.toneRight(x.right)};
        const int32_t pos = engine.ringPos;

        for (int32_t b = 0; b < kBanks; ++b)
        {
            float damped[kCombs];
            for (int32_t c = 0; c < kCombs; ++c)
                damped[c] = damping[b][c].process(combs[b][c][combTaps[b].at[c]], damp, noise);
            for (int32_t c = 0; c < kCombs; ++c)
                combs[b][c][pos] = gain * damped[c] + tone[kBankAInput[c] ^ b];
        }

        float* out[2] = {wetL, wetR};
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            float sum = combs[kEarly[ch][0].bank][0][earlyTaps[ch].at[0]];
            for (int32_t t = 1; t < kEarlyTaps; ++t)
                sum = sum + combs[kEarly[ch][t].bank][t][earlyTaps[ch].at[t]];
            out[ch][i] = diffusers[ch].process(scaleInDouble(sum, kEarlyScale), apGain, pos);
        }
    }
}

void Room::kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                         int32_t m)
{
    Scratch& s = scratch;
    const float gain = combGain;
    const float* const noise = s.input.noise;

    // The positions and taps advance at the start of each sample: a chunk's
    // first sample writes one past ringPos and reads one past every tap.
    forEachChunk(m, chunkLimit, [&](int32_t start, auto length) {
        const int32_t c = length;
        const int32_t pos = (engine.ringPos + 1) & kShortRingMask;
        engine.runInputChunk(inL + start, inR + start, c, s.input, ReverbEngine::PositionStep::Before);

        for (int32_t b = 0; b < kBanks; ++b)
        {
            // Each comb's taps straight from its ring unless they wrap
            // inside the chunk; the damped values into the scratch.
            const float* read[kCombs];
            float* damped[kCombs];
            for (int32_t k = 0; k < kCombs; ++k)
            {
                const int32_t from = (combTaps[b].at[k] + 1) & kShortRingMask;
                damped[k] = s.comb[b * kCombs + k];
                read[k] = combs[b][k] + from;
                if (from + c > kShortRingSize)
                {
                    readRing(combs[b][k], from, kShortRingMask, c, damped[k]);
                    read[k] = damped[k];
                }
            }
            // The dampings, four combs to a lane.
            Lanes y[kCombs / kLaneWidth];
            Lanes coef[kCombs / kLaneWidth];
            const auto state = [&](int32_t k) -> float& { return damping[b][k].y; };
            loadStates<kCombs>(y, state);
            for (Lanes& d : coef)
                d = splat(dampCoef);
            dampUnitRows<kCombs>(
                y, coef, noise, c, [&](int32_t k) { return read[k]; }, [&](int32_t k) { return damped[k]; });
            storeStates<kCombs>(y, state);

            for (int32_t k = 0; k < kCombs; ++k)
            {
                const float* const fed = damped[k];
                const float* const tone = s.input.tone[kBankAInput[k] ^ b];
                const auto feed = [&](float* to) {
                    for (int32_t i = 0; i < c; ++i)
                        to[i] = gain * fed[i] + tone[i];
                };
                if (pos + c <= kShortRingSize)
                    feed(combs[b][k] + pos);
                else
                {
                    feed(damped[k]);
                    writeRing(combs[b][k], pos, kShortRingMask, c, damped[k]);
                }
            }
        }

        float* const wet[2] = {wetL + start, wetR + start};
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            const float* sources[kEarlyTaps];
            int32_t from[kEarlyTaps];
            for (int32_t t = 0; t < kEarlyTaps; ++t)
            {
                sources[t] = combs[kEarly[ch][t].bank][t];
                from[t] = (earlyTaps[ch].at[t] + 1) & kShortRingMask;
            }
            sumTaps(sources, from, kShortRingMask, c, s.sum);
            float* const out = wet[ch];
            for (int32_t i = 0; i < c; ++i)
                out[i] = scaleInDouble(s.sum[i], kEarlyScale);
            diffusers[ch].processChunk(out, apGain, pos, c, 1);
        }

        for (ShortTaps<kCombs>& taps : combTaps)
            for (int32_t& tap : taps.at)
                tap = (tap + c) & kShortRingMask;
        for (ShortTaps<kEarlyTaps>& taps : earlyTaps)
            for (int32_t& tap : taps.at)
                tap = (tap + c) & kShortRingMask;
    });
}

void Room::clear(ReverbEngine&, StateClear)
{
    prepared.forget();
    for (auto& bank : damping)
        for (DampingLowpass& d : bank)
            d = DampingLowpass();
}
