#include "Ambience.h"

#include "ReverbEngine.h"

void Ambience::prepare(ReverbEngine& engine)
{
    engine.beginPrepareWide();
}

void Ambience::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Ambience::clear(ReverbEngine&, StateClear)
{
}
