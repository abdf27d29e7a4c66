#include "Room.h"

#include "ReverbEngine.h"

#include <cmath>

namespace
{
constexpr int32_t kA = 0;
constexpr int32_t kB = 1;
constexpr int32_t kLeft = 0;
constexpr int32_t kRight = 1;

constexpr float kReferenceRate = 44100.0f; // Hz; lengths do not follow internalRate
constexpr double kDiffusionScale = 0.7;
constexpr double kEarlyScale = 0.14875;

// 2^(k/24) for k = 12..23: the comb lengths step by quarter tones.
constexpr double kQuarterTones[Room::kCombs] = {
    1.4142135623730951, 1.4556531828421873, 1.4983070768766815, 1.5422108254079407,
    1.5874010519681996, 1.6339154532410998, 1.681792830507429,  1.7310731220122861,
    1.7817974362806785, 1.8340080864093424, 1.887748625363387,  1.9430638823072117,
};

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
constexpr double kDiffuserMs[2][OutputDiffuser::kStages] = {
    {12.735, 4.7713, 9.3075, 3.5953},
    {12.235, 5.2713, 9.5075, 3.3953},
};
constexpr double kDiffuserSpread = 0.75;

// Pool layout: comb rings 0..23 (bank A, then B), diffuser rings 24..31.
float* combRing(ReverbEngine& engine, int32_t bank, int32_t comb)
{
    return engine.pool.shortRing(bank * Room::kCombs + comb);
}

float* diffuserRing(ReverbEngine& engine, int32_t channel, int32_t stage)
{
    return engine.pool.shortRing(Room::kBanks * Room::kCombs + channel * OutputDiffuser::kStages + stage);
}
} // namespace

void Room::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    sizeFactor = static_cast<float>(std::pow(4.0, 0.445) * 0.5);
    msUnit = static_cast<float>(sizeFactor * kReferenceRate * 0.001);
    combGain = static_cast<float>(
        std::pow(std::pow(1.0195, std::sqrt(static_cast<double>(engine.decay))) / 1.0205, sizeFactor * 32));
    apGain = static_cast<float>(engine.diffusion * kDiffusionScale);
    dampCoef = static_cast<float>((1.0f - engine.highDamp) * 0.8 + 0.2);

    const int32_t pos = engine.ringPos;
    const float u = msUnit;
    const double lengthsA[2] = {u * kCombMsEven, static_cast<double>(u * kCombMsOdd) * kCombOddStretch};
    const float evenB = u * kCombMsB;
    const double lengthsB[2] = {evenB, evenB * kCombOddStretch};
    for (int32_t c = 0; c < kCombs; ++c)
    {
        combTaps[kA][c] = placeTap(pos, lengthsA[c & 1] * kQuarterTones[c]);
        combTaps[kB][c] = placeTap(pos, lengthsB[c & 1] * kQuarterTones[c]);
    }
    for (int32_t ch = 0; ch < 2; ++ch)
    {
        for (int32_t t = 0; t < kEarlyTaps; ++t)
            earlyTaps[ch][t] = placeTap(pos, static_cast<double>(u) * kEarly[ch][t].spread * kEarly[ch][t].ms);
        double lengths[OutputDiffuser::kStages];
        for (int32_t s = 0; s < OutputDiffuser::kStages; ++s)
            lengths[s] = static_cast<double>(u) * kDiffuserMs[ch][s] * kDiffuserSpread;
        diffusers[ch].place(pos, lengths);
    }
}

void Room::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    float* combs[kBanks][kCombs];
    for (int32_t b = 0; b < kBanks; ++b)
        for (int32_t c = 0; c < kCombs; ++c)
            combs[b][c] = combRing(engine, b, c);
    float* diffuserRings[2][OutputDiffuser::kStages];
    for (int32_t s = 0; s < OutputDiffuser::kStages; ++s)
    {
        diffuserRings[kLeft][s] = diffuserRing(engine, kLeft, s);
        diffuserRings[kRight][s] = diffuserRing(engine, kRight, s);
    }
    const float gain = combGain;
    const float damp = dampCoef;

    for (int32_t i = 0; i < m; ++i)
    {
        engine.advancePositions();
        for (auto& bank : combTaps)
            for (int32_t& tap : bank)
                tap = advanceTap(tap);
        for (auto& taps : earlyTaps)
            for (int32_t& tap : taps)
                tap = advanceTap(tap);
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
                damped[c] = damping[b][c].process(combs[b][c][combTaps[b][c]], damp, noise);
            for (int32_t c = 0; c < kCombs; ++c)
                combs[b][c][pos] = gain * damped[c] + tone[kBankAInput[c] ^ b];
        }

        float* out[2] = {wetL, wetR};
        for (int32_t ch = 0; ch < 2; ++ch)
        {
            float sum = combs[kEarly[ch][0].bank][0][earlyTaps[ch][0]];
            for (int32_t t = 1; t < kEarlyTaps; ++t)
                sum = sum + combs[kEarly[ch][t].bank][t][earlyTaps[ch][t]];
            const auto scaled = static_cast<float>(kEarlyScale * static_cast<double>(sum));
            out[ch][i] = diffusers[ch].process(diffuserRings[ch], pos, apGain, scaled);
        }
    }
}

void Room::clear(ReverbEngine&, StateClear)
{
    for (auto& bank : damping)
        for (DampingLowpass& d : bank)
            d = DampingLowpass();
}
