// How an algorithm joins the engine.
//
// Each of the nine algorithms is one struct in its own header and source file
// in this directory (Ambience, Room, Chamber, Club, Hall, Arena, Cathedral,
// Spring, Plate). The struct holds what the algorithm keeps besides the ring
// pool: its taps, gains, coefficients and per-sample states. The engine owns
// one instance of each and calls, without virtual dispatch (a switch on
// `currentType` in ReverbEngine::runAlgorithm):
//
//   void prepare(ReverbEngine& engine);
//     At the start of every block the algorithm runs. Begin with
//     `if (!engine.beginPrepare()) return;` (the Ambience uses
//     beginPrepareWide, which leaves ringPos running over 16 bits). It returns
//     false unless needsPrepare is set; otherwise it clears the flag, reduces
//     ringPos to 14 bits and recomputes engine.lpCoef and engine.hpCoef. Then
//     recompute every gain, coefficient and tap from the engine's parameter
//     fields, internalRate and ringPos (placeTap / placeLongTap).
//
//   void kernel(ReverbEngine& engine, const float* inL, const float* inR,
//               float* wetL, float* wetR, int32_t m);
//     Reads m decimated input samples per channel, writes m fully wet ones.
//     Per sample: engine.noise.next(); engine.preDelay(inL[i], inR[i]);
//     engine.toneLeft/toneRight on the pre-delayed pair; the network; then
//     engine.advancePositions() (Ambience: advancePositionsWide()) and every
//     tap of the algorithm with advanceTap / advanceLongTap.
//
//     The kernels that have a chunked form (KernelPath.h) run it unless
//     engine.kernelPath is Scalar: the same steps per sample, done a chunk
//     of samples at a time after reading every ring ahead for the chunk;
//     the prepare bounds the chunk by its taps' distances (Chunk.h).
//
//   void clear(ReverbEngine& engine, StateClear when);
//     Clears the damping, smoothing and allpass states on every `when`, and
//     the filter and envelope states too on Suspend and Reset; Resume also
//     moves the algorithm's own filters to engine.internalRate, and Suspend
//     and Reset preset the gains and levels its kernel carries from sample to
//     sample. Resume and Suspend call it on the control thread while no block
//     runs, Reset on the audio thread. Rings and tone stages belong to the
//     engine, which clears them itself.
//
// Shared resources: engine.pool (RingPool.h) and the elements and TapJitter
// of DspElements.h. Only one algorithm runs at a time, so the running one may
// use any ring of the pool.
#pragma once

#include "DspElements.h"

#include <cstdint>

class ReverbEngine;

enum AlgorithmType : int32_t
{
    kAmbience = 0,
    kRoom = 1,
    kChamber = 2,
    kClub = 3,
    kHall = 4,
    kArena = 5,
    kCathedral = 6,
    kSpring = 7,
    kPlate = 8,
};

enum class StateClear
{
    Resume,
    Suspend,
    Reset,
};

// The common input path with a silent network: noise, pre-delay and tone
// stages run and the positions advance, the wet output is zero. The kernel of
// an algorithm whose network is not written yet.
void runSilentNetwork(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                      int32_t m);

// What a prepare last computed its parts from, so that the prepare after a
// change redoes only the parts whose inputs moved and leaves the others as
// they are, which are then exactly what a whole prepare would give.
//
// A value's stamp holds its bits: any difference, even of zero's sign, counts
// as a move. The layout's stamp holds the internal rate the taps were placed
// at and the distance of one tap behind ringPos and one behind inputPos: the
// taps advance with the positions while the algorithm runs, so these stay
// put unless the positions moved without it; and it holds only when every tap
// keeps its distance at every position (placesAlike). An algorithm's clear
// forgets its stamps: the next prepare computes everything.
struct ValueStamp
{
    // True, remembering x, when x differs from the value last seen.
    bool moved(double x);
    void forget() { known = false; }

private:
    uint64_t bits = 0;
    bool known = false;
};

struct LayoutStamp
{
    // The distances are those of the two chosen taps behind their positions
    // now (0 for an algorithm without taps behind inputPos).
    bool current(const ReverbEngine& engine, int32_t ringTapDistance, int32_t inputTapDistance) const;
    // After placing every tap; alike as placesAlike found every tap.
    void placed(const ReverbEngine& engine, int32_t ringTapDistance, int32_t inputTapDistance, bool alike);
    void forget() { known = false; }

private:
    uint64_t rateBits = 0;
    int32_t ringDistance = 0;
    int32_t inputDistance = 0;
    bool known = false;
};

// The stamps of a prepare's parts: the taps, and the gains that follow
// Decay, HighDamp and Diffusion.
struct PreparedFrom
{
    LayoutStamp layout;
    ValueStamp decay;
    ValueStamp highDamp;
    ValueStamp diffusion;

    void forget()
    {
        layout.forget();
        decay.forget();
        highDamp.forget();
        diffusion.forget();
    }
};
