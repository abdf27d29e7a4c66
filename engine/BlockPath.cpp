// The road of one host block: input stage (dry copy, activity, decimation),
// the current algorithm or a silent wet signal, output stage (interpolation,
// type fade, DC blocking, equal-power mix, output gain, meters, fold-down).
#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr double kSilence = 1e-6;
constexpr float kFadeStep = 0.0002f;
constexpr int32_t kFadeMuted = 5000;
constexpr int32_t kFadeSwitchAt = 15000;

// A non-finite host sample would ring in the reverb's loops for ever; the wet
// path takes it as silence while the dry path passes it unchanged.
inline float wetSafe(float x)
{
    return std::isfinite(x) ? x : 0.0f;
}

inline double level(float left, float right)
{
    return static_cast<double>(std::fabs(left) + std::fabs(right));
}
} // namespace

void ReverbEngine::process(const float* const* inputs, float* const* outputs, int32_t n, PinConnections pins)
{
    takeChanges();
    if (afterTakingChanges.call)
        afterTakingChanges.call(afterTakingChanges.context);
    if (n <= 0)
    {
        // An empty block still runs the prepare and counts for the meters;
        // no sample, and so no buffer, is touched.
        if (n == 0)
            processChunk(nullptr, nullptr, nullptr, nullptr, 0);
        return;
    }
    const bool secondIn = stereoIn && pins.secondInput && inputs[1];
    const bool secondOut = stereoOut && pins.secondOutput && outputs[1];
    // The host promises blocks of at most kBlockCapacity; longer ones are
    // split rather than overrunning the buffers.
    for (int32_t done = 0; done < n;)
    {
        const int32_t length = std::min(n - done, kBlockCapacity);
        const float* inL = inputs[0] + done;
        float* outL = outputs[0] + done;
        processChunk(inL, secondIn ? inputs[1] + done : inL, outL, secondOut ? outputs[1] + done : nullptr, length);
        done += length;
    }
}

void ReverbEngine::processChunk(const float* inL, const float* inR, float* outL, float* outR, int32_t n)
{
    const int32_t m = inputStage(inL, inR, n);

    const bool runs = hostRate <= kMaxRunnableRate && activityCount > 0 &&
                      (typeFadeCount > kFadeMuted || typeFadeCount == 0);
    if (runs)
    {
        runAlgorithm(m);
    }
    else
    {
        std::fill_n(wetL + wetCarry, m, 0.0f);
        std::fill_n(wetR + wetCarry, m, 0.0f);
    }

    outputStage(outL, outR, n, wetCarry + m);
}

void ReverbEngine::keepDry(int32_t i, float left, float right)
{
    if (level(left, right) > kSilence)
        activityCount = activityReload;
    dryL[i] = left;
    dryR[i] = right;
}

int32_t ReverbEngine::inputStage(const float* inL, const float* inR, int32_t n)
{
    if (decimation == 1 && kernelPath != KernelPath::Scalar)
        return inputStageHalfBand(inL, inR, n);
    ResamplerState& r = resampler;
    int32_t appended = 0;
    for (int32_t i = 0; i < n; ++i)
    {
        const float left = inL[i];
        const float right = inR[i];
        keepDry(i, left, right);

        if (decimation == 0)
        {
            kernelInL[appended] = wetSafe(left);
            kernelInR[appended] = wetSafe(right);
            ++appended;
            continue;
        }
        r.decimatorL[r.decimatorIndex] = wetSafe(left);
        r.decimatorR[r.decimatorIndex] = wetSafe(right);
        if (decimation == 1)
        {
            r.decimatorPhase = (r.decimatorPhase - 1) & 1;
            if (r.decimatorPhase == 1)
            {
                kernelInL[appended] = decimateBy2(r.decimatorL, r.decimatorIndex);
                kernelInR[appended] = decimateBy2(r.decimatorR, r.decimatorIndex);
                ++appended;
            }
        }
        else
        {
            r.decimatorPhase = (r.decimatorPhase + 1) & 3;
            if (r.decimatorPhase == 3)
            {
                kernelInL[appended] = decimateBy4(r.decimatorL, r.decimatorIndex);
                kernelInR[appended] = decimateBy4(r.decimatorR, r.decimatorIndex);
                ++appended;
            }
        }
        r.decimatorIndex = (r.decimatorIndex - 1) & ResamplerState::kMask;
    }
    return appended;
}

