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
    template <int32_t N>
    friend class BiquadLanes;

    double fs = 44100.0;
    int32_t kind = kHighpass;
    double freq = 1000.0;
    double q = 0.5;
    double gainDb = 0.0;
    double e = 1e-14;
    double a0 = 1.0, a1 = 0.0, a2 = 0.0, b0 = 1.0, b1 = 0.0, b2 = 0.0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

// N Biquads side by side in the lanes of one vector: exactly the steps of
// Biquad::process, one filter per lane. Loaded from the filters before a run
// of samples and stored back after it.
template <int32_t N>
struct DoubleLanes;
template <>
struct DoubleLanes<2>
{
    using Type = double __attribute__((vector_size(16)));
};
template <>
struct DoubleLanes<4>
{
    using Type = double __attribute__((vector_size(32)));
};

template <int32_t N>
class BiquadLanes
{
public:
    using Lanes = typename DoubleLanes<N>::Type;

    // Filter *filters[l] in lane l.
    void load(const Biquad* const (&filters)[N])
    {
        for (int32_t l = 0; l < N; ++l)
        {
            const Biquad& f = *filters[l];
            b0[l] = f.b0, b1[l] = f.b1, b2[l] = f.b2, a1[l] = f.a1, a2[l] = f.a2;
            e[l] = f.e, x1[l] = f.x1, x2[l] = f.x2, y1[l] = f.y1, y2[l] = f.y2;
        }
    }
    void store(Biquad* const (&filters)[N]) const
    {
        for (int32_t l = 0; l < N; ++l)
        {
            Biquad& f = *filters[l];
            f.e = e[l], f.x1 = x1[l], f.x2 = x2[l], f.y1 = y1[l], f.y2 = y2[l];
        }
    }
    void load(const Biquad& first, const Biquad& second)
        requires(N == 2)
    {
        load({&first, &second});
    }
    void store(Biquad& first, Biquad& second) const
        requires(N == 2)
    {
        store({&first, &second});
    }

    // x in, the filters' outputs out: in place, since the baseline build
    // passes no wider vector by value.
    void step(Lanes& x)
    {
        e = -e;
        const Lanes y = b0 * (x + e) + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x + e;
        y2 = y1;
        y1 = y + e;
        x = y;
    }
    Lanes process(Lanes x)
        requires(N == 2)
    {
        step(x);
        return x;
    }

private:
    Lanes b0{}, b1{}, b2{}, a1{}, a2{}, e{}, x1{}, x2{}, y1{}, y2{};
};

// Two in the lanes of one SSE2 register.
using BiquadPair = BiquadLanes<2>;
