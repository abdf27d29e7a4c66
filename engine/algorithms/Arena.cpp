#include "Arena.h"

#include "ReverbEngine.h"

void Arena::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Arena::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Arena::clear(ReverbEngine&, StateClear)
{
}
