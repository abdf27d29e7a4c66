// The vector lanes of the resampler's runs: outputs side by side, the
// conversions between single and double precision, the lines split by
// phase, and a run's turns. Only Resampler.cpp includes it; its wide builds
// inline all of it.
//
// Threads: audio thread.
#pragma once

#include "KernelPath.h"
#include "Resampler.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>
#include <iterator>
#include <type_traits>

namespace resampler_lanes
{
// Outputs side by side in groups of four, a group in single precision in
// one register; in double precision the baseline build holds a group in two
// SSE2 registers, the wide builds (AVX2, AVX-512) in one. A turn of a run
// takes groups of both channels, independent chains of operations, so the
// processor works on some while the others wait for their results: one
// group per channel in the baseline build, which its conversions keep busy
// enough, four in the wide builds.
using Floats = float __attribute__((vector_size(16)));
using Doubles = double __attribute__((vector_size(16)));
using Doubles4 = double __attribute__((vector_size(32)));
template <bool kWide>
constexpr int32_t kGroupsPerChannel = kWide ? 4 : 1;
template <bool kWide>
constexpr int32_t kGroups = 2 * kGroupsPerChannel<kWide>;
// Outputs of a channel in one turn, at most.
constexpr int32_t kMostPerTurn = 4 * kGroupsPerChannel<true>;

template <bool kWide>
struct Lanes
{
    Floats v[kGroups<kWide>];
};

template <bool kWide>
struct WideLanes;

template <>
struct WideLanes<false>
{
    Doubles v[2 * kGroups<false>];
};

template <>
struct WideLanes<true>
{
    Doubles4 v[kGroups<true>];
};

template <bool kWide>
inline Lanes<kWide> operator+(const Lanes<kWide>& a, const Lanes<kWide>& b)
{
    Lanes<kWide> sum;
    for (int32_t g = 0; g < kGroups<kWide>; ++g)
        sum.v[g] = a.v[g] + b.v[g];
    return sum;
}

inline WideLanes<false> widen(const Lanes<false>& x)
{
    WideLanes<false> wide;
    for (int32_t g = 0; g < kGroups<false>; ++g)
    {
        wide.v[2 * g] = _mm_cvtps_pd(x.v[g]);
        wide.v[2 * g + 1] = _mm_cvtps_pd(_mm_movehl_ps(x.v[g], x.v[g]));
    }
    return wide;
}

[[gnu::target(CORVANTA_AVX2_TARGET)]] inline WideLanes<true> widen(const Lanes<true>& x)
{
    WideLanes<true> wide;
    for (int32_t g = 0; g < kGroups<true>; ++g)
        wide.v[g] = _mm256_cvtps_pd(x.v[g]);
    return wide;
}

inline Lanes<false> narrow(const WideLanes<false>& x)
{
    Lanes<false> lanes;
    for (int32_t g = 0; g < kGroups<false>; ++g)
        lanes.v[g] = _mm_movelh_ps(_mm_cvtpd_ps(x.v[2 * g]), _mm_cvtpd_ps(x.v[2 * g + 1]));
    return lanes;
}

[[gnu::target(CORVANTA_AVX2_TARGET)]] inline Lanes<true> narrow(const WideLanes<true>& x)
{
    Lanes<true> lanes;
    for (int32_t g = 0; g < kGroups<true>; ++g)
        lanes.v[g] = _mm256_cvtpd_ps(x.v[g]);
    return lanes;
}

// Each lane rounded to single precision and back.
inline WideLanes<false> rounded(const WideLanes<false>& x)
{
    WideLanes<false> r;
    for (int32_t h = 0; h < 2 * kGroups<false>; ++h)
        r.v[h] = _mm_cvtps_pd(_mm_cvtpd_ps(x.v[h]));
    return r;
}

[[gnu::target(CORVANTA_AVX2_TARGET)]] inline WideLanes<true> rounded(const WideLanes<true>& x)
{
    WideLanes<true> r;
    for (int32_t g = 0; g < kGroups<true>; ++g)
        r.v[g] = _mm256_cvtps_pd(_mm256_cvtpd_ps(x.v[g]));
    return r;
}

template <bool kWide>
inline WideLanes<kWide> operator+(const WideLanes<kWide>& a, const WideLanes<kWide>& b)
{
    WideLanes<kWide> r;
    for (size_t h = 0; h < std::size(r.v); ++h)
        r.v[h] = a.v[h] + b.v[h];
    return r;
}

template <bool kWide>
inline WideLanes<kWide> operator-(const WideLanes<kWide>& a, const WideLanes<kWide>& b)
{
    WideLanes<kWide> r;
    for (size_t h = 0; h < std::size(r.v); ++h)
        r.v[h] = a.v[h] - b.v[h];
    return r;
}

template <bool kWide>
inline WideLanes<kWide> operator*(const WideLanes<kWide>& a, double c)
{
    WideLanes<kWide> r;
    for (size_t h = 0; h < std::size(r.v); ++h)
        r.v[h] = a.v[h] * c;
    return r;
}

// A run on the kernel path's build: body(std::bool_constant<wide>).
template <typename Body>
void onPath(KernelPath path, const Body& body)
{
    const auto baseline = [&body] { body(std::false_type{}); };
    const auto wide = [&body] { body(std::true_type{}); };
    switch (path)
    {
    case KernelPath::Avx2: runForAvx2(wide); return;
    case KernelPath::Avx512: runForAvx512(wide); return;
    default: baseline(); return;
    }
}

// The line of one run of outputs o = 0..count-1, output o at line position
// first + kStride * o and reading back to kReach samples before it, split
// by phase so that the samples k before four outputs in a row lie side by
// side: sub-line b holds line[first - b + kStride * (j - kAhead)] at j. With
// a stride of 1 the line itself serves.
template <int32_t kStride, int32_t kReach>
struct Split
{
    static constexpr int32_t kAhead = (kReach + kStride - 1) / kStride;
    const float* channel[2];
    int32_t span;

