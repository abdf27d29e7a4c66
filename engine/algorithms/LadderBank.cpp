#include "LadderBank.h"

#include "ReverbEngine.h"
#include "PortableMath.h"

#include <cmath>

float ladderLoopGain(ReverbEngine& engine, float decay, double exponent)
{
    return static_cast<float>(engine.pow(engine.pow(1.0198, std::sqrt(static_cast<double>(decay))) / 1.0205, exponent));
}

void attachLatticeDiffusers(LatticeDiffuser (&diffusers)[2], RingPool& pool, int32_t firstRing,
                            const double (&lengths)[2][LatticeDiffuser::kStages], int32_t writePos, bool& alike)
{
    for (int32_t channel = 0; channel < 2; ++channel)
    {
        for (int32_t stage = 0; stage < LatticeDiffuser::kStages; ++stage)
        {
            diffusers[channel].ring[stage] = pool.shortRing(firstRing + channel * LatticeDiffuser::kStages + stage);
            diffusers[channel].taps.place(stage, writePos, lengths[channel][stage], alike);
        }
    }
}
