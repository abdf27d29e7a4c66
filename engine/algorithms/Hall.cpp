#include "Hall.h"
#include "PortableMath.h"

#include "LadderBank.h"
#include "ReverbEngine.h"

#include <algorithm>

#include <cmath>

namespace
{
constexpr int32_t kLeft = 0;
constexpr int32_t kRight = 1;

constexpr double kReferenceRate = 44100.0; // Hz; a tap of pitch f lies 44100 / (s * f) samples back
// apGain = diffusion * kDiffusionDepth * kDiffusionLimit, in that order.
constexpr double kDiffusionDepth = 0.9;
constexpr double kDiffusionLimit = 0.7;
// Short rings of the pool: loop rings, echo rings, then the diffusers.
constexpr int32_t kFirstEchoRing = 24;
constexpr int32_t kFirstDiffuserRing = 48;
constexpr double kOutputScale = 0.08625;

// One row per loop ring and its echo ring: the channel feeding the loop ring
// (the echo ring takes the other one) and the tap pitches in Hz. Seven left
// output pitches lie one unit in the last place off the short decimals they
// print as (149.60000000000002, not 149.6); the lengths come from these.
struct RingRow
{
    int32_t loopInput;
    double feedbackHz;
    double secondHz;
    double leftOutHz;  // on the loop ring
    double rightOutHz; // on the echo ring
};

constexpr RingRow kRows[Hall::kRings] = {
    {kLeft, 155.56349186104046, 157.82621495421003, 149.60000000000002, 149.6},
    {kLeft, 160.1218501126406, 162.45087605334493, 192.5, 192.80999999046327},
    {kLeft, 164.81377845643496, 167.21105006640263, 160.6, 160.29000000953673},
    {kRight, 169.64319079487348, 172.11070782485515, 203.5, 204.1199999809265},
    {kLeft, 174.61411571650194, 177.15393651441798, 324.5, 323.57000002861025},
    {kRight, 179.73069985652097, 182.3449430844896, 236.5, 238.04999995231628},
    {kLeft, 184.9972113558172, 187.68805775749541, 255.2, 253.34000005722044},
    {kRight, 190.41804342135148, 193.18773764106294, 305.79999999999995, 308.279999923706},
    {kLeft, 195.99771799087463, 198.84857044604223, 369.59999999999997, 366.5000000953674},
    {kRight, 201.74088950502767, 204.67527831347226, 367.4, 371.1199998855591},
    {kLeft, 207.65234878997256, 210.6727217536862, 389.4, 385.37000012397766},
    {kRight, 213.7370270537933, 216.84590370084126, 409.20000000000005, 413.8499998569489},
    {kLeft, 157.82502533412722, 160.12064318913525, 169.60000000000002, 169.6},
    {kRight, 162.4496515747329, 164.81253616737143, 222.5, 222.80999999046327},
    {kLeft, 167.20978970782858, 169.64191210396186, 210.6, 210.29000000953673},
    {kRight, 172.1094105349559, 174.61279955708662, 273.5, 274.11999998092654},
    {kLeft, 177.15260121102312, 179.729345130691, 424.5, 423.57000002861025},
    {kRight, 182.34356865371868, 184.99581693349037, 366.5, 368.0499999523163},
    {kLeft, 187.68664305282877, 190.41660813933163, 405.2, 403.34000005722044},
    {kRight, 193.18628148238543, 195.9962406518814, 475.79999999999995, 478.279999923706},
    {kLeft, 198.8470716186585, 201.73936887669765, 579.5999999999999, 576.5000000953673},
    {kRight, 204.67373556709384, 207.6507836038314, 597.4, 601.1199998855591},
    {kLeft, 210.67113380138835, 213.7354160041974, 649.4, 645.3700001239777},
    {kRight, 216.8442692179894, 219.9983417430476, 699.2, 703.8499998569489},
};

// Output diffusers: lengths in samples, stages in signal order.
constexpr double kDiffuserLength[2][LatticeDiffuser::kStages] = {
    {715.3600100622778, 278.9699400090025, 555.8876416564859, 210.2111846487051},
    {744.5941747562817, 243.8889423761977, 538.3471428400835, 233.59851640390832},
};

} // namespace

