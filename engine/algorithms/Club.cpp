#include "Club.h"

#include "ReverbEngine.h"

void Club::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Club::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Club::clear(ReverbEngine&, StateClear)
{
}
