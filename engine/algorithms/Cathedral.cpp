#include "Cathedral.h"

#include "ReverbEngine.h"

void Cathedral::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Cathedral::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Cathedral::clear(ReverbEngine&, StateClear)
{
}
