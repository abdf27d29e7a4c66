#include "Plate.h"

#include "ReverbEngine.h"

void Plate::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Plate::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Plate::clear(ReverbEngine&, StateClear)
{
}
