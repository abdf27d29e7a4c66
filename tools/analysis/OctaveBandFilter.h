// An octave band-pass of IEC 61260 class 1 shape: a sixth-order Butterworth
// band-pass (the third-order low-pass prototype moved to the band), made
// digital by the bilinear transform with both band edges pre-warped, run as
// three second-order sections in double precision.
//
// Threads: any; an object belongs to one thread.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The octave bands analysed, by centre frequency (base-two, from 1 kHz).
constexpr std::array<double, 7> kOctaveCentres = {125.0, 250.0, 500.0, 1000.0, 2000.0, 4000.0, 8000.0};

class OctaveBandFilter
{
public:
    OctaveBandFilter(double centreHz, double sampleRate);

    // False when the band's upper edge is too close to half the sample rate
    // for the band to be measured.
    bool usable() const { return fitsRate; }
    // The magnitude of the response at a frequency (1 at the centre).
    double magnitudeAt(double hz) const;
    void reset();
    double process(double x)
    {
        for (Section& s : sections)
            x = s.process(x);
        return x * gain;
    }

    // The band-passed signal, filtered from its last sample to its first:
    // run backwards, the filter's own ringing falls before the decay instead
    // of lengthening it, so short decays in low bands stay measurable.
    std::vector<double> filterBackwards(const float* samples, int64_t count);

private:
    // Zeros at z = 1 and z = -1, a pair of conjugate poles; transposed direct form II.
    struct Section
    {
        double a1 = 0.0;
        double a2 = 0.0;
        double s1 = 0.0;
        double s2 = 0.0;
        double process(double x)
        {
            const double y = x + s1;
            s1 = s2 - a1 * y;
            s2 = -x - a2 * y;
            return y;
        }
    };

    std::array<Section, 3> sections;
    double gain = 1.0;
    double rate;
    bool fitsRate = true;
};
