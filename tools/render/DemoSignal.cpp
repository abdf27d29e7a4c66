#include "DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
constexpr double kRate = kDemoSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// White noise from a fixed seed, so the demonstration is the same each time.
class Noise
{
public:
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int32_t>(state)) * (1.0f / 2147483648.0f);
    }

private:
    uint32_t state = 0x2545F491u;
};

struct Stereo
{
    std::vector<float>& samples;

    // Adds a mono sound at `start` seconds, panned -1 (left) .. 1 (right)
    // with equal power.
    template <typename Voice> void add(double start, double seconds, float pan, Voice voice)
    {
        const double angle = (pan + 1.0) * std::numbers::pi / 4.0;
        const auto left = static_cast<float>(std::cos(angle));
        const auto right = static_cast<float>(std::sin(angle));
        const auto first = static_cast<size_t>(start * kRate);
        const auto count = static_cast<size_t>(seconds * kRate);
        for (size_t i = 0; i < count && (first + i) * 2 + 1 < samples.size(); ++i)
        {
            const float s = voice(static_cast<double>(i) / kRate);
            samples[(first + i) * 2] += s * left;
            samples[(first + i) * 2 + 1] += s * right;
        }
    }
};

// A kick: a sine falling from 150 Hz to 50 Hz with a fast decay.
auto kick()
{
    double phase = 0.0;
    return [phase](double t) mutable {
        const double frequency = 50.0 + 100.0 * std::exp(-t * 30.0);
        phase += kTwoPi * frequency / kRate;
        return static_cast<float>(std::sin(phase) * std::exp(-t * 9.0));
    };
}

// A snare: a short tone under a noise burst brightened by a first difference.
auto snare(Noise& noise)
{
    float previous = 0.0f;
    return [&noise, previous](double t) mutable {
        const float white = noise.next();
        const float bright = white - 0.6f * previous;
        previous = white;
        const double body = std::sin(kTwoPi * 190.0 * t) * std::exp(-t * 25.0);
        return static_cast<float>(0.5 * body + 0.45 * bright * std::exp(-t * 18.0));
    };
}

// A plucked string: a noise-filled delay line with an averaging loop filter.
auto pluck(Noise& noise, double frequency)
{
    std::vector<float> line(static_cast<size_t>(kRate / frequency));
    for (float& s : line)
        s = noise.next();
    size_t position = 0;
    return [line, position](double) mutable {
        const size_t next = (position + 1) % line.size();
        const float out = line[position];
        line[position] = 0.497f * (line[position] + line[next]);
        position = next;
        return out;
    };
}

// A soft chord of three partial-rich tones with attack and release.
auto chord(double root)
{
    return [root](double t) {
        double sum = 0.0;
        for (double ratio : {1.0, 1.2599, 1.4983})
            for (int harmonic = 1; harmonic <= 4; ++harmonic)
                sum += std::sin(kTwoPi * root * ratio * harmonic * t) / (harmonic * harmonic);
        const double envelope = std::min(t / 0.02, 1.0) * std::exp(-t * 3.0);
        return static_cast<float>(0.25 * sum * envelope);
    };
}
} // namespace

std::vector<float> makeDemoSignal()
{
    std::vector<float> samples(static_cast<size_t>(kDemoSeconds * kRate) * kDemoChannels, 0.0f);
    Stereo out{samples};
    Noise noise;

    out.add(0.00, 0.5, 0.0f, kick());
    out.add(0.50, 0.4, 0.1f, snare(noise));
    out.add(0.75, 0.5, 0.0f, kick());
    // An arpeggio A3, C#4, E4, A4, alternating sides.
    const double notes[] = {220.0, 277.18, 329.63, 440.0};
    for (int i = 0; i < 4; ++i)
        out.add(1.25 + 0.2 * i, 0.8, i % 2 ? 0.5f : -0.5f, pluck(noise, notes[i]));
    out.add(2.30, 0.9, 0.0f, chord(220.0));
    out.add(3.20, 0.3, -0.2f, snare(noise));

    // Leave headroom for the reverb: peak at -6 dBFS.
    float peak = 0.0f;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    if (peak > 0.0f)
        for (float& s : samples)
            s *= 0.5f / peak;
    return samples;
}
