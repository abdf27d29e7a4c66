#include "Spectrogram.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

namespace
{
// 2048 samples: 23 Hz apart at 48 kHz, fine enough for the octave at 100 Hz.
constexpr int kTransformSize = 2048;

struct FftConfig
{
    kiss_fftr_cfg config = nullptr;
    explicit FftConfig(int size) : config(kiss_fftr_alloc(size, 0, nullptr, nullptr)) {}
    ~FftConfig() { kiss_fftr_free(config); }
    FftConfig(const FftConfig&) = delete;
    FftConfig& operator=(const FftConfig&) = delete;
};
} // namespace

Spectrogram computeSpectrogram(const std::vector<float>& samples, double sampleRate, double seconds, int columns,
                               int rows, double lowestHz, double highestHz)
{
    Spectrogram result;
    result.columns = std::max(columns, 1);
    result.rows = std::max(rows, 1);
    result.seconds = seconds;
    result.lowestHz = lowestHz;
    result.highestHz = std::min(highestHz, sampleRate / 2.0);
    result.decibels.assign(static_cast<size_t>(result.columns) * result.rows,
                           -std::numeric_limits<float>::infinity());

    constexpr int n = kTransformSize;
    std::vector<float> window(n);
    for (int i = 0; i < n; ++i)
        window[static_cast<size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n));
    FftConfig fft(n);
    std::vector<float> frame(n);
    std::vector<kiss_fft_cpx> spectrum(n / 2 + 1);
    std::vector<double> power(n / 2 + 1);

    // Each row averages the bins between its edges, or reads the nearest bin
    // where the row is narrower than one.
    const double ratio = result.highestHz / result.lowestHz;
    auto binAt = [&](double hz) { return hz * n / sampleRate; };
    const auto total = static_cast<int64_t>(samples.size());
    double loudest = 0.0;
    std::vector<double> cells(result.decibels.size(), 0.0);
    for (int c = 0; c < result.columns; ++c)
    {
        const double centre = (c + 0.5) * seconds / result.columns * sampleRate;
        const int64_t first = std::llround(centre) - n / 2;
        for (int i = 0; i < n; ++i)
        {
            const int64_t at = first + i;
            frame[static_cast<size_t>(i)] = at >= 0 && at < total ? samples[static_cast<size_t>(at)] * window[static_cast<size_t>(i)] : 0.0f;
        }
        kiss_fftr(fft.config, frame.data(), spectrum.data());
        for (size_t k = 0; k < power.size(); ++k)
            power[k] = static_cast<double>(spectrum[k].r) * spectrum[k].r + static_cast<double>(spectrum[k].i) * spectrum[k].i;
        for (int r = 0; r < result.rows; ++r)
        {
            const double low = binAt(result.lowestHz * std::pow(ratio, static_cast<double>(r) / result.rows));
            const double high = binAt(result.lowestHz * std::pow(ratio, static_cast<double>(r + 1) / result.rows));
            const auto from = static_cast<size_t>(std::ceil(low));
            const auto to = std::min(static_cast<size_t>(std::floor(high)), power.size() - 1);
            double value = 0.0;
            if (from <= to)
            {
                for (size_t k = from; k <= to; ++k)
                    value += power[k];
                value /= static_cast<double>(to - from + 1);
            }
            else
                value = power[std::min(static_cast<size_t>(std::llround((low + high) / 2.0)), power.size() - 1)];
            cells[static_cast<size_t>(r) * result.columns + c] = value;
            loudest = std::max(loudest, value);
        }
    }
    if (loudest > 0.0)
        for (size_t i = 0; i < cells.size(); ++i)
            if (cells[i] > 0.0)
                result.decibels[i] = static_cast<float>(10.0 * std::log10(cells[i] / loudest));
    return result;
}
