// The spectrogram of an impulse response for pictures: short-time spectra
// (Hann window, kissfft) sampled on a grid of columns (time) and rows
// (frequency on a logarithmic axis), in dB re the loudest cell.
//
// Threads: any; the function keeps no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Spectrogram
{
    int columns = 0;
    int rows = 0;
    double seconds = 0.0;  // the time the columns cover, from the first sample
    double lowestHz = 0.0; // the frequency range the rows cover
    double highestHz = 0.0;
    std::vector<float> decibels; // row-major, row 0 the lowest frequency; -inf where silent
    float at(int column, int row) const { return decibels[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column)]; }
};

// The spectrogram of `samples` over the first `seconds`, from `lowestHz` to
// `highestHz` (at most half the sample rate).
Spectrogram computeSpectrogram(const std::vector<float>& samples, double sampleRate, double seconds, int columns,
                               int rows, double lowestHz, double highestHz);
