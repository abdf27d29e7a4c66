// The decimation and interpolation filters between the host rate and the
// internal rate. Each stage keeps a 64-entry history per channel written at
// an index that moves down by one per host sample, so entry (index + k) & 63
// holds the sample written k host samples ago. `decimation` is the engine's:
// 1 for a factor of 2, 3 for a factor of 4.
//
// Each stage has two forms that give the same bits: a per-sample step (the
// reference) and a run over a whole block, which lays the block out in a
// line after the kLead samples of history and computes the outputs four at
// a time, each vector lane doing exactly the steps of the per-sample filter.
//
// Threads: audio thread; reset also by suspend and resume (no block running).
#pragma once

#include "KernelPath.h"
#include "OutputMix.h"

#include <cstdint>

struct ResamplerHistory
{
    static constexpr int32_t kHistory = 64;
    static constexpr int32_t kMask = kHistory - 1;
    // History samples a run's line holds before the block.
    static constexpr int32_t kLead = 32;
    // A line holds kLead + block + kLinePad samples: the last outputs of a
    // run may read past the block into lanes it discards.
    static constexpr int32_t kLinePad = 64;
    // Samples of a line, and of its split, for a block of n.
    static constexpr int32_t lineLength(int32_t n) { return kLead + n + 2 * kLinePad; }

    float left[kHistory] = {};
    float right[kHistory] = {};
    int32_t index = kMask;
    int32_t phase = 0;

    // History to zero; index and phase run on.
    void clear();
    // History to zero, index to 63, phase to 0.
    void reset();

protected:
    // The kLead samples before the block into line[0..kLead) of each channel.
    void lead(float* lineL, float* lineR) const;
    // The history as n per-sample writes of line[kLead..kLead + n) leave it.
    void store(const float* lineL, const float* lineR, int32_t n);
    bool isSilent() const;
};

// The memory a run works in, per channel: the line of history and block,
// and room for the line split by phase (lineLength samples each).
struct ResamplerLines
{
    float* line[2];
    float* split[2];
};

struct Decimator : ResamplerHistory
{
    // One host sample pair; true when a decimated pair is due, then in out.
    bool step(int32_t decimation, float inL, float inR, float& outL, float& outR);

    // A block of n host samples at line[kLead..kLead + n) of each channel
    // (filled by the caller after begin): the history and phase advanced as
    // n steps would, the outputs those steps give counted and, when
    // `compute`, written to out.
    void begin(const ResamplerLines& lines) const { lead(lines.line[0], lines.line[1]); }
    // `path` chooses the build of the vector code (never Scalar here).
    int32_t run(KernelPath path, int32_t decimation, const ResamplerLines& lines, int32_t n, float* outL,
                float* outR, bool compute);
};

// The wet samples a stage reads from: the kernel's output not consumed yet.
struct WetSource
{
    const float* left;
    const float* right;
    int32_t read;
    int32_t end;
};

struct Interpolator : ResamplerHistory
{
    // One host sample pair: the next wet pair when this sample takes one
    // (0 once `wet` is used up or `wetDiscarded`), then the filter.
    void step(int32_t decimation, WetSource& wet, bool wetDiscarded, float& outL, float& outR);

    // n host samples as n steps would give them, into out. Once the history
    // is silent and the wet samples taken are too, only the positions move.
    // With `blocking`, the DC blockers filter outputs as they are complete
    // (all, some or none of them; the caller filters the rest).
    void run(KernelPath path, int32_t decimation, WetSource& wet, int32_t n, const ResamplerLines& lines,
             float* outL, float* outR, WetBlockerRun* blocking = nullptr);
    // n steps of a silent history without wet samples (after a reset).
    void skip(int32_t decimation, int32_t n);

private:
    struct TakenWet
    {
        const float* channel[2];
    };
    // run for a factor of 2: the outputs from the wet samples alone.
    void runBy2(KernelPath path, int32_t first, const TakenWet& wet, int32_t taken, int32_t n,
                const ResamplerLines& lines, float* outL, float* outR, WetBlockerRun* blocking);
};

struct ResamplerState
{
    Decimator decimator;
    Interpolator interpolator;

    // Histories to zero, write indices to 63, phases to 0.
    void reset();
    // Histories to zero; indices and phases run on.
    void clearHistories();
};

// Half-band decimator, 31 taps, for a factor of 2.
float decimateBy2(const float* history, int32_t index);
// 7-tap decimator for a factor of 4.
float decimateBy4(const float* history, int32_t index);
// Half-band interpolator over a zero-stuffed history, factor 2.
float interpolateBy2(const float* history, int32_t index);
// Interpolator for a factor of 4; `phase` is the phase after this sample's step.
float interpolateBy4(const float* history, int32_t index, int32_t phase);