void Hall::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, feedbackTaps.distance(0, engine.ringPos), 0))
        placeTaps(engine);
    if (prepared.decay.moved(engine.decay))
        loopGain = ladderLoopGain(engine, engine.decay, 1 / (sizeFactor * 0.25));
    if (prepared.diffusion.moved(engine.diffusion))
        apGain = diffusionGain(engine.diffusion, kDiffusionDepth, kDiffusionLimit);
    if (prepared.highDamp.moved(engine.highDamp))
        dampCoef = dampingCoefficient(engine.highDamp);
}

void Hall::placeTaps(ReverbEngine& engine)
{
    sizeFactor = static_cast<float>(engine.pow(4.0, 0.515) * 0.0625);

    bool alike = true;
    const int32_t pos = engine.ringPos;
    const double s = sizeFactor;
    for (int32_t r = 0; r < kRings; ++r)
    {
        loops[r] = engine.pool.shortRing(r);
        echoes[r] = engine.pool.shortRing(kFirstEchoRing + r);
        feedbackTaps.place(r, pos, kReferenceRate / (s * kRows[r].feedbackHz), alike);
        secondTaps.place(r, pos, kReferenceRate / (s * kRows[r].secondHz), alike);
        leftTaps.place(r, pos, kReferenceRate / (s * kRows[r].leftOutHz), alike);
        rightTaps.place(r, pos, kReferenceRate / (s * kRows[r].rightOutHz), alike);
    }
    attachLatticeDiffusers(diffusers, engine.pool, kFirstDiffuserRing, kDiffuserLength, pos, alike);
    prepared.layout.placed(engine, feedbackTaps.distance(0, pos), 0, alike);

    // The damped taps and the diffusers are read before the chunk's writes,
    // the output taps after them.
    chunkLimit = std::min(diffusers[kLeft].chunkLimit(pos), diffusers[kRight].chunkLimit(pos));
    for (int32_t r = 0; r < kRings; ++r)
    {
        chunkLimit = std::min(chunkLimit, chunkLimitFor(feedbackTaps.distance(r, pos)));
        chunkLimit = std::min(chunkLimit, chunkLimitFor(secondTaps.distance(r, pos)));
        chunkLimit = std::min(chunkLimit, chunkLimitAfterWrites(leftTaps.distance(r, pos), kShortRingSize));
        chunkLimit = std::min(chunkLimit, chunkLimitAfterWrites(rightTaps.distance(r, pos), kShortRingSize));
    }
}

void Hall::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runOnKernelPath(
        engine.kernelPath, [&] { kernelScalar(engine, inL, inR, wetL, wetR, m); },
        [&] { kernelChunked(engine, inL, inR, wetL, wetR, m); });
}

void Hall::kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                        int32_t m)
{
    const float gain = loopGain;
    const float damp = dampCoef;

    for (int32_t i = 0; i < m; ++i)
    {
        const float noise = engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        const float tone[2] = {engine.toneLeft(x.left), engine.toneRight(x.right)};
        const int32_t pos = engine.ringPos;

        // Every read of the loop rings comes before any write of this sample.
        // The damping is the common damping lowpass, in its order of sums.
        for (int32_t r = 0; r < kRings; ++r)
            feedbackDamped[r] = (loops[r][feedbackTaps.at[r]] - feedbackDamped[r]) * damp + noise + feedbackDamped[r];
        for (int32_t r = 0; r < kRings; ++r)
            secondDamped[r] = (loops[r][secondTaps.at[r]] - secondDamped[r]) * damp + noise + secondDamped[r];
        for (int32_t r = 0; r < kRings; ++r)
            loops[r][pos] = gain * feedbackDamped[r] + tone[kRows[r].loopInput];
        for (int32_t r = 0; r < kRings; ++r)
            echoes[r][pos] = gain * secondDamped[r] + tone[kRows[r].loopInput ^ 1];

        float sumL = loops[0][leftTaps.at[0]];
        float sumR = echoes[0][rightTaps.at[0]];
        for (int32_t r = 1; r < kRings; ++r)
        {
            sumL = sumL + loops[r][leftTaps.at[r]];
            sumR = sumR + echoes[r][rightTaps.at[r]];
        }
        wetL[i] = diffusers[kLeft].process(scaleInDouble(sumL, kOutputScale), apGain, pos);
        wetR[i] = diffusers[kRight].process(scaleInDouble(sumR, kOutputScale), apGain, pos);

        engine.advancePositions();
        feedbackTaps.advance();
        secondTaps.advance();
        leftTaps.advance();
        rightTaps.advance();
        diffusers[kLeft].advance();
        diffusers[kRight].advance();
    }
}

