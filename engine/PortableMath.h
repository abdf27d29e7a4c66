#pragma once

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
double log10(double x);
float log10f(float x);
// Accurate for |x| up to about 1e9 radians, which covers every phase the
// engine and its tests use.
double sin(double x);
double cos(double x);
} // namespace portable
