#include "Chamber.h"

#include "ReverbEngine.h"

void Chamber::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Chamber::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Chamber::clear(ReverbEngine&, StateClear)
{
}
