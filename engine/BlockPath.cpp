// The road of one host block: input stage (dry copy, activity, decimation),
// the current algorithm or a silent wet signal, output stage (interpolation,
// type fade, DC blocking, equal-power mix, output gain, meters, fold-down).
//
// Each stage has the per-sample form (the scalar kernel path, the reference)
// and a form in passes over the block for the other paths, which gives the
// same bits: the same operations on every sample in the same order.
#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

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

void copyWetSafe(const float* in, float* out, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        out[i] = wetSafe(in[i]);
}

bool anyAboveSilence(const float* left, const float* right, int32_t n)
{
    bool above = false;
    for (int32_t i = 0; i < n; ++i)
        above |= level(left[i], right[i]) > kSilence;
    return above;
}

// The largest magnitude of x[0..n) and peak; a NaN is passed over, as the
// per-sample `if (|x| > peak)` does. Four running maxima, then the largest:
// the maximum of a set does not depend on the order it is taken in.
float peakOf(const float* x, int32_t n, float peak)
{
    using Floats = float __attribute__((vector_size(16)));
    Floats lanes = {peak, peak, peak, peak};
    int32_t i = 0;
    for (; i + 4 <= n; i += 4)
    {
        Floats v;
        std::memcpy(&v, x + i, sizeof v);
        const Floats magnitude = Floats{std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2]), std::fabs(v[3])};
        lanes = magnitude > lanes ? magnitude : lanes;
    }
    for (int32_t l = 0; l < 4; ++l)
        if (lanes[l] > peak)
            peak = lanes[l];
    for (; i < n; ++i)
        if (std::fabs(x[i]) > peak)
            peak = std::fabs(x[i]);
    return peak;
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
        beginWetBlocking();
        runAlgorithm(m);
        finishWetBlocking(m);
    }
    else
    {
        std::fill_n(wetL + wetCarry, m, 0.0f);
        std::fill_n(wetR + wetCarry, m, 0.0f);
    }

    outputStage(outL, outR, n, wetCarry + m);
}

void ReverbEngine::beginWetBlocking()
{
    // The kernel's output is the blockers' input sample for sample only at
    // the host rate, with no carried wet samples and the fade's gain at 1
    // for the whole block.
    wetBlockedInKernel = kernelPath != KernelPath::Scalar && decimation == 0 && wetCarry == 0 && fadeIsUnity();
    wetBlockerRun = WetBlockerRun{};
    kernelSamplesBegun = 0;
    if (!wetBlockedInKernel)
        return;
    wetBlockerRun.blockers.load(wetDcBlockerL, wetDcBlockerR);
    wetBlockerRun.left = wetL;
    wetBlockerRun.right = wetR;
}

void ReverbEngine::finishWetBlocking(int32_t m)
{
    if (!wetBlockedInKernel)
        return;
    wetBlockerRun.filterUpTo(m);
    wetBlockerRun.blockers.store(wetDcBlockerL, wetDcBlockerR);
    wetBlockerRun = WetBlockerRun{};
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
    if (kernelPath != KernelPath::Scalar)
        return inputStageInPasses(inL, inR, n);
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
        }
        else if (resampler.decimator.step(decimation, wetSafe(left), wetSafe(right), kernelInL[appended],
                                          kernelInR[appended]))
        {
            ++appended;
        }
    }
    return appended;
}

int32_t ReverbEngine::inputStageInPasses(const float* inL, const float* inR, int32_t n)
{
    std::copy_n(inL, n, dryL);
    std::copy_n(inR, n, dryR);
    if (anyAboveSilence(inL, inR, n))
        activityCount = activityReload;
    if (decimation == 0)
    {
        copyWetSafe(inL, kernelInL, n);
        copyWetSafe(inR, kernelInR, n);
        return n;
    }
    const ResamplerLines lines = resamplerLines();
    Decimator& decimator = resampler.decimator;
    decimator.begin(lines);
    copyWetSafe(inL, lines.line[0] + Decimator::kLead, n);
    copyWetSafe(inR, lines.line[1] + Decimator::kLead, n);
    // Asleep, no kernel reads the decimated samples; the history still
    // moves, so the kernel wakes on the right samples.
    return decimator.run(kernelPath, decimation, lines, n, kernelInL, kernelInR, activityCount > 0);
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
    // The caller resets the engine for the new type.
    currentType = static_cast<int32_t>(pendingType);
    wetFade = 0.0f;
    needsPrepare = 1;
    typeFadeCount = kFadeMuted;
    return true;
}

void ReverbEngine::outputStage(float* outL, float* outR, int32_t n, int32_t wetEnd)
{
    wetDiscarded = false;
    const OutputMix mixer(mix, outputGain);
    WetSource wet{wetL, wetR, 0, wetEnd};
    if (kernelPath != KernelPath::Scalar)
    {
        outputStageInPasses(outL, outR, n, wet, mixer);
        return;
    }
    for (int32_t i = 0; i < n; ++i)
    {
        const PreDelayed w = wetAtHostRate(wet);
        if (typeFadeStep(n))
            resetEngine();
        const auto filteredL = static_cast<float>(wetDcBlockerL.process(static_cast<double>(w.left * wetFade)));
        const auto filteredR = static_cast<float>(wetDcBlockerR.process(static_cast<double>(w.right * wetFade)));
        const float left = mixer(dryL[i], filteredL);
        const float right = mixer(dryR[i], filteredR);
        meter(left, right);
        OutputMix::write(stereoOut, outL, outR, i, left, right);
    }
    finishOutput(wet);
}

