#include "Resampler.h"

#include <algorithm>

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
    return history[(index + ago) & ResamplerState::kMask];
}
} // namespace

void ResamplerState::clearHistories()
{
    std::fill_n(decimatorL, kHistory, 0.0f);
    std::fill_n(decimatorR, kHistory, 0.0f);
    std::fill_n(interpolatorL, kHistory, 0.0f);
    std::fill_n(interpolatorR, kHistory, 0.0f);
}

void ResamplerState::reset()
{
    clearHistories();
    decimatorIndex = kMask;
    interpolatorIndex = kMask;
    decimatorPhase = 0;
    interpolatorPhase = 0;
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

void decimateBy2Run(const float* line, int32_t first, int32_t count, float* out)
{
    using Floats = float __attribute__((vector_size(16)));
    using Doubles = double __attribute__((vector_size(16)));
    constexpr int32_t kLanes = 4;
    // The running sum rounded to single precision after every term, as in
    // decimateBy2; lanes 0, 1 and 2, 3 in double pairs.
    const auto step = [](Floats sum, Floats x, double c) {
        const Doubles low = __builtin_convertvector(__builtin_shufflevector(sum, sum, 0, 1), Doubles) +
                            __builtin_convertvector(__builtin_shufflevector(x, x, 0, 1), Doubles) * c;
        const Doubles high = __builtin_convertvector(__builtin_shufflevector(sum, sum, 2, 3), Doubles) +
                             __builtin_convertvector(__builtin_shufflevector(x, x, 2, 3), Doubles) * c;
        using Pair = float __attribute__((vector_size(8)));
        const Pair lowSum = __builtin_convertvector(low, Pair);
        const Pair highSum = __builtin_convertvector(high, Pair);
        return __builtin_shufflevector(lowSum, highSum, 0, 1, 2, 3);
    };
    for (int32_t o = 0; o < count; o += kLanes)
    {
        // A last group shorter than the lanes repeats its last output.
        int32_t at[kLanes];
        for (int32_t l = 0; l < kLanes; ++l)
            at[l] = first + 2 * std::min(o + l, count - 1);
        const auto ago = [&](int32_t k) {
            return Floats{line[at[0] - k], line[at[1] - k], line[at[2] - k], line[at[3] - k]};
        };
        Floats sum = {};
        for (int32_t k = 0; k < 15; ++k)
            sum = step(sum, ago(k) + ago(30 - k), kDecimator2[k]);
        const Floats result = step(sum, ago(15), kDecimator2Centre);
        for (int32_t l = 0; l < kLanes && o + l < count; ++l)
            out[o + l] = result[l];
    }
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
