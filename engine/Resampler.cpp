#include "Resampler.h"
#include "ResamplerLanes.h"

#include <algorithm>
#include <cstring>

using namespace resampler_lanes;

namespace
{
// Coefficients of the symmetric pairs h[k] + h[30 - k], k = 0..14; h[15] last.
constexpr double kDecimator2[15] = {0.0018,  0.007,   -0.0025, -0.016, -0.0012, 0.029,   0.01,  -0.032,
                                    -0.0242, 0.0372,  0.0478,  -0.0408, -0.0962, 0.0428, 0.314};
constexpr double kDecimator2Centre = 0.455;

// Pairs g[k] + g[30 - k] for even k = 0..14; g[15] has the coefficient 1.
constexpr double kInterpolator2[8] = {-0.004, 0.0106, -0.0268, 0.0524, -0.0812, 0.1224, -0.2097, 0.6351};

inline float at(const float* history, int32_t index, int32_t ago)
{
    return history[(index + ago) & ResamplerHistory::kMask];
}

// The per-sample filters below, in lanes: the same operations in the same
// order in every lane.
const auto decimatedBy2 = [](auto ago) __attribute__((always_inline)) {
    // The running sum is rounded to single precision after every term.
    decltype(widen(ago(0))) sum = {};
#pragma GCC unroll 16
    for (int32_t k = 0; k < 15; ++k)
        sum = rounded(sum + widen(ago(k) + ago(30 - k)) * kDecimator2[k]);
    return narrow(sum + widen(ago(15)) * kDecimator2Centre);
};

const auto decimatedBy4 = [](auto ago) __attribute__((always_inline)) {
    const auto sum = widen(ago(3) + ago(9)) * 0.183443 + widen(ago(4) + ago(8)) * 0.516773 +
                     widen(ago(5) + ago(7)) * 0.855737 + widen(ago(6));
    return narrow(sum * 0.25);
};

// Factor 2, at a host sample that takes a wet sample, over the line of wet
// samples alone: ago(k) there is the wet sample k takes back, 2k host
// samples. The stuffed zero 15 host samples back is a +0 every lane adds.
const auto interpolatedBy2 = [](auto ago) __attribute__((always_inline)) {
    decltype(widen(ago(0))) sum = {};
#pragma GCC unroll 8
    for (int32_t k = 0; k < 8; ++k)
        sum = sum + widen(ago(k) + ago(15 - k)) * kInterpolator2[k];
    const decltype(ago(0)) stuffedZero = {};
    return narrow(sum + widen(stuffedZero));
};


// Factor 2, at a host sample that takes none: every term but the last reads
// stuffed zeros, +0 each, whose products sum to +0, so the output is +0 + x
// for the wet sample x 15 host samples back: ago(7) on the wet line.
const auto betweenTakesBy2 = [](auto ago) __attribute__((always_inline)) {
    decltype(widen(ago(0))) zero = {};
    return narrow(zero + widen(ago(7)));
};

// Factor 4: the formula of the phase after the step.
template <int32_t kPhase>
struct InterpolatedBy4
{
    template <typename Ago>
    __attribute__((always_inline)) auto operator()(Ago ago) const
    {
        const auto g = [&ago](int32_t k) { return widen(ago(k)); };
        if constexpr (kPhase == 0)
            return narrow(g(0) * -0.015 - g(12) * 0.0744 + g(4) * 0.2351 + g(8) * 0.8732);
        else if constexpr (kPhase == 1)
            return narrow(widen(ago(1) + ago(13)) * -0.0531 + widen(ago(5) + ago(9)) * 0.5621);
        else if constexpr (kPhase == 2)
            return narrow(g(14) * -0.015 - g(2) * 0.0744 + g(10) * 0.2351 + g(6) * 0.8732);
        else
            return ago(7);
    }
};

// Outputs of host samples first, first + stride, ... below n.
inline int32_t everyOf(int32_t first, int32_t stride, int32_t n)
{
    return first < n ? (n - 1 - first) / stride + 1 : 0;
}

inline int32_t phaseAfter(int32_t decimation, int32_t phase, int32_t n)
{
    return decimation == 1 ? (phase - n) & 1 : (phase + n) & 3;
}
} // namespace

