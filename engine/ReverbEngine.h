// The reverb engine: the internal values the parameter model writes, the
// rates, the memory the algorithms run in (block buffers, ring pool, filters,
// resampler histories), the lifecycle (resume, suspend, reset) and the block
// path from host input to host output. It knows nothing of the host
// interface: the effect asks the host what the engine needs and forwards it.
//
// Threads: parameter changes reach the engine through `control` (HandOver.h):
// any control thread stores values and marks them changed; the audio thread
// takes the mark at the start of each block (takeChanges) and works on plain
// copies, so the per-sample code reads no atomic. Every other field belongs
// to the audio thread: process, takeChanges, resetEngine and the algorithms'
// prepare and kernel run there. resume and suspend run on the control thread
// only while no block runs, as hosts promise. The editor reads the meters
// through `meters` and never writes the engine.
#pragma once

#include "Ambience.h"
#include "Arena.h"
#include "Biquad.h"
#include "Cathedral.h"
#include "Chamber.h"
#include "Chunk.h"
#include "Club.h"
#include "DspElements.h"
#include "HandOver.h"
#include "Hall.h"
#include "KernelPath.h"
#include "OutputMix.h"
#include "Plate.h"
#include "Resampler.h"
#include "RingPool.h"
#include "Room.h"
#include "Spring.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct PreDelayed
{
    float left;
    float right;
};

// What the host reported about its second pins for this block.
struct PinConnections
{
    bool secondInput = true;
    bool secondOutput = true;
};

class ReverbEngine
{
public:
    static constexpr int kNumTypes = 9;
    // Largest host block the buffers hold; the host promises never to exceed it.
    static constexpr int32_t kBlockCapacity = 65536;
    static constexpr float kMaxRunnableRate = 200000.0f;

    ReverbEngine();
    ReverbEngine(const ReverbEngine&) = delete;
    ReverbEngine& operator=(const ReverbEngine&) = delete;

    // Parameter values as the control side sets them, and what changed.
    ParameterHandOver control;

    // Internal parameter values: the audio thread's copies of `control`,
    // taken at the start of each block.
    int32_t powerOn = 1;
    float pendingType = 0.0f;
    float preDelayTime = 0.0f; // seconds
    float decay = 0.5f;
    float highDamp = 0.1f;
    float lowFreqHz = 500.0f;
    float lowGain = 1.0f;
    float highFreqHz = 1000.0f;
    float highGain = 1.0f;
    float mix = 0.5f;
    float outputGain = 1.0f;
    float diffusion = 1.0f;

    // Rates and control.
    float hostRate = 44100.0f;    // as the host gave it at the last resume
    float resumedRate = 0.0f;     // clamped host rate of the last resume; 0 before the first
    double internalRate = 44100.0;
    int32_t decimation = 0;       // 0, 1 or 3: the kernel runs on n / (decimation + 1) samples
    uint8_t needsPrepare = 1;
    int32_t currentType = 0;
    int32_t typeFadeCount = 0;
    float wetFade = 0.0f;
    int32_t activityCount = 1024;
    int32_t activityReload = 1024;

    // Positions shared by the pre-delay line and the rings; they advance in
    // lock-step, one per kernel sample.
    int32_t ringPos = 0;
    uint16_t inputPos = 0;
    uint16_t preDelayPos = 65535;

    NoiseSource noise;

    // The kernels' build: the fastest the processor has; tests and the
    // benchmark choose another (audio thread, or before the first block).
    KernelPath kernelPath = bestKernelPath();

    // Channel layout negotiated with the host.
    uint8_t stereoIn = 1;
    uint8_t stereoOut = 1;

    // Meters: the largest output since the editor asked for a clear, and the
    // blocks processed; published to the editor through `meters`.
    float peakL = 0.0f;
    float peakR = 0.0f;
    int32_t blockCount = 0;
    MeterHandOver meters;
    // Host blocks in the editor's peak hold; set by resume and suspend.
    std::atomic<int32_t> meterHoldBlocks{100};

    // Block buffers of kBlockCapacity samples: decimated input, wet output
    // (internal rate) and the dry copy (host rate).
    float* kernelInL = nullptr;
    float* kernelInR = nullptr;
    float* wetL = nullptr;
    float* wetR = nullptr;
    float* dryL = nullptr;
    float* dryR = nullptr;

    RingPool pool;
    ResamplerState resampler;

    // The DC blockers of the wet signal (host rate).
    Biquad wetDcBlockerL;
    Biquad wetDcBlockerR;

    // Tone shaping shared by every algorithm; coefficients set by each prepare.
    ToneStage toneStageL;
    ToneStage toneStageR;
    float lpCoef = 0.0f;
    float hpCoef = 0.0f;

