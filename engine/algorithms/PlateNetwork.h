// The Plate's network as both of its kernels read it: which channel feeds
// each comb unit, the output groups, the early allpasses' inputs and the
// gains of the diffuser and the output mix.
//
// Threads: constants only.
#pragma once

#include "Plate.h"

namespace plate_network
{
constexpr int32_t kLeft = 0;
constexpr int32_t kRight = 1;

// Input channel of each comb unit: 0..11 alternate left, right from the
// left; 12..23 from the right. Even units close their loop through the
// inverting allpass, odd ones through the allpass with -g on -y.
constexpr int32_t kUnitInput[Plate::kCombUnits] = {kLeft,  kRight, kLeft,  kRight, kLeft,  kRight, kLeft,  kRight,
                                                   kLeft,  kRight, kLeft,  kRight, kRight, kLeft,  kRight, kLeft,
                                                   kRight, kLeft,  kRight, kLeft,  kRight, kLeft,  kRight, kLeft};

// The three comb units of each output group, in summation order.
constexpr int32_t kGroupUnitList[2][Plate::kGroups][Plate::kGroupUnits] = {
    {{1, 0, 14}, {15, 4, 5}, {19, 18, 8}, {22, 9, 23}},
    {{13, 12, 2}, {16, 3, 17}, {7, 6, 20}, {21, 10, 11}},
};

// Inputs of the early allpasses: terms summed in this order, each read at one
// of the channel's own early taps, on its own tone ring or on the other
// channel's (E1's tap 5 and all of E4's cross over).
struct EarlyTerm
{
    bool otherSide;
    int32_t tap;
    double weight;
};

struct EarlyAllpass
{
    double lengthUnits; // times P
    double gainScale;   // times apGain; the sign selects the allpass form
    int32_t terms;
    EarlyTerm term[4];
};

constexpr EarlyAllpass kEarlyAllpassTable[2][Plate::kEarlyAllpasses] = {
    {
        {0.39300000585615635, -0.7, 2, {{true, 5, 0.5}, {false, 0, 0.5}}},
        {0.4350000064820051, 0.79, 1, {{false, 1, 0.4}}},
        {0.6630000098794698, -0.84, 3, {{false, 3, 0.32}, {false, 2, 0.35}, {false, 4, 0.2}}},
        {0.7710000114887952, 0.92, 4, {{true, 6, 0.31}, {true, 7, 0.29}, {true, 8, 0.28}, {true, 9, 0.27}}},
    },
    {
        {0.3900000058114529, -0.7, 2, {{true, 5, 0.5}, {false, 0, 0.5}}},
        {0.4380000065267086, 0.79, 1, {{false, 1, 0.4}}},
        {0.6690000099688768, -0.84, 3, {{false, 2, 0.35}, {false, 3, 0.32}, {false, 4, 0.2}}},
        {0.7650000113993882, 0.92, 4, {{true, 6, 0.31}, {true, 7, 0.29}, {true, 8, 0.28}, {true, 9, 0.27}}},
    },
};

constexpr float kDiffuserGain = 0.5f;
constexpr double kEarlyMix = 3.0;
constexpr double kWetScale = 0.07268;
} // namespace plate_network
