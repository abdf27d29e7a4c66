// The Spring: no early reflections. Each channel's tone-shaped input feeds
// three parallel feedback loops of its own (the right loops slightly detuned
// from the left, no cross-coupling). A loop reads its main ring through the
// damping low-pass into an inverting allpass, whose output is the loop's wet
// contribution and continues through a transfer allpass into the inner ring;
// the inner ring's delayed sample passes a return allpass and goes back into
// the main ring, scaled by the channel's feedback gain, together with the
// input. A level follower on the three main rings of a channel lowers that
// gain while the loops carry a loud signal, so loud material decays faster.
// Lengths are fixed in samples at the 44.1 kHz reference (main and inner
// rings 1279 to 1681 samples).
//
// The engine's reset presets the loop gain, the two level-dependent feedback
// gains and the two level followers; suspend presets the followers.
//
// Threads: prepare and kernel run on the audio thread, clear as the engine's
// lifecycle says (Algorithm.h).
#pragma once

#include "Algorithm.h"
#include "ReverbSkeleton.h"

struct Spring
{
    static constexpr int32_t kLoops = 6; // L1, L2, L3, R1, R2, R3
    static constexpr int32_t kLoopsPerChannel = 3;

    // The rings of one loop, in the order they take from the pool.
    enum Role : int32_t
    {
        kMain,
        kInputAllpass,
        kTransferAllpass,
        kInner,
        kReturnAllpass,
        kRoles,
    };

    struct Loop
    {
        float* ring[kRoles] = {};
        ShortTaps<kRoles> taps;
        DampingLowpass damping;
    };

    // Computed by prepare.
    float timeUnit = 0.0f;    // samples per millisecond at the reference rate
    float allpassUnit = 0.0f; // timeUnit * 2.31
    float apGain = 0.0f;
    float dampCoef = 0.0f;
    float loopGain = 0.8f;
    Loop loops[kLoops];

    // Per-sample state: each channel's level follower and the feedback gain
    // it gives (the last sample's).
    EnvelopeFollower levelFollowerL;
    EnvelopeFollower levelFollowerR;
    float levelGainL = 0.64f;
    float levelGainR = 0.64f;

    // The level-dependent feedback gain for a follower level `env` and the
    // loop gain: 0.985 of it for a silent loop, towards 0.285 of it when loud.
    static float feedbackGain(float env, float loopGain);
    // The same for c follower levels in place.
    static void feedbackGains(float* env, int32_t c, float loopGain);

    void prepare(ReverbEngine& engine);
    // The prepare's part that follows the internal rate: the fixed sizes and every tap.
    void placeTaps(ReverbEngine& engine);
    // What the prepare last computed from.
    PreparedFrom prepared;
    void kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void clear(ReverbEngine& engine, StateClear when);

private:
    void kernelScalar(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m);
    void kernelChunked(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                       int32_t m);
    // The level followers and feedback gains of a chunk, from the main taps.
    // The chunk's recursions, stepped together: dampings, level followers
    // (then the feedback gains) and the engine's tone stages.
    void runRecursions(ReverbEngine& engine, int32_t c);

    // Longest chunk the placed taps allow (prepare).
    int32_t chunkLimit = 1;
    // The chunked kernel's working arrays.
    struct Scratch
    {
        InputChunk input;
        float main[kLoops][kMaxChunk];
        float inner[kLoops][kMaxChunk];
        float out[kLoops][kMaxChunk];
        float feedback[2][kMaxChunk];
        float delayed[kMaxChunk];
        float written[kMaxChunk];
        float signal[kMaxChunk];
        // The idle damping lanes: a silent input, a discarded output.
        float idleIn[kMaxChunk] = {};
        float idleOut[2][kMaxChunk];
        float idleState[2] = {};
    } scratch;
};