    // The nine algorithms, indexed by AlgorithmType.
    Ambience ambience;
    Room room;
    Chamber chamber;
    Club club;
    Hall hall;
    Arena arena;
    Cathedral cathedral;
    Spring spring;
    Plate plate;

    // Lifecycle (control thread, no block running).
    // blockSizeAnswer is what the host answered when asked for its block
    // size; it sets the meter hold time. The buffers keep kBlockCapacity
    // whatever block size the host announced: longer blocks are split.
    void resume(float hostSampleRate, int32_t blockSizeAnswer);
    void suspend();

    // Clean start of a new algorithm, at the type switch (audio thread).
    void resetEngine();
    // Moves the pre-delay read position to preDelayTime behind inputPos.
    void updatePreDelay();
    // Starts the type-change fade towards pendingType.
    void startTypeFade();

    // The start of a block (audio thread; resume too): copies what the change
    // mark names from `control`, raises needsPrepare, moves the pre-delay and
    // starts the type fade as asked, and clears the peaks if the editor asked.
    void takeChanges();

    // A seam for tests: called on the audio thread at the start of each block
    // once the changes are taken, before the prepare, so that a test can land
    // a change exactly there. Null in use.
    struct BlockSeam
    {
        void (*call)(void* context) = nullptr;
        void* context = nullptr;
    };
    BlockSeam afterTakingChanges;

    // One host block; it starts with takeChanges. inputs[1] and outputs[1]
    // are read only when the layout is stereo and the host reported them
    // connected; in place is fine. A block of 0 samples touches neither array.
    void process(const float* const* inputs, float* const* outputs, int32_t n, PinConnections pins);

    // For the algorithms: the prepare rule. False when nothing changed;
    // otherwise clears needsPrepare, reduces ringPos to 14 bits (the wide
    // form keeps it) and recomputes lpCoef and hpCoef.
    bool beginPrepare();
    bool beginPrepareWide();
    // poleFor at the internal rate and the prepares' powers, both through
    // powCache: exactly what portable::pow gives.
    double pole(double frequency) { return powCache(0.005, frequency / internalRate); }
    double pow(double x, double y) { return powCache(x, y); }

    // For the kernels, per sample after noise.next(): pre-delay write and read.
    PreDelayed preDelay(float inL, float inR)
    {
        float* left = pool.preDelayL();
        float* right = pool.preDelayR();
        const float n = noise.value;
        left[inputPos] = preDelayInput(n, inL);
        right[inputPos] = preDelayInput(n, inR);
        return {left[preDelayPos], right[preDelayPos]};
    }
    // What the pre-delay line takes for input x with noise n: with the
    // power off only the noise.
    float preDelayInput(float n, float x) const { return powerOn ? (n + x) + n : n + 0.0f; }
    float toneLeft(float x) { return toneStageL.process(x, lpCoef, highGain, hpCoef, lowGain, noise.value); }
    float toneRight(float x) { return toneStageR.process(x, lpCoef, highGain, hpCoef, lowGain, noise.value); }
    // When a kernel advances the positions: after each sample's work (with
    // ringPos on 14 bits, or on 16 for the Ambience), or before it (Room).
    enum class PositionStep
    {
        After,
        AfterWide,
        Before,
    };
    // The chunked kernels' input path for c samples: noise, pre-delay and
    // tone stages as above, the positions advanced c times.
    void runInputChunk(const float* inL, const float* inR, int32_t c, InputChunk& chunk,
                       PositionStep step = PositionStep::After)
    {
        runPreDelayChunk(inL, inR, c, chunk, step);
        ToneChunk tone = beginTone();
        for (int32_t i = 0; i < c; ++i)
            tone.step(chunk, i);
        endTone(tone);
    }
    // Its first part: each sample's noise and pre-delayed pair (chunk.noise,
    // chunk.delayed), the positions advanced. The states live in locals
    // meanwhile, since a store into a ring might alias them and reloading
    // them would hold every recursion up.
    void runPreDelayChunk(const float* inL, const float* inR, int32_t c, InputChunk& chunk,
                          PositionStep step = PositionStep::After)
    {
        NoiseSource localNoise = noise;
        float* const ringL = pool.preDelayL();
        float* const ringR = pool.preDelayR();
        uint16_t in = inputPos;
        uint16_t out = preDelayPos;
        for (int32_t i = 0; i < c; ++i)
        {
            if (step == PositionStep::Before)
            {
                ++in;
                ++out;
            }
            const float n = localNoise.next();
            chunk.noise[i] = n;
            ringL[in] = preDelayInput(n, inL[i]);
            ringR[in] = preDelayInput(n, inR[i]);
            chunk.delayed[i] = ToneStagePair::Pair{ringL[out], ringR[out]};
            if (step != PositionStep::Before)
            {
                ++in;
                ++out;
            }
        }
        noise = localNoise;
        inputPos = in;
        preDelayPos = out;
        if (wetBlockedInKernel)
        {
            // Every chunk before this one is finished.
            wetBlockerRun.ready = kernelSamplesBegun;
            kernelSamplesBegun += c;
        }
        ringPos = (ringPos + c) & (step == PositionStep::AfterWide ? kLongRingMask : kShortRingMask);
    }
    // Its second part, both tone stages side by side: steps for the chunk
    // between beginTone and endTone, which hands the states back.
    ToneChunk beginTone() const
    {
        ToneChunk tone{{}, lpCoef, highGain, hpCoef, static_cast<double>(hpCoef) + 1.0, lowGain, wetBlockerRun};
        tone.pair.load(toneStageL, toneStageR);
        return tone;
    }
    void endTone(const ToneChunk& tone)
    {
        tone.pair.store(toneStageL, toneStageR);
        wetBlockerRun = tone.wet;
    }
    void advancePositions()
    {
        ringPos = (ringPos + 1) & kShortRingMask;
        ++inputPos;
        ++preDelayPos;
    }
    void advancePositionsWide()
    {
        ringPos = (ringPos + 1) & kLongRingMask;
        ++inputPos;
        ++preDelayPos;
    }

private:
    portable::PowCache powCache;