void ResamplerHistory::clear()
{
    std::fill_n(left, kHistory, 0.0f);
    std::fill_n(right, kHistory, 0.0f);
}

void ResamplerHistory::reset()
{
    clear();
    index = kMask;
    phase = 0;
}

void ResamplerHistory::lead(float* lineL, float* lineR) const
{
    for (int32_t j = 1; j <= kLead; ++j)
    {
        lineL[kLead - j] = left[(index + j) & kMask];
        lineR[kLead - j] = right[(index + j) & kMask];
    }
}

void ResamplerHistory::store(const float* lineL, const float* lineR, int32_t n)
{
    // Older samples of the block would be overwritten within it.
    for (int32_t i = std::max(0, n - kHistory); i < n; ++i)
    {
        left[(index - i) & kMask] = lineL[kLead + i];
        right[(index - i) & kMask] = lineR[kLead + i];
    }
    index = (index - n) & kMask;
}

bool ResamplerHistory::isSilent() const
{
    bool silent = true;
    for (int32_t k = 0; k < kHistory; ++k)
        silent &= left[k] == 0.0f && right[k] == 0.0f;
    return silent;
}

void ResamplerState::clearHistories()
{
    decimator.clear();
    interpolator.clear();
}

void ResamplerState::reset()
{
    decimator.reset();
    interpolator.reset();
}

bool Decimator::step(int32_t decimation, float inL, float inR, float& outL, float& outR)
{
    left[index] = inL;
    right[index] = inR;
    bool due;
    if (decimation == 1)
    {
        phase = (phase - 1) & 1;
        due = phase == 1;
        if (due)
        {
            outL = decimateBy2(left, index);
            outR = decimateBy2(right, index);
        }
    }
    else
    {
        phase = (phase + 1) & 3;
        due = phase == 3;
        if (due)
        {
            outL = decimateBy4(left, index);
            outR = decimateBy4(right, index);
        }
    }
    index = (index - 1) & kMask;
    return due;
}

int32_t Decimator::run(KernelPath path, int32_t decimation, const ResamplerLines& lines, int32_t n, float* outL,
                       float* outR, bool compute)
{
    // The step of host sample i gives an output when its phase comes to 1
    // (factor 2) or 3 (factor 4).
    const int32_t stride = decimation + 1;
    const int32_t first = decimation == 1 ? phase : (2 - phase) & 3;
    const int32_t count = everyOf(first, stride, n);
    if (compute)
        onPath(path, [&](auto wide) {
            constexpr bool kWide = decltype(wide)::value;
            if (decimation == 1)
                runInLanes<kWide>(Split<2, 30>(lines, kLead + first, count), count, outL, outR, 1, decimatedBy2);
            else
                runInLanes<kWide>(Split<4, 9>(lines, kLead + first, count), count, outL, outR, 1, decimatedBy4);
        });
    store(lines.line[0], lines.line[1], n);
    phase = phaseAfter(decimation, phase, n);
    return count;
}

void Interpolator::step(int32_t decimation, WetSource& wet, bool wetDiscarded, float& outL, float& outR)
{
    bool takes;
    if (decimation == 1)
    {
        phase = (phase - 1) & 1;
        takes = phase == 1;
    }
    else
    {
        phase = (phase + 1) & 3;
        takes = phase == 0;
    }
    float nextL = 0.0f;
    float nextR = 0.0f;
    if (takes && wet.read < wet.end && !wetDiscarded)
    {
        nextL = wet.left[wet.read];
        nextR = wet.right[wet.read];
        ++wet.read;
    }
    left[index] = nextL;
    right[index] = nextR;
    if (decimation == 1)
    {
        outL = interpolateBy2(left, index);
        outR = interpolateBy2(right, index);
    }
    else
    {
        outL = interpolateBy4(left, index, phase);
        outR = interpolateBy4(right, index, phase);
    }
    index = (index - 1) & kMask;
}

