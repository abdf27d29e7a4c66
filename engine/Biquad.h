// Second-order filter in double precision (direct form I), used as the DC
// blocker of the wet signal and as the phase-dispersing allpasses of the plate.
// A tiny offset that changes sign on every sample keeps the recursion out of
// the denormal range.
//
// Threads: construction and setRate on the control thread while no block
// runs; everything else on the audio thread.
#pragma once

#include <cstdint>

class Biquad
{
public:
    enum Kind : int32_t
    {
        kHighpass = 1,
        kAllpass = 10,
    };

    Biquad() = default;
    // The gain (dB) is kept but shapes neither kind.
    Biquad(double rate, int32_t kind, double frequency, double q, double gainDb);

    // Stores the rate, recomputes the coefficients and clears the state.
    void setRate(double rate);
    // Recomputes the coefficients from the stored settings; keeps the state.
    void recompute();
    void clear() { x1 = x2 = y1 = y2 = 0.0; }

    double process(double x)
    {
        e = -e;
        const double y = b0 * (x + e) + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x + e;
        y2 = y1;
        y1 = y + e;
        return y;
    }

    double rate() const { return fs; }
    double frequency() const { return freq; }

private:
    friend class BiquadPair;

    double fs = 44100.0;
    int32_t kind = kHighpass;
    double freq = 1000.0;
    double q = 0.5;
    double gainDb = 0.0;
    double e = 1e-14;
    double a0 = 1.0, a1 = 0.0, a2 = 0.0, b0 = 1.0, b1 = 0.0, b2 = 0.0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

// Two Biquads side by side in the lanes of one SSE2 register: exactly the
// steps of Biquad::process, one filter per lane. Loaded from the filters
// before a run of samples and stored back after it.
class BiquadPair
{
public:
    using Lanes = double __attribute__((vector_size(16)));

    void load(const Biquad& first, const Biquad& second)
    {
        b0 = Lanes{first.b0, second.b0};
        b1 = Lanes{first.b1, second.b1};
        b2 = Lanes{first.b2, second.b2};
        a1 = Lanes{first.a1, second.a1};
        a2 = Lanes{first.a2, second.a2};
        e = Lanes{first.e, second.e};
        x1 = Lanes{first.x1, second.x1};
        x2 = Lanes{first.x2, second.x2};
        y1 = Lanes{first.y1, second.y1};
        y2 = Lanes{first.y2, second.y2};
    }
    void store(Biquad& first, Biquad& second) const
    {
        storeLane(first, 0);
        storeLane(second, 1);
    }

    Lanes process(Lanes x)
    {
        e = -e;
        const Lanes y = b0 * (x + e) + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x + e;
        y2 = y1;
        y1 = y + e;
        return y;
    }

private:
    void storeLane(Biquad& filter, int32_t lane) const
    {
        filter.e = e[lane];
        filter.x1 = x1[lane];
        filter.x2 = x2[lane];
        filter.y1 = y1[lane];
        filter.y2 = y2[lane];
    }

    Lanes b0{}, b1{}, b2{}, a1{}, a2{}, e{}, x1{}, x2{}, y1{}, y2{};
};