    friend struct BlockPathProbe; // tests drive the stages around a kernel of their own

    void clearBlockBuffers(bool includingDry);
    // What suspend and the reset both clear: rings, tone stages and the
    // algorithms' states.
    void clearSignalState(StateClear when);
    void clearAlgorithms(StateClear when);
    void runAlgorithm(int32_t m);
    void updateActivityReload();

    // outR is null when the left output takes both channels (mono, or the
    // second output unconnected).
    void processChunk(const float* inL, const float* inR, float* outL, float* outR, int32_t n);
    // Answers the number of decimated samples in kernelInL/R.
    int32_t inputStage(const float* inL, const float* inR, int32_t n);
    int32_t inputStageInPasses(const float* inL, const float* inR, int32_t n);
    // The dry copy of host sample i; a sample above the silence level keeps
    // the engine awake.
    void keepDry(int32_t i, float left, float right);
    void outputStage(float* outL, float* outR, int32_t n, int32_t wetEnd);
    void outputStageInPasses(float* outL, float* outR, int32_t n, WetSource& wet, const OutputMix& mixer);
    // One host sample of the wet pair before its fade gain: the next kernel
    // sample or the interpolator's output.
    PreDelayed wetAtHostRate(WetSource& wet);
    void wetToHostRate(WetSource& wet, int32_t n, float* hostL, float* hostR);
    // One step of the type fade; true when the type switches now, and the
    // caller then resets the engine.
    bool typeFadeStep(int32_t n);
    // No fade under way and none to finish: the wet gain is 1 for the block.
    bool fadeIsUnity() const { return typeFadeCount == 0 && wetFade == 1.0f; }
    void fadeInPlace(float* left, float* right, int32_t n);
    // Peaks and activity of an output pair.
    void meter(float left, float right);
    void meterInPasses(const float* left, const float* right, int32_t n);
    // Meters published, unread kernel samples carried to the next block.
    void finishOutput(const WetSource& wet);

    std::vector<float> blockMemory;
    // The resampling stages' lines in passes: per channel the line and its
    // split (ResamplerLines), kLine samples each.
    static constexpr int32_t kLine = ResamplerHistory::lineLength(kBlockCapacity);
    std::vector<float> lineMemory;
    ResamplerLines resamplerLines()
    {
        float* base = lineMemory.data();
        return {{base, base + kLine}, {base + 2 * kLine, base + 3 * kLine}};
    }
    // The wet pair at the host rate in passes (kBlockCapacity each).
    std::vector<float> hostWet;
    // The wet DC blockers beside the kernel (WetBlockerRun): whether they run
    // there in this block, and the kernel samples whose chunks have begun.
    bool wetBlockedInKernel = false;
    int32_t kernelSamplesBegun = 0;
    WetBlockerRun wetBlockerRun;
    void beginWetBlocking();
    void finishWetBlocking(int32_t m);
    // Wet samples the kernel wrote but the output stage has not consumed yet,
    // kept at the start of wetL/wetR (only with odd host block lengths).
    int32_t wetCarry = 0;
    bool wetDiscarded = false;
};
