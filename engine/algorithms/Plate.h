// Plate: the tone-shaped input of each channel passes two allpass Biquads
// (low and mid frequency phase dispersion) and is written into the tone ring.
// Each output channel takes ten weighted taps of the tone ring into four
// early allpasses. In parallel each channel's signal passes an input diffuser
// of three lattice allpasses and feeds twelve of 24 comb units; a comb unit
// is a delay ring closed through an allpass, a damping low-pass and the loop
// gain. The comb units' allpass outputs are summed in groups of three, each
// group passes one more allpass Biquad, and four groups plus three times the
// early allpasses make each wet channel. All lengths are multiples of one
// unit in samples at the 44.1 kHz reference, independent of the internal rate.
//
// Threads: prepare and kernel run on the audio thread, clear as the engine's
// lifecycle says (Algorithm.h).
#pragma once

#include "Algorithm.h"
#include "Biquad.h"
#include "ReverbSkeleton.h"

struct Plate
{
    static constexpr int32_t kCombUnits = 24;
    static constexpr int32_t kEarlyAllpasses = 4; // per channel
    static constexpr int32_t kEarlyTaps = 12;     // per channel; the last two are placed but not read
    static constexpr int32_t kDiffuserTaps = 4;   // per channel; the last one is placed but not read
    static constexpr int32_t kDiffuserStages = 3;
    static constexpr int32_t kGroups = 4;         // per channel
    static constexpr int32_t kGroupUnits = 3;
    static constexpr int32_t kAllpassBiquads = 12;

    // Which of the allpass Biquads each use takes, per channel.
    static constexpr int32_t kInputLowBiquad[2] = {0, 1};  // 100 Hz, 105 Hz
    static constexpr int32_t kInputHighBiquad[2] = {2, 3}; // 1600 Hz, 1603 Hz
    static constexpr int32_t kGroupBiquad[2][kGroups] = {{4, 5, 6, 7}, {8, 9, 10, 11}};

    // The allpass Biquads at the internal rate: 100, 105, 1600 and 1603 Hz
    // for the input chains, then eight for the output groups. Built at
    // 44.1 kHz; the resume sets the rate, the reset recomputes them.
    Biquad allpassBiquads[kAllpassBiquads];

    Plate();

    // Computed by prepare.
    float sizeFactor = 0.0f;
    float plateUnit = 0.0f; // P, samples
    float apGain = 0.0f;
    float loopGain = 0.8f; // the reset presets 0.8 until the next prepare
    float dampCoef = 0.0f;
    ShortTaps<kCombUnits> combTaps;
    ShortTaps<kCombUnits> loopAllpassTaps;
    ShortTaps<kEarlyAllpasses> earlyAllpassTaps[2];
    ShortTaps<kEarlyTaps> earlyTaps[2]; // on the tone ring, within its first 16384 samples
    ShortTaps<kDiffuserTaps> diffuserTaps[2];
    // Every ring of the Plate, its tone rings too, is a small ring: the taps
    // keep their places on the short rings' positions, and both kernels
    // read and write at those positions' low bits. The longest tap lies
    // about 1210 samples back at every setting and rate.
    float* tone[2] = {};
    float* combs[kCombUnits] = {};
    float* loopAllpasses[kCombUnits] = {};
    float* earlyRings[2][kEarlyAllpasses] = {};
    float* diffusers[2][kDiffuserStages] = {};

    // Per-sample state: the damping inside each comb unit.
    DampingLowpass damping[kCombUnits];

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
    template <typename Length>
    void runInputAndUnits(ReverbEngine& engine, const float* inL, const float* inR, Length c, int32_t pos);
    template <typename Length>
    void runEarly(int32_t channel, Length c, int32_t pos);
    template <typename Length>
    void runRecursions(Length c, bool wide, float* const dispersed[2], float* wetL, float* wetR);
    void advanceTaps(int32_t c);

    // Longest chunk the placed taps allow (prepare).
    int32_t chunkLimit = 1;
public:
    // A left and a right value in double precision, left in lane 0.
    using DoublePair = BiquadPair::Lanes;

private:
    // A sample's row of the recursion pass: its inputs and outputs, each a
    // pair.
    struct PairRow
    {
        DoublePair toned;
        DoublePair noise; // the noise in both lanes
        DoublePair early; // times the early mix
        DoublePair group[kGroups];
        DoublePair dispersed;
        DoublePair wet; // before the wet scale
    };
    // The chunked kernel's working arrays.
    struct Scratch
    {
        InputChunk input;
        float diffused[2][kMaxChunk];
        float early[2][kMaxChunk];
        float earlyOut[kEarlyAllpasses][kMaxChunk];
        float groupIn[2][kGroups][kMaxChunk];
        // Per comb unit, one value per sample.
        float unitOut[kCombUnits][kMaxChunk];
        float damped[kCombUnits][kMaxChunk];
        PairRow rows[kMaxChunk];
        // Copies of the runs that cross a ring's end.
        float spill[4][kMaxChunk];
    } scratch;
};
