#include "Spring.h"

#include "ReverbEngine.h"

void Spring::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Spring::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Spring::clear(ReverbEngine&, StateClear)
{
}