void Interpolator::run(KernelPath path, int32_t decimation, WetSource& wet, int32_t n, const ResamplerLines& lines,
                       float* outL, float* outR, WetBlockerRun* blocking)
{
    // Host sample i takes a wet pair when its step brings the phase to 1
    // (factor 2) or 0 (factor 4); the other samples are stuffed with zeros.
    const int32_t stride = decimation + 1;
    const int32_t first = decimation == 1 ? phase : (3 - phase) & 3;
    const int32_t taken = std::min(everyOf(first, stride, n), wet.end - wet.read);
    const float* takenL = wet.left + wet.read;
    const float* takenR = wet.right + wet.read;
    wet.read += taken;

    // A silent history fed silence gives zeros. Their signs may differ from
    // the steps' (a stored -0 passes through at the factor of 4), but every
    // zero reads the same downstream: the DC blockers take x + e.
    bool silent = isSilent();
    for (int32_t j = 0; j < taken && silent; ++j)
        silent = takenL[j] == 0.0f && takenR[j] == 0.0f;
    if (silent)
    {
        std::fill_n(outL, n, 0.0f);
        std::fill_n(outR, n, 0.0f);
        skip(decimation, n);
        return;
    }

    if (decimation == 1)
    {
        runBy2(path, first, {takenL, takenR}, taken, n, lines, outL, outR, blocking);
        return;
    }
    float* const lineL = lines.line[0];
    float* const lineR = lines.line[1];
    lead(lineL, lineR);
    std::fill_n(lineL + kLead, n, 0.0f);
    std::fill_n(lineR + kLead, n, 0.0f);
    for (int32_t j = 0; j < taken; ++j)
    {
        lineL[kLead + first + stride * j] = takenL[j];
        lineR[kLead + first + stride * j] = takenR[j];
    }
    onPath(path, [&](auto wide) {
        constexpr bool kWide = decltype(wide)::value;
        // Host samples i, i + 4, ... share the phase after their steps and
        // so the formula.
        for (int32_t i = 0; i < 4 && i < n; ++i)
        {
            const int32_t count = everyOf(i, 4, n);
            const Split<4, 14> split(lines, kLead + i, count);
            switch ((phase + i + 1) & 3)
            {
            case 0: runInLanes<kWide>(split, count, outL + i, outR + i, 4, InterpolatedBy4<0>{}); break;
            case 1: runInLanes<kWide>(split, count, outL + i, outR + i, 4, InterpolatedBy4<1>{}); break;
            case 2: runInLanes<kWide>(split, count, outL + i, outR + i, 4, InterpolatedBy4<2>{}); break;
            default: runInLanes<kWide>(split, count, outL + i, outR + i, 4, InterpolatedBy4<3>{}); break;
            }
        }
    });
    store(lineL, lineR, n);
    phase = phaseAfter(decimation, phase, n);
}

