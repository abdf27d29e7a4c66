#include "ReverbEngine.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int32_t kTypeFadeLength = 20000;
constexpr int32_t kNumBlockBuffers = 6;

// The float values of the parameter hand-over: the change that names each,
// where the control side keeps it and the audio thread's copy.
struct HandedValue
{
    uint32_t change;
    std::atomic<float> ParameterHandOver::*controlSide;
    float ReverbEngine::*audioSide;
};
constexpr HandedValue kHandedValues[] = {
    {kTypeChanged, &ParameterHandOver::pendingType, &ReverbEngine::pendingType},
    {kPreDelayChanged, &ParameterHandOver::preDelayTime, &ReverbEngine::preDelayTime},
    {kDecayChanged, &ParameterHandOver::decay, &ReverbEngine::decay},
    {kHighDampChanged, &ParameterHandOver::highDamp, &ReverbEngine::highDamp},
    {kDiffusionChanged, &ParameterHandOver::diffusion, &ReverbEngine::diffusion},
    {kLowFreqChanged, &ParameterHandOver::lowFreqHz, &ReverbEngine::lowFreqHz},
    {kHighFreqChanged, &ParameterHandOver::highFreqHz, &ReverbEngine::highFreqHz},
    {kLowGainChanged, &ParameterHandOver::lowGain, &ReverbEngine::lowGain},
    {kHighGainChanged, &ParameterHandOver::highGain, &ReverbEngine::highGain},
    {kMixChanged, &ParameterHandOver::mix, &ReverbEngine::mix},
    {kOutputGainChanged, &ParameterHandOver::outputGain, &ReverbEngine::outputGain},
};
constexpr double kDcBlockerFrequency = 5.0;
constexpr double kDcBlockerQ = 0.5;
} // namespace

ReverbEngine::ReverbEngine()
    : wetDcBlockerL(44100.0, Biquad::kHighpass, kDcBlockerFrequency, kDcBlockerQ, 0.0),
      wetDcBlockerR(44100.0, Biquad::kHighpass, kDcBlockerFrequency, kDcBlockerQ, 0.0),
      blockMemory(static_cast<size_t>(kNumBlockBuffers) * kBlockCapacity, 0.0f),
      lineMemory(static_cast<size_t>(4 * kLine), 0.0f),
      hostWet(static_cast<size_t>(2 * kBlockCapacity), 0.0f)
{
    float* buffers[kNumBlockBuffers] = {};
    for (int32_t i = 0; i < kNumBlockBuffers; ++i)
        buffers[i] = blockMemory.data() + static_cast<size_t>(i) * kBlockCapacity;
    kernelInL = buffers[0];
    kernelInR = buffers[1];
    wetL = buffers[2];
    wetR = buffers[3];
    dryL = buffers[4];
    dryR = buffers[5];

    // The control side starts from the values the engine starts with.
    storeValue(control.powerOn, powerOn);
    for (const HandedValue& value : kHandedValues)
        storeValue(control.*value.controlSide, this->*value.audioSide);
}

void ReverbEngine::takeChanges()
{
    if (meters.takeClearRequest(blockCount))
    {
        peakL = 0.0f;
        peakR = 0.0f;
    }
    const uint32_t changed = control.take();
    if (changed == 0)
        return;
    if (changed & kPowerChanged)
        powerOn = loadValue(control.powerOn);
    for (const HandedValue& value : kHandedValues)
        if (changed & value.change)
            this->*value.audioSide = loadValue(control.*value.controlSide);

    if (changed & kPrepareChanges)
        needsPrepare = 1;
    // With the positions and the rate of this block.
    if (changed & kPreDelayChanged)
        updatePreDelay();
    if (changed & kTypeChanged)
        startTypeFade();
}

void ReverbEngine::resume(float hostSampleRate, int32_t blockSizeAnswer)
{
    // No block runs: the changes made while suspended are taken here, so the
    // rates chosen below see them (the pre-delay and the sleep hold).
    takeChanges();
    resampler.reset();
    clearBlockBuffers(true);
    wetCarry = 0;

    hostRate = hostSampleRate;
    const float clamped = (hostSampleRate >= 20000.0f && hostSampleRate <= 200000.0f) ? hostSampleRate : 44100.0f;
    const double rate = clamped;
    if (clamped > 100000.0f)
    {
        decimation = 3;
        internalRate = rate * 0.25;
    }
    else if (clamped > 50000.0f)
    {
        decimation = 1;
        internalRate = rate * 0.5;
    }
    else
    {
        decimation = 0;
        internalRate = rate;
    }
    resumedRate = clamped;

    // The pre-delay read position depends on the internal rate just chosen,
    // and the sleep hold covers the pre-delay.
    updatePreDelay();
    activityCount = activityReload;

    const int32_t meterBlock = (blockSizeAnswer < 1 || blockSizeAnswer > 4096) ? 256 : blockSizeAnswer;
    meterHoldBlocks = static_cast<int32_t>(clamped * 2.0f / static_cast<float>(meterBlock));

    wetDcBlockerL.setRate(clamped);
    wetDcBlockerR.setRate(clamped);

    clearAlgorithms(StateClear::Resume);
    needsPrepare = 1;
}