PreDelayed ReverbEngine::wetAtHostRate(WetSource& wet)
{
    PreDelayed w{0.0f, 0.0f};
    if (decimation != 0)
    {
        resampler.interpolator.step(decimation, wet, wetDiscarded, w.left, w.right);
    }
    else if (wet.read < wet.end && !wetDiscarded)
    {
        // None is left only after a reset in this block or once after a
        // block length that split a resampler period.
        w = {wet.left[wet.read], wet.right[wet.read]};
        ++wet.read;
    }
    return w;
}

void ReverbEngine::meter(float left, float right)
{
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
}

// The output stage in passes: the wet signal at the host rate for the whole
// block, its fade, both DC blockers in the lanes of one pair (beside the
// kernel or the interpolator already, while the fade's gain is 1), the mix,
// the meters and activity, the fold-down.
void ReverbEngine::outputStageInPasses(float* outL, float* outR, int32_t n, WetSource& wet, const OutputMix& mixer)
{
    // Not in the block buffers: a type switch clears those mid-block.
    float* const hostL = hostWet.data();
    float* const hostR = hostWet.data() + kBlockCapacity;
    bool blocked = std::exchange(wetBlockedInKernel, false);
    if (!blocked && decimation != 0 && fadeIsUnity())
    {
        // The DC blockers filter each of the interpolator's turns while it
        // computes the next.
        WetBlockerRun run;
        run.blockers.load(wetDcBlockerL, wetDcBlockerR);
        run.left = hostL;
        run.right = hostR;
        resampler.interpolator.run(kernelPath, decimation, wet, n, resamplerLines(), hostL, hostR, &run);
        run.filterUpTo(n);
        run.blockers.store(wetDcBlockerL, wetDcBlockerR);
        blocked = true;
    }
    else
    {
        wetToHostRate(wet, n, hostL, hostR);
    }

    if (blocked)
    {
        // Faded and DC-blocked already.
        for (int32_t i = 0; i < n; ++i)
        {
            hostL[i] = mixer(dryL[i], hostL[i]);
            hostR[i] = mixer(dryR[i], hostR[i]);
        }
    }
    else
    {
        fadeInPlace(hostL, hostR, n);
        BiquadPair blockers;
        blockers.load(wetDcBlockerL, wetDcBlockerR);
        for (int32_t i = 0; i < n; ++i)
        {
            const BiquadPair::Lanes y =
                blockers.process(BiquadPair::Lanes{static_cast<double>(hostL[i]), static_cast<double>(hostR[i])});
            hostL[i] = mixer(dryL[i], static_cast<float>(y[0]));
            hostR[i] = mixer(dryR[i], static_cast<float>(y[1]));
        }
        blockers.store(wetDcBlockerL, wetDcBlockerR);
    }

    meterInPasses(hostL, hostR, n);
    OutputMix::writeBlock(stereoOut, outL, outR, hostL, hostR, n);
    finishOutput(wet);
}

void ReverbEngine::wetToHostRate(WetSource& wet, int32_t n, float* hostL, float* hostR)
{
    if (decimation == 0)
    {
        const int32_t taken = std::min(n, wet.end - wet.read);
        std::copy_n(wet.left + wet.read, taken, hostL);
        std::copy_n(wet.right + wet.read, taken, hostR);
        std::fill(hostL + taken, hostL + n, 0.0f);
        std::fill(hostR + taken, hostR + n, 0.0f);
        wet.read += taken;
        return;
    }
    // The decimator's line is free once the kernel has run.
    resampler.interpolator.run(kernelPath, decimation, wet, n, resamplerLines(), hostL, hostR);
}

void ReverbEngine::fadeInPlace(float* left, float* right, int32_t n)
{
    if (fadeIsUnity())
    {
        // The steps keep the gain at 1.
        for (int32_t i = 0; i < n; ++i)
        {
            left[i] = left[i] * 1.0f;
            right[i] = right[i] * 1.0f;
        }
        return;
    }
    int32_t switchedAt = -1;
    for (int32_t i = 0; i < n; ++i)
    {
        if (typeFadeStep(n))
            switchedAt = i;
        left[i] = left[i] * wetFade;
        right[i] = right[i] * wetFade;
    }
    if (switchedAt < 0)
        return;
    // After the switch the steps would have met a reset resampler and no
    // wet samples: zeros, while the interpolator's positions move on.
    resetEngine();
    std::fill(left + switchedAt + 1, left + n, 0.0f);
    std::fill(right + switchedAt + 1, right + n, 0.0f);
    if (decimation != 0)
        resampler.interpolator.skip(decimation, n - 1 - switchedAt);
}

void ReverbEngine::meterInPasses(const float* left, const float* right, int32_t n)
{
    peakL = peakOf(left, n, peakL);
    peakR = peakOf(right, n, peakR);
    // The count reloads at every sample above the silence level and counts
    // down, not below 0, at every other: only the last one above matters.
    int32_t last = n - 1;
    while (last >= 0 && level(left[last], right[last]) < kSilence)
        --last;
    const int32_t from = last < 0 ? activityCount : activityReload;
    activityCount = std::max(0, from - (n - 1 - last));
}

void ReverbEngine::finishOutput(const WetSource& wet)
{
    // Wraps rather than overflows in a long run without an editor.
    blockCount = static_cast<int32_t>(static_cast<uint32_t>(blockCount) + 1u);
    meters.publish(peakL, peakR, blockCount);

    // Kernel samples not consumed yet move to the front for the next block.
    wetCarry = wetDiscarded ? 0 : wet.end - wet.read;
    if (wetCarry > 0 && wet.read > 0)
    {
        std::memmove(wetL, wetL + wet.read, static_cast<size_t>(wetCarry) * sizeof(float));
        std::memmove(wetR, wetR + wet.read, static_cast<size_t>(wetCarry) * sizeof(float));
    }
}