void Interpolator::runBy2(KernelPath path, int32_t first, const TakenWet& wet, int32_t taken, int32_t n,
                          const ResamplerLines& lines, float* outL, float* outR, WetBlockerRun* blocking)
{
    // Only the wet samples, one every second host sample from `first`, are
    // laid out: w[j] at wetLine[kBefore + j], the kBefore taken before the
    // block first, and zeros where no wet sample came or a turn reads past.
    constexpr int32_t kBefore = 15;
    const int32_t count = everyOf(first, 2, n);
    const float* const history[2] = {left, right};
    const ResamplerLines wetLines{{lines.line[0], lines.line[1]}, {nullptr, nullptr}};
    for (int32_t c = 0; c < 2; ++c)
    {
        float* const wetLine = wetLines.line[c];
        // Wet sample -m was taken 2m - first host samples before the block.
        for (int32_t m = 1; m <= kBefore; ++m)
            wetLine[kBefore - m] = history[c][(index + 2 * m - first) & kMask];
        std::copy_n(wet.channel[c], taken, wetLine + kBefore);
        std::fill(wetLine + kBefore + taken, wetLine + kBefore + count + kMostPerTurn, 0.0f);
    }
    if (first == 1)
    {
        // Host sample 0 takes none: w[-8], 15 host samples back.
        const Lanes<false> x = {{Floats{wetLines.line[0][kBefore - 8]}, Floats{wetLines.line[1][kBefore - 8]}}};
        const WideLanes<false> zero = {};
        const Lanes<false> y = narrow(zero + widen(x));
        outL[0] = y.v[0][0];
        outR[0] = y.v[1][0];
    }
    const Split<1, kBefore> split(wetLines, kBefore, count);
    onPath(path, [&](auto wide) {
        constexpr bool kWide = decltype(wide)::value;
        constexpr int32_t kPerChannel = kGroupsPerChannel<kWide>;
        float* const out[2] = {outL, outR};
        // Host sample first + 2j takes w[j]; first + 2j + 1 takes none and
        // reads w[j - 7], 15 host samples back. A turn gives the outputs of
        // both kinds, interleaved into the host samples they belong to.
        for (int32_t o = 0; o < count; o += 4 * kPerChannel)
        {
            const auto ago = turnAgo<kWide>(split, o);
            const Lanes<kWide> taking = interpolatedBy2(ago);
            const Lanes<kWide> between = betweenTakesBy2(ago);
            for (int32_t g = 0; g < kGroups<kWide>; ++g)
            {
                const Floats pairs[2] = {__builtin_shufflevector(taking.v[g], between.v[g], 0, 4, 1, 5),
                                         __builtin_shufflevector(taking.v[g], between.v[g], 2, 6, 3, 7)};
                const int32_t at = first + 2 * (o + 4 * (g % kPerChannel));
                const int32_t room = n - at;
                float* const to = out[g / kPerChannel] + at;
                if (room >= 8)
                    std::memcpy(to, pairs, sizeof pairs);
                else
                    for (int32_t l = 0; l < room; ++l)
                        to[l] = pairs[l / 4][l % 4];
            }
            if (blocking)
                blocking->filterUpTo(std::min(n, first + 2 * (o + 4 * kPerChannel)));
        }
    });
    // The history as the steps leave it: the wet samples, and zeros between.
    for (int32_t i = std::max(0, n - kHistory); i < n; ++i)
    {
        const bool takes = ((i - first) & 1) == 0;
        left[(index - i) & kMask] = takes ? wetLines.line[0][kBefore + (i - first) / 2] : 0.0f;
        right[(index - i) & kMask] = takes ? wetLines.line[1][kBefore + (i - first) / 2] : 0.0f;
    }
    index = (index - n) & kMask;
    phase = phaseAfter(1, phase, n);
}

void Interpolator::skip(int32_t decimation, int32_t n)
{
    index = (index - n) & kMask;
    phase = phaseAfter(decimation, phase, n);
}

float decimateBy2(const float* history, int32_t index)
{
    // The running sum is rounded to single precision after every term.
    float sum = 0.0f;
    for (int32_t k = 0; k < 15; ++k)
    {
        const float pair = at(history, index, k) + at(history, index, 30 - k);
        sum = static_cast<float>(static_cast<double>(sum) + static_cast<double>(pair) * kDecimator2[k]);
    }
    return static_cast<float>(static_cast<double>(sum) +
                              static_cast<double>(at(history, index, 15)) * kDecimator2Centre);
}

float decimateBy4(const float* history, int32_t index)
{
    const double sum = static_cast<double>(at(history, index, 3) + at(history, index, 9)) * 0.183443 +
                       static_cast<double>(at(history, index, 4) + at(history, index, 8)) * 0.516773 +
                       static_cast<double>(at(history, index, 5) + at(history, index, 7)) * 0.855737 +
                       static_cast<double>(at(history, index, 6));
    return static_cast<float>(0.25 * sum);
}

float interpolateBy2(const float* history, int32_t index)
{
    double sum = 0.0;
    for (int32_t k = 0; k < 8; ++k)
        sum += static_cast<double>(at(history, index, 2 * k) + at(history, index, 30 - 2 * k)) * kInterpolator2[k];
    return static_cast<float>(sum + static_cast<double>(at(history, index, 15)));
}

float interpolateBy4(const float* history, int32_t index, int32_t phase)
{
    auto g = [history, index](int32_t ago) { return static_cast<double>(at(history, index, ago)); };
    switch (phase)
    {
    case 0:
        return static_cast<float>(-0.015 * g(0) - 0.0744 * g(12) + 0.2351 * g(4) + 0.8732 * g(8));
    case 1:
        return static_cast<float>(-0.0531 * static_cast<double>(at(history, index, 1) + at(history, index, 13)) +
                                  0.5621 * static_cast<double>(at(history, index, 5) + at(history, index, 9)));
    case 2:
        return static_cast<float>(-0.015 * g(14) - 0.0744 * g(2) + 0.2351 * g(10) + 0.8732 * g(6));
    default:
        return at(history, index, 7);
    }
}
