#include "ReverbSkeleton.h"

float dampingCoefficient(float highDamp)
{
    return static_cast<float>((1.0 - static_cast<double>(highDamp)) * 0.8 + 0.2);
}

float diffusionGain(float diffusion, double a, double b)
{
    return static_cast<float>(static_cast<double>(diffusion) * a * b);
}