void ReverbEngine::suspend()
{
    wetDcBlockerL.clear();
    wetDcBlockerR.clear();
    clearBlockBuffers(true);
    // Only the histories: the indices and phases run on until resume resets
    // them, so a carried wet sample keeps its place (now silent).
    resampler.clearHistories();
    clearSignalState(StateClear::Suspend);
    internalRate = 44100.0;
    meterHoldBlocks = 100;
    peakL = 0.0f;
    peakR = 0.0f;
    blockCount = 0;
    meters.publish(peakL, peakR, blockCount);
}

void ReverbEngine::resetEngine()
{
    // The dry copies are left alone: the rest of the current host block is
    // still read from them, and every block rewrites them before reading.
    clearBlockBuffers(false);
    resampler.reset();
    wetCarry = 0;
    wetDiscarded = true;
    clearSignalState(StateClear::Reset);
}

void ReverbEngine::clearSignalState(StateClear when)
{
    pool.clear();
    toneStageL = ToneStage();
    toneStageR = ToneStage();
    clearAlgorithms(when);
    needsPrepare = 1;
}

void ReverbEngine::updatePreDelay()
{
    // Single precision; the distance stays constant afterwards because both
    // positions advance together.
    const float position = static_cast<float>(inputPos) - preDelayTime * static_cast<float>(internalRate) + 65536.0f;
    preDelayPos = static_cast<uint16_t>(static_cast<int32_t>(position) & 0xFFFF);
    updateActivityReload();
}

void ReverbEngine::updateActivityReload()
{
    // One second of host samples plus the pre-delay, so a hit still inside
    // the pre-delay line keeps the engine awake until its reverb is heard.
    if (resumedRate <= 0.0f)
        return;
    activityReload = static_cast<int32_t>(resumedRate) + static_cast<int32_t>(preDelayTime * resumedRate);
}

void ReverbEngine::startTypeFade()
{
    typeFadeCount = kTypeFadeLength;
}

bool ReverbEngine::beginPrepare()
{
    if (!needsPrepare)
        return false;
    ringPos &= kShortRingMask;
    return beginPrepareWide();
}

bool ReverbEngine::beginPrepareWide()
{
    if (!needsPrepare)
        return false;
    needsPrepare = 0;
    lpCoef = static_cast<float>(pole(highFreqHz));
    hpCoef = static_cast<float>(pole(lowFreqHz));
    return true;
}

void ReverbEngine::clearBlockBuffers(bool includingDry)
{
    const size_t count = static_cast<size_t>(includingDry ? kNumBlockBuffers : kNumBlockBuffers - 2) * kBlockCapacity;
    std::fill_n(blockMemory.data(), count, 0.0f);
}

void ReverbEngine::clearAlgorithms(StateClear when)
{
    ambience.clear(*this, when);
    room.clear(*this, when);
    chamber.clear(*this, when);
    club.clear(*this, when);
    hall.clear(*this, when);
    arena.clear(*this, when);
    cathedral.clear(*this, when);
    spring.clear(*this, when);
    plate.clear(*this, when);
}

namespace
{
template <typename Algorithm>
void prepareAndRun(Algorithm& algorithm, ReverbEngine& engine, float* outL, float* outR, int32_t m)
{
    algorithm.prepare(engine);
    algorithm.kernel(engine, engine.kernelInL, engine.kernelInR, outL, outR, m);
}
} // namespace

void ReverbEngine::runAlgorithm(int32_t m)
{
    // Kernel output follows any wet samples kept from the previous block.
    float* outL = wetL + wetCarry;
    float* outR = wetR + wetCarry;
    switch (currentType)
    {
    case kAmbience: prepareAndRun(ambience, *this, outL, outR, m); break;
    case kRoom: prepareAndRun(room, *this, outL, outR, m); break;
    case kChamber: prepareAndRun(chamber, *this, outL, outR, m); break;
    case kClub: prepareAndRun(club, *this, outL, outR, m); break;
    case kHall: prepareAndRun(hall, *this, outL, outR, m); break;
    case kArena: prepareAndRun(arena, *this, outL, outR, m); break;
    case kCathedral: prepareAndRun(cathedral, *this, outL, outR, m); break;
    case kSpring: prepareAndRun(spring, *this, outL, outR, m); break;
    case kPlate: prepareAndRun(plate, *this, outL, outR, m); break;
    default:
        std::fill_n(outL, m, 0.0f);
        std::fill_n(outR, m, 0.0f);
        break;
    }
}
