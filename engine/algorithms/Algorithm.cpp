#include "Algorithm.h"

#include "ReverbEngine.h"

void runSilentNetwork(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR,
                      int32_t m)
{
    for (int32_t i = 0; i < m; ++i)
    {
        engine.noise.next();
        const PreDelayed x = engine.preDelay(inL[i], inR[i]);
        engine.toneLeft(x.left);
        engine.toneRight(x.right);
        wetL[i] = 0.0f;
        wetR[i] = 0.0f;
        engine.advancePositions();
    }
}