void Hall::kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                         int32_t m)
{
    Scratch& s = scratch;
    const bool pairs = engine.kernelPath != KernelPath::Chunked;
    forEachChunk(m, chunkLimit, [&](int32_t start, auto length) {
        const int32_t c = length;
        const int32_t pos = engine.ringPos;
        engine.runPreDelayChunk(inL + start, inR + start, c, s.input);
        // The dampings read only earlier samples, so the tone stages step
        // beside them; the rings' writes take the tone afterwards.
        ToneChunk toneStages = engine.beginTone();
        runDampings(s.input.noise, c, pairs, toneStages);
        engine.endTone(toneStages);

        for (int32_t r = 0; r < kRings; ++r)
        {
            const float* loopInput = s.input.tone[kRows[r].loopInput];
            const float* echoInput = s.input.tone[kRows[r].loopInput ^ 1];
            const float* feedback = s.feedback[r];
            const float* second = s.second[r];
            writeRingWith(loops[r], pos, kShortRingMask, c,
                          [&](int32_t i) { return loopGain * feedback[i] + loopInput[i]; });
            writeRingWith(echoes[r], pos, kShortRingMask, c,
                          [&](int32_t i) { return loopGain * second[i] + echoInput[i]; });
        }

        // The output taps, read after the writes; each sum starts from its
        // first ring's tap.
        float* const wet[2] = {wetL + start, wetR + start};
        ShortTaps<kRings>* const outputTaps[2] = {&leftTaps, &rightTaps};
        float* const* const outputRings[2] = {loops, echoes};
        for (int32_t channel = 0; channel < 2; ++channel)
        {
            const float* rings[kRings];
            std::copy_n(outputRings[channel], kRings, rings);
            float* const out = wet[channel];
            sumTaps(rings, outputTaps[channel]->at, kShortRingMask, c, out);
            for (int32_t i = 0; i < c; ++i)
                out[i] = scaleInDouble(out[i], kOutputScale);
            diffusers[channel].processChunk(out, apGain, pos, c);
        }

        for (ShortTaps<kRings>* taps : {&feedbackTaps, &secondTaps, &leftTaps, &rightTaps})
            for (int32_t& tap : taps->at)
                tap = (tap + c) & kShortRingMask;
    });
}

void Hall::runDampings(const float* noise, int32_t c, bool pairs, ToneChunk& toneStages)
{
    Scratch& s = scratch;
    // The common damping lowpass, four rings to a lane, from the taps where
    // they lie into the rows; the tone stages step beside the first.
    const auto damp = [&](float* states, const ShortTaps<kRings>& taps, float (*rows)[kMaxChunk], auto&& alongside) {
        const float* in[kRings];
        for (int32_t r = 0; r < kRings; ++r)
            in[r] = ringSpan(loops[r], taps.at[r], kShortRingMask, c, rows[r]);
        Lanes y[kRings / kLaneWidth];
        Lanes d[kRings / kLaneWidth];
        for (Lanes& g : d)
            g = splat(dampCoef);
        for (int32_t g = 0; g < kRings / kLaneWidth; ++g)
            y[g] = loadLanes(states + g * kLaneWidth);
        dampUnitsFor<kRings>(
            pairs, y, d, noise, c, [&](int32_t r) { return in[r]; }, [&](int32_t r) { return rows[r]; },
            alongside);
        for (int32_t g = 0; g < kRings / kLaneWidth; ++g)
            storeLanes(states + g * kLaneWidth, y[g]);
    };
    damp(feedbackDamped, feedbackTaps, s.feedback, [&](int32_t i) { toneStages.step(s.input, i); });
    damp(secondDamped, secondTaps, s.second, NothingAlongside{});
}

void Hall::clear(ReverbEngine&, StateClear)
{
    prepared.forget();
    for (int32_t r = 0; r < kRings; ++r)
    {
        feedbackDamped[r] = 0.0f;
        secondDamped[r] = 0.0f;
    }
}
