#include "ReverbSkeleton.h"

#include "ReverbEngine.h"

float dampingCoefficient(float highDamp)
{
    return static_cast<float>((1.0 - static_cast<double>(highDamp)) * 0.8 + 0.2);
}

float diffusionGain(float diffusion, double a, double b)
{
    return static_cast<float>(static_cast<double>(diffusion) * a * b);
}

void CombAllpassNetwork::placeTaps(ReverbEngine& engine, const CombAllpassLayout& layout, float timeUnit)
{
    RingPool& pool = engine.pool;
    const int32_t ringPos = engine.ringPos;
    const double u = timeUnit;

    for (int32_t k = 0; k < kUnits; ++k)
    {
        const CombAllpassLayout::Comb& comb = layout.combs[k];
        units[k].comb = pool.shortRing(kFirstCombRing + k);
        units[k].combTap = placeTap(ringPos, u * comb.base * comb.factor * layout.combStretch);
    }

    const float* const tone[2] = {pool.toneL(), pool.toneR()};
    TapJitter jitter;
    jitter.seed();
    for (const int32_t tap : CombAllpassLayout::kEarlyDrawOrder)
    {
        const int32_t k = tap % kPerChannel;
        const JitteredTap row = {CombAllpassLayout::kEarlyBase[k],
                                 k < CombAllpassLayout::kNearTaps ? layout.earlyWeight[k] : 1.0};
        early.source[tap] = tone[layout.earlySource[tap]];
        const double length = jitteredLength(jitter, layout.earlyJitterWidth, row) * layout.earlyScale * u;
        early.taps.place(tap, engine.inputPos, length);
    }

    const double allpassUnit = static_cast<float>(u * 3.9);
    for (int32_t k = 0; k < kUnits; ++k)
    {
        units[k].allpassRing = pool.shortRing(kFirstAllpassRing + k);
        units[k].allpassTap = placeTap(ringPos, allpassUnit * layout.combs[k].allpass);
    }

    const double v = static_cast<float>(engine.internalRate * 1.2 / 1000.0);
    for (int32_t channel = 0; channel < 2; ++channel)
        for (int32_t stage = 0; stage < EarlyJoinDiffuser::kStages; ++stage)
        {
            diffusers[channel].ring[stage] =
                pool.shortRing(kFirstDiffuserRing + channel * EarlyJoinDiffuser::kStages + stage);
            diffusers[channel].taps.place(stage, ringPos, v * layout.diffuserLengths[channel][stage]);
        }
}

void CombAllpassNetwork::run(ReverbEngine& engine, const CombAllpassLayout& layout, const float* inL,
                             const float* inR, float* wetL, float* wetR, int32_t m)
{
    float* const tone[2] = {engine.pool.toneL(), engine.pool.toneR()};
    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const float t[2] = {engine.toneLeft(x.left), engine.toneRight(x.right)};
        tone[0][engine.inputPos] = t[0];
        tone[1][engine.inputPos] = t[1];

        // inputPos and ringPos agree modulo 16384, so the offset tap's 16-bit
        // position masked to 14 bits lies its delay behind ringPos.
        const int32_t ringPos = engine.ringPos;
        const int32_t writePos[2] = {ringPos, early.taps.at[layout.offsetTap] & kShortRingMask};
        float d[kUnits];
        for (int32_t k = 0; k < kUnits; ++k)
        {
            CombAllpassUnit& unit = units[k];
            d[k] = unit.step(ringPos, apGain, dampCoef, noise);
            unit.comb[writePos[layout.writesAtOffset[k]]] = t[layout.unitInput[k]] + loopFeedback * d[k];
        }

        float out[2];
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const uint8_t* summed = layout.summed[channel];
            float sum = d[summed[0]];
            for (int32_t j = 1; j < kPerChannel; ++j)
                sum += d[summed[j]];
            const float earlySum = early.alternatingSum(channel * kPerChannel, kPerChannel, earlyGain);
            const float diffused = diffusers[channel].process(sum, earlySum, apGain, ringPos);
            out[channel] = scaleInDouble(diffused, layout.outputScale);
        }
        wetL[i] = out[0];
        wetR[i] = out[1];

        engine.advancePositions();
        for (CombAllpassUnit& unit : units)
            unit.advance();
        early.advance();
        diffusers[0].advance();
        diffusers[1].advance();
    }
}

void CombAllpassNetwork::clearStates()
{
    for (CombAllpassUnit& unit : units)
        unit.damping = DampingLowpass();
}
