#include "Hall.h"

#include "ReverbEngine.h"

void Hall::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Hall::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Hall::clear(ReverbEngine&, StateClear)
{
}