    Split(const ResamplerLines& lines, int32_t first, int32_t count)
    {
        static_assert(ResamplerHistory::kLead >= kReach + 2 * (kStride - 1), "the lead covers the reach");
        if constexpr (kStride == 1)
        {
            channel[0] = lines.line[0] + first - kAhead;
            channel[1] = lines.line[1] + first - kAhead;
            span = 0;
        }
        else
        {
            // The last turn may read kMostPerTurn - 1 outputs past the last.
            span = kAhead + count + kMostPerTurn;
            for (int32_t c = 0; c < 2; ++c)
            {
                const float* line = lines.line[c] + first - kStride * kAhead;
                for (int32_t b = 0; b < kStride; ++b)
                    for (int32_t j = 0; j < span; ++j)
                        lines.split[c][b * span + j] = line[kStride * j - b];
                channel[c] = lines.split[c];
            }
        }
    }

    // Four samples k before outputs o..o + 3 of a channel.
    __attribute__((always_inline)) Floats ago(int32_t c, int32_t o, int32_t k) const
    {
        Floats v;
        std::memcpy(&v, channel[c] + (k % kStride) * span + kAhead + o - k / kStride, sizeof v);
        return v;
    }
};

// ago(k) of the turn of outputs from o: the samples k before them, group g
// holding channel g / kPerChannel, outputs from o + 4 (g % kPerChannel).
template <bool kWide, typename SplitLine>
__attribute__((always_inline)) inline auto turnAgo(const SplitLine& split, int32_t o)
{
    return [o, &split](int32_t k) __attribute__((always_inline)) {
        constexpr int32_t kPerChannel = kGroupsPerChannel<kWide>;
        Lanes<kWide> lanes;
        for (int32_t g = 0; g < kGroups<kWide>; ++g)
            lanes.v[g] = split.ago(g / kPerChannel, o + 4 * (g % kPerChannel), k);
        return lanes;
    };
}

// The outputs of a split line into out[outStride * o] for both channels,
// a turn's groups at a time; formula(ago) gives the outputs from ago(k),
// the samples k places before theirs.
template <bool kWide, int32_t kStride, int32_t kReach, typename Formula>
void runInLanes(const Split<kStride, kReach>& split, int32_t count, float* outL, float* outR, int32_t outStride,
                Formula formula)
{
    constexpr int32_t kPerChannel = kGroupsPerChannel<kWide>;
    for (int32_t o = 0; o < count; o += 4 * kPerChannel)
    {
        const auto result = formula(turnAgo<kWide>(split, o));
        const int32_t outputs = std::min(4 * kPerChannel, count - o);
        if (outStride == 1 && outputs == 4 * kPerChannel)
        {
            for (int32_t g = 0; g < kPerChannel; ++g)
            {
                std::memcpy(outL + o + 4 * g, &result.v[g], sizeof(Floats));
                std::memcpy(outR + o + 4 * g, &result.v[kPerChannel + g], sizeof(Floats));
            }
            continue;
        }
        for (int32_t l = 0; l < outputs; ++l)
        {
            outL[outStride * (o + l)] = result.v[l / 4][l % 4];
            outR[outStride * (o + l)] = result.v[kPerChannel + l / 4][l % 4];
        }
    }
}
} // namespace resampler_lanes
