#include "Algorithm.h"

#include "ReverbEngine.h"

#include <bit>

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

bool ValueStamp::moved(double x)
{
    const auto b = std::bit_cast<uint64_t>(x);
    if (known && b == bits)
        return false;
    bits = b;
    known = true;
    return true;
}

bool LayoutStamp::current(const ReverbEngine& engine, int32_t ringTapDistance, int32_t inputTapDistance) const
{
    return known && std::bit_cast<uint64_t>(engine.internalRate) == rateBits && ringTapDistance == ringDistance &&
           inputTapDistance == inputDistance;
}

void LayoutStamp::placed(const ReverbEngine& engine, int32_t ringTapDistance, int32_t inputTapDistance, bool alike)
{
    rateBits = std::bit_cast<uint64_t>(engine.internalRate);
    ringDistance = ringTapDistance;
    inputDistance = inputTapDistance;
    known = alike;
}
