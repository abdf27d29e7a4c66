// The small signal-processing elements every algorithm is built from. Each is
// a value type or an inline function with its per-sample step written out in
// the order the engine's output depends on: single precision unless a step
// says double, no branches beyond the level follower's choice of coefficient,
// masks for ring addressing.
//
// Threads: audio thread only (prepare and kernels); nothing here allocates.
#pragma once

#include <cmath>
#include "PortableMath.h"
#include <cstdint>

// Ring geometry. Short rings hold 16384 samples and share the write position
// `ringPos`; small rings hold 2048 samples at the low 11 bits of the same
// positions; long rings hold 65536 samples and use 16-bit positions.
constexpr int32_t kShortRingSize = 16384;
constexpr int32_t kShortRingMask = kShortRingSize - 1;
constexpr int32_t kSmallRingSize = 2048;
constexpr int32_t kSmallRingMask = kSmallRingSize - 1;
constexpr int32_t kLongRingSize = 65536;
constexpr int32_t kLongRingMask = kLongRingSize - 1;

// Keeps every recursive path out of the denormal range: one value in
// [-1e-8, 1e-8) per kernel sample from three xorshift-style registers that are
// never reset.
struct NoiseSource
{
    uint32_t s1 = 592;
    uint32_t s2 = 153768;
    uint32_t s3 = 1526;
    float value = 0.0f;

    float next()
    {
        s1 = (((s1 >> 6) ^ (s1 >> 15)) & 0x1fffu) ^ (s1 << 13);
        s2 = (((s2 >> 7) ^ (s2 >> 9)) & 0xfffffu) ^ (s2 << 20);
        s3 = (((s3 >> 8) ^ (s3 >> 14)) & 0x1ffffu) ^ (s3 << 17);
        const uint32_t u = s1 ^ s2 ^ s3;
        value = static_cast<float>(((static_cast<double>(u) * 2.3283064365e-10) * 2.0 - 1.0) * 1e-8);
        return value;
    }
};

// Tap placement: the read position that lies `length` samples behind the
// write position, truncated toward zero, so the tap yields the sample written
// ceil(length) samples earlier when read before the write of the sample.
inline int32_t placeTap(int32_t writePos, double length)
{
    return static_cast<int32_t>(static_cast<double>(writePos) - length + static_cast<double>(kShortRingSize)) &
           kShortRingMask;
}

inline int32_t placeLongTap(int32_t writePos, double length)
{
    return static_cast<int32_t>(static_cast<double>(writePos) - length + static_cast<double>(kLongRingSize)) &
           kLongRingMask;
}

// Whether placeTap (or placeLongTap on a ring of that size) puts a tap of
// this length the same distance behind every write position below 65536: a
// whole length, or one whose fraction keeps far clearer of whole numbers than
// the placement's two roundings (under 2^-35) can move it. A prepare may
// then leave such taps where they are, advanced with the write position,
// instead of placing them again.
inline bool placesAlike(double length, int32_t ringSize)
{
    if (!(length >= 0.0 && length < static_cast<double>(ringSize)))
        return false;
    const double fraction = length - std::floor(length);
    return fraction == 0.0 || (fraction > 0x1p-20 && fraction < 1.0 - 0x1p-20);
}

inline int32_t placeTap(int32_t writePos, double length, bool& alike)
{
    alike = alike && placesAlike(length, kShortRingSize);
    return placeTap(writePos, length);
}

inline int32_t advanceTap(int32_t tap) { return (tap + 1) & kShortRingMask; }
inline int32_t advanceLongTap(int32_t tap) { return (tap + 1) & kLongRingMask; }

// Coefficient of a one-pole section whose impulse response falls to 0.005
// (-46 dB) after 1/f seconds.
inline double poleFor(double frequency, double rate)
{
    return portable::pow(0.005, frequency / rate);
}

struct OnePoleLowpass
{
    float y = 0.0f;

    float process(float x, float c)
    {
        y = (y - x) * c + x;
        return y;
    }
};

struct OnePoleHighpass
{
    float x1 = 0.0f;
    float y1 = 0.0f;

    float process(float x, float c)
    {
        // The first product is formed in double; c * y1 stays single.
        const double scaled = static_cast<double>(x - x1) * (static_cast<double>(c) + 1.0) * 0.5;
        const float y = static_cast<float>(scaled + static_cast<double>(c * y1));
        x1 = x;
        y1 = y;
        return y;
    }
};

// First-order shelves; a gain of 1 passes the signal (plus noise).
struct HighShelf
{
    OnePoleLowpass lowpass;

    float process(float x, float lpCoef, float highGain, float noise)
    {
        const float lp = lowpass.process(x, lpCoef);
        return (x - lp) * highGain + lp + noise;
    }
};

struct LowShelf
{
    OnePoleHighpass highpass;

    float process(float x, float hpCoef, float lowGain, float noise)
    {
        const float hp = highpass.process(x, hpCoef);
        return (x - hp) * lowGain + hp + noise;
    }
};

// The tone shaping of one channel's pre-delayed input: high shelf, then low shelf.
struct ToneStage
{
    HighShelf high;
    LowShelf low;

    float process(float x, float lpCoef, float highGain, float hpCoef, float lowGain, float noise)
    {
        return low.process(high.process(x, lpCoef, highGain, noise), hpCoef, lowGain, noise);
    }
};

// Damping inside feedback loops; d = 1 passes x plus noise.
struct DampingLowpass
{
    float y = 0.0f;

    float process(float x, float d, float noise)
    {
        y = (x - y) * d + noise + y;
        return y;
    }
};

// Schroeder allpass on `ring`, read at `tap` before the write at `writePos`.
inline float allpass(float* ring, int32_t tap, int32_t writePos, float g, float x)
{
    const float delayed = ring[tap];
    const float v = x + g * delayed;
    ring[writePos] = v;
    return delayed - g * v;
}

// The allpass that feeds back g * delayed - x.
inline float invertingAllpass(float* ring, int32_t tap, int32_t writePos, float g, float x)
{
    const float delayed = ring[tap];
    const float v = g * delayed - x;
    ring[writePos] = v;
    return delayed - g * v;
}

// The output-first form of the allpass: same response from cleared rings, the
// ring holds x + g * out.
inline float latticeAllpass(float* ring, int32_t tap, int32_t writePos, float g, float x)
{
    const float out = ring[tap] - g * x;
    ring[writePos] = x + g * out;
    return out;
}

// Level follower: fast attack while the level rises, slow release otherwise.
struct EnvelopeFollower
{
    float env = 0.0f;
    float attack = 0.0f;  // poleFor(1000)
    float release = 0.0f; // poleFor(10)

    float process(float level)
    {
        const float c = env < level ? attack : release;
        env = (env - level) * c + level;
        return env;
    }
};

// Linear congruential generator that jitters early-reflection taps. Reseeded
// at every prepare that uses it, so tap positions repeat exactly.
struct TapJitter
{
    static constexpr uint32_t kSeed = 31767;
    uint32_t state = kSeed;

    void seed() { state = kSeed; }

    int32_t next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFFu);
    }
};
