#pragma once

#include <bit>
#include <cstdint>

// Transcendental functions that give the same bits on every platform.
//
// The C libraries we build against (glibc on Linux, mingw's on Windows) round
// pow, log10, sin and cos differently in the last bit for some inputs. Filter
// and decay coefficients are computed with these functions when the engine is
// prepared, so a single differing bit changes the rendered audio. These
// versions use only IEEE additions, subtractions, multiplications and
// divisions (plus exact scaling by powers of two), which round identically on
// every SSE2 target built with -ffp-contract=off. They evaluate in
// double-double (about 100 bits), so the result is the correctly rounded value
// except in astronomically rare ties, which also makes them agree with glibc
// for practically all inputs.
namespace portable
{
double pow(double x, double y);
// pow by its series alone, the road pow takes whenever its faster one cannot
// be sure of the rounding; for the tests that compare the two.
double powBySeries(double x, double y);
double log10(double x);
float log10f(float x);
// Accurate for |x| up to about 1e9 radians, which covers every phase the
// engine and its tests use.
double sin(double x);
double cos(double x);
} // namespace portable

namespace portable
{
// pow with the results of recent arguments kept: prepares run again after
// every parameter change, and most of their powers depend on values that did
// not change. A hit returns the very result pow gave for those argument bits;
// a miss (or a slot taken by other arguments) computes it. Not shared between
// threads: each owner keeps its own.
class PowCache
{
public:
    double operator()(double x, double y)
    {
        const uint64_t xBits = std::bit_cast<uint64_t>(x);
        const uint64_t yBits = std::bit_cast<uint64_t>(y);
        Entry& entry = entries[slot(xBits, yBits)];
        if (!entry.known || entry.x != xBits || entry.y != yBits)
            entry = {xBits, yBits, pow(x, y), true};
        return entry.result;
    }

private:
    static constexpr uint32_t kSlots = 64;
    struct Entry
    {
        uint64_t x = 0;
        uint64_t y = 0;
        double result = 0.0;
        bool known = false;
    };
    static uint32_t slot(uint64_t x, uint64_t y)
    {
        const uint64_t mixed = (x ^ (y * 0x9E3779B97F4A7C15u)) * 0xBF58476D1CE4E5B9u;
        return static_cast<uint32_t>(mixed >> 58) & (kSlots - 1);
    }

    Entry entries[kSlots];
};
} // namespace portable
