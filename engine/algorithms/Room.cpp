#include "Room.h"

#include "ReverbEngine.h"

void Room::prepare(ReverbEngine& engine)
{
    engine.beginPrepare();
}

void Room::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    runSilentNetwork(engine, inL, inR, wetL, wetR, m);
}

void Room::clear(ReverbEngine&, StateClear)
{
}