// inputStage at decimation 1 in two passes: the per-sample work, with the
// decimator's input also laid out in a line, then the decimator over the
// line for all outputs at once.
int32_t ReverbEngine::inputStageHalfBand(const float* inL, const float* inR, int32_t n)
{
    ResamplerState& r = resampler;
    float* const line[2] = {decimationLine.data(), decimationLine.data() + kDecimationLine};
    float* const history[2] = {r.decimatorL, r.decimatorR};
    for (int32_t channel = 0; channel < 2; ++channel)
        for (int32_t j = 1; j <= kDecimationLead; ++j)
            line[channel][kDecimationLead - j] = history[channel][(r.decimatorIndex + j) & ResamplerState::kMask];

    int32_t first = -1;
    int32_t appended = 0;
    for (int32_t i = 0; i < n; ++i)
    {
        const float left = inL[i];
        const float right = inR[i];
        keepDry(i, left, right);
        const float safeL = wetSafe(left);
        const float safeR = wetSafe(right);
        r.decimatorL[r.decimatorIndex] = safeL;
        r.decimatorR[r.decimatorIndex] = safeR;
        line[0][kDecimationLead + i] = safeL;
        line[1][kDecimationLead + i] = safeR;
        r.decimatorPhase = (r.decimatorPhase - 1) & 1;
        if (r.decimatorPhase == 1)
        {
            if (first < 0)
                first = i;
            ++appended;
        }
        r.decimatorIndex = (r.decimatorIndex - 1) & ResamplerState::kMask;
    }
    decimateBy2Run(line[0], kDecimationLead + first, appended, kernelInL);
    decimateBy2Run(line[1], kDecimationLead + first, appended, kernelInR);
    return appended;
}

bool ReverbEngine::typeFadeStep(int32_t n)
{
    if (typeFadeCount == 0)
    {
        if (wetFade < 1.0f)
            wetFade = wetFade + kFadeStep;
        else
            wetFade = 1.0f;
        return false;
    }
    wetFade = wetFade - kFadeStep;
    if (wetFade < 0.0f)
        wetFade = 0.0f;
    // Switch once per fade: during the fade-out, when the count first reaches
    // 15000 - n. Blocks longer than 10000 samples switch at 5000, and a block
    // length that shrinks mid-fade cannot skip the switch.
    const bool fadingOut = typeFadeCount > kFadeMuted;
    --typeFadeCount;
    if (!fadingOut || typeFadeCount > std::max(kFadeSwitchAt - n, kFadeMuted))
        return false;
    currentType = static_cast<int32_t>(pendingType);
    wetFade = 0.0f;
    needsPrepare = 1;
    resetEngine();
    typeFadeCount = kFadeMuted;
    return true;
}

void ReverbEngine::outputStage(float* outL, float* outR, int32_t n, int32_t wetEnd)
{
    wetDiscarded = false;
    if (kernelPath != KernelPath::Scalar)
    {
        outputStageInPasses(outL, outR, n, wetEnd);
        return;
    }
    const float wetGain = std::sqrt(mix);
    const float dryGain = static_cast<float>(std::sqrt(1.0 - static_cast<double>(mix)));
    int32_t wetRead = 0;
    for (int32_t i = 0; i < n; ++i)
    {
        const PreDelayed wet = wetAtHostRate(n, wetEnd, wetRead);
        const auto filteredL = static_cast<float>(wetDcBlockerL.process(static_cast<double>(wet.left * wetFade)));
        const auto filteredR = static_cast<float>(wetDcBlockerR.process(static_cast<double>(wet.right * wetFade)));
        mixAndMeter(outL, outR, i, filteredL, filteredR, dryGain, wetGain);
    }
    finishOutput(wetEnd, wetRead);
}

