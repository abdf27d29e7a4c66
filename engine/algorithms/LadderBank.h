// What the Arena and the Cathedral share besides the common skeletons: loop
// lengths on a quarter-tone ladder, the loop gain that goes with it, and a
// pair of lattice output diffusers of fixed lengths in samples.
//
// Audio thread only (called by the prepares).
#pragma once

#include "ReverbSkeleton.h"
#include "RingPool.h"

#include <cstdint>

class ReverbEngine;

constexpr int32_t kLadderSteps = 24;

// 2^(k/24), k = 0..23: one quarter tone per step.
constexpr double kQuarterToneLadder[kLadderSteps] = {
    1.0,
    1.029302236643492,
    1.0594630943592953,
    1.0905077326652577,
    1.122462048309373,
    1.155352696872273,
    1.189207115002721,
    1.2240535433046553,
    1.2599210498948732,
    1.2968395546510096,
    1.3348398541700344,
    1.3739536474580891,
    1.4142135623730951,
    1.4556531828421873,
    1.4983070768766815,
    1.5422108254079407,
    1.5874010519681996,
    1.6339154532410998,
    1.681792830507429,
    1.7310731220122861,
    1.7817974362806785,
    1.8340080864093424,
    1.887748625363387,
    1.9430638823072117,
};

// (1.0198^sqrt(decay) / 1.0205)^exponent in double, stored as float; the
// powers through the engine's cache.
float ladderLoopGain(ReverbEngine& engine, float decay, double exponent);

// Gives the left and right diffusers the pool's short rings firstRing.. (four
// each, left first) and places their taps lengths[channel][stage] behind writePos.
void attachLatticeDiffusers(LatticeDiffuser (&diffusers)[2], RingPool& pool, int32_t firstRing,
                            const double (&lengths)[2][LatticeDiffuser::kStages], int32_t writePos, bool& alike);
