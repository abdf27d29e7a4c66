#include "Biquad.h"
#include "PortableMath.h"

#include <cmath>

Biquad::Biquad(double rate, int32_t filterKind, double frequency, double quality, double gain)
    : fs(rate), kind(filterKind), freq(frequency), q(quality), gainDb(gain)
{
    recompute();
}

void Biquad::setRate(double rate)
{
    fs = rate;
    recompute();
    clear();
}

void Biquad::recompute()
{
    const double w = 2.0 * 3.141592653589793 * freq / fs;
    const double cs = portable::cos(w);
    const double alpha = portable::sin(w) / (2.0 * q);
    a0 = 1.0 + alpha;
    a1 = -2.0 * cs / a0;
    a2 = (1.0 - alpha) / a0;
    if (kind == kAllpass)
    {
        b0 = (1.0 - alpha) / a0;
        b1 = -2.0 * cs / a0;
        b2 = 1.0;
    }
    else
    {
        b0 = (1.0 + cs) / 2.0 / a0;
        b1 = -(1.0 + cs) / a0;
        b2 = (1.0 + cs) / 2.0 / a0;
    }
}