PreDelayed ReverbEngine::wetAtHostRate(int32_t n, int32_t wetEnd, int32_t& wetRead)
{
    ResamplerState& r = resampler;
    // The next kernel sample; none is left only after a reset in this
    // block or once after a block length that split a resampler period.
    float nextL = 0.0f;
    float nextR = 0.0f;
    const auto takeWet = [&]() {
        if (wetRead < wetEnd && !wetDiscarded)
        {
            nextL = wetL[wetRead];
            nextR = wetR[wetRead];
            ++wetRead;
        }
    };

    float wl;
    float wr;
    if (decimation == 0)
    {
        takeWet();
        wl = nextL;
        wr = nextR;
    }
    else
    {
        bool writes;
        if (decimation == 1)
        {
            r.interpolatorPhase = (r.interpolatorPhase - 1) & 1;
            writes = r.interpolatorPhase == 1;
        }
        else
        {
            r.interpolatorPhase = (r.interpolatorPhase + 1) & 3;
            writes = r.interpolatorPhase == 0;
        }
        if (writes)
            takeWet();
        r.interpolatorL[r.interpolatorIndex] = nextL;
        r.interpolatorR[r.interpolatorIndex] = nextR;
        if (decimation == 1)
        {
            wl = interpolateBy2(r.interpolatorL, r.interpolatorIndex);
            wr = interpolateBy2(r.interpolatorR, r.interpolatorIndex);
        }
        else
        {
            wl = interpolateBy4(r.interpolatorL, r.interpolatorIndex, r.interpolatorPhase);
            wr = interpolateBy4(r.interpolatorR, r.interpolatorIndex, r.interpolatorPhase);
        }
        r.interpolatorIndex = (r.interpolatorIndex - 1) & ResamplerState::kMask;
    }
    typeFadeStep(n);
    return {wl, wr};
}

// The chunked path's output stage: the wet signal with its fade for the
// whole block, then both DC blockers in the lanes of one pair, then the mix;
// each sample sees the same steps as in the per-sample loop.
void ReverbEngine::outputStageInPasses(float* outL, float* outR, int32_t n, int32_t wetEnd)
{
    const float wetGain = std::sqrt(mix);
    const float dryGain = static_cast<float>(std::sqrt(1.0 - static_cast<double>(mix)));
    // The decimator's line is free once the kernel has run.
    float* const fadedL = decimationLine.data();
    float* const fadedR = decimationLine.data() + kDecimationLine;
    int32_t wetRead = 0;
    for (int32_t i = 0; i < n; ++i)
    {
        const PreDelayed wet = wetAtHostRate(n, wetEnd, wetRead);
        fadedL[i] = wet.left * wetFade;
        fadedR[i] = wet.right * wetFade;
    }
    BiquadPair blockers;
    blockers.load(wetDcBlockerL, wetDcBlockerR);
    for (int32_t i = 0; i < n; ++i)
    {
        const BiquadPair::Lanes y =
            blockers.process(BiquadPair::Lanes{static_cast<double>(fadedL[i]), static_cast<double>(fadedR[i])});
        fadedL[i] = static_cast<float>(y[0]);
        fadedR[i] = static_cast<float>(y[1]);
    }
    blockers.store(wetDcBlockerL, wetDcBlockerR);
    for (int32_t i = 0; i < n; ++i)
        mixAndMeter(outL, outR, i, fadedL[i], fadedR[i], dryGain, wetGain);
    finishOutput(wetEnd, wetRead);
}

void ReverbEngine::mixAndMeter(float* outL, float* outR, int32_t i, float filteredL, float filteredR, float dryGain,
                               float wetGain)
{
    const float left = (dryL[i] * dryGain + filteredL * wetGain) * outputGain;
    const float right = (dryR[i] * dryGain + filteredR * wetGain) * outputGain;

    if (std::fabs(left) > peakL)
        peakL = std::fabs(left);
    if (std::fabs(right) > peakR)
        peakR = std::fabs(right);
    if (level(left, right) < kSilence)
    {
        if (activityCount > 0) // stays at 0 through any length of silence
            --activityCount;
    }
    else
    {
        activityCount = activityReload;
    }

    if (!stereoOut)
    {
        outL[i] = (left + right) * 0.5f;
    }
    else if (outR)
    {
        outL[i] = left;
        outR[i] = right;
    }
    else
    {
        outL[i] = right; // the right value overwrites the left
    }
}

void ReverbEngine::finishOutput(int32_t wetEnd, int32_t wetRead)
{
    // Wraps rather than overflows in a long run without an editor.
    blockCount = static_cast<int32_t>(static_cast<uint32_t>(blockCount) + 1u);
    meters.publish(peakL, peakR, blockCount);

    // Kernel samples not consumed yet move to the front for the next block.
    wetCarry = wetDiscarded ? 0 : wetEnd - wetRead;
    if (wetCarry > 0 && wetRead > 0)
    {
        std::memmove(wetL, wetL + wetRead, static_cast<size_t>(wetCarry) * sizeof(float));
        std::memmove(wetR, wetR + wetRead, static_cast<size_t>(wetCarry) * sizeof(float));
    }
}
