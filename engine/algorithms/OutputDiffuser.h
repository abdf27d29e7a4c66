// Four lattice allpasses in series with gains +g, -g, +g, -g, each on its own
// ring of 16384 samples: the output diffuser of one channel of the Room and
// the Hall. With g = 0 it is a plain delay of the four tap distances.
#pragma once

#include "DspElements.h"

#include <cstdint>

struct OutputDiffuser
{
    static constexpr int32_t kStages = 4;

    int32_t taps[kStages] = {};

    void place(int32_t writePos, const double (&lengths)[kStages])
    {
        for (int32_t s = 0; s < kStages; ++s)
            taps[s] = placeTap(writePos, lengths[s]);
    }

    void advance()
    {
        for (int32_t& tap : taps)
            tap = advanceTap(tap);
    }

    float process(float* const (&rings)[kStages], int32_t writePos, float g, float x)
    {
        x = latticeAllpass(rings[0], taps[0], writePos, g, x);
        x = latticeAllpass(rings[1], taps[1], writePos, -g, x);
        x = latticeAllpass(rings[2], taps[2], writePos, g, x);
        return latticeAllpass(rings[3], taps[3], writePos, -g, x);
    }
};
