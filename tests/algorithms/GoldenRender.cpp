#include "GoldenRender.h"
#include "PortableMath.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr int32_t kTypeFadeSamples = 20000;
constexpr double kPi = 3.14159265358979323846;
} // namespace

void goldenInput(float hostRate, std::vector<float>& left, std::vector<float>& right)
{
    const auto length = static_cast<size_t>(hostRate * 1.5f);
    left.assign(length, 0.0f);
    right.assign(length, 0.0f);
    const auto at = [hostRate](double seconds) { return static_cast<size_t>(seconds * hostRate); };

    left[at(0.0)] = 1.0f;
    right[at(0.05)] = -0.5f;
    uint32_t state = 12345u;
    for (size_t i = at(0.1); i < at(0.2); ++i)
    {
        state = state * 1664525u + 1013904223u;
        const float a = static_cast<float>(state >> 8) * (1.0f / 16777216.0f) * 2.0f - 1.0f;
        state = state * 1664525u + 1013904223u;
        const float b = static_cast<float>(state >> 8) * (1.0f / 16777216.0f) * 2.0f - 1.0f;
        left[i] = 0.5f * a;
        right[i] = 0.5f * b;
    }
    // A sweep from 100 Hz to 5 kHz over 0.3 s; the phase is kept in double
    // and the sine is the engine's portable one, so every platform makes the
    // same floats.
    double phase = 0.0;
    const size_t start = at(0.3);
    const size_t end = at(0.6);
    for (size_t i = start; i < end; ++i)
    {
        const double t = static_cast<double>(i - start) / static_cast<double>(end - start);
        phase += 2.0 * kPi * (100.0 + 4900.0 * t) / static_cast<double>(hostRate);
        const auto s = static_cast<float>(0.25 * portable::sin(phase));
        left[i] = s;
        right[i] = -s;
    }
}

std::vector<float> renderGolden(const GoldenRenderSettings& settings)
{
    PluginModule module;
    TestHost host;
    std::vector<float> output;
    if (!host.load(module))
        return output;
    host.start(settings.hostRate, settings.blockSize);
    host.setParameter(1, (static_cast<float>(settings.type) + 0.5f) / 9.0f);
    for (const auto& [index, value] : settings.parameters)
        host.setParameter(index, value);

    std::vector<float> inL;
    std::vector<float> inR;
    std::vector<float> outL;
    std::vector<float> outR;
    const auto block = static_cast<size_t>(settings.blockSize);
    // Let the type fade run out on silence.
    for (int32_t done = 0; done < kTypeFadeSamples + settings.blockSize; done += settings.blockSize)
    {
        inL.assign(block, 0.0f);
        inR.assign(block, 0.0f);
        host.process(inL, inR, outL, outR);
    }

    std::vector<float> left;
    std::vector<float> right;
    goldenInput(settings.hostRate, left, right);
    output.reserve(left.size() * 2);
    for (size_t offset = 0; offset < left.size(); offset += block)
    {
        const size_t n = std::min(block, left.size() - offset);
        inL.assign(left.begin() + static_cast<std::ptrdiff_t>(offset),
                   left.begin() + static_cast<std::ptrdiff_t>(offset + n));
        inR.assign(right.begin() + static_cast<std::ptrdiff_t>(offset),
                   right.begin() + static_cast<std::ptrdiff_t>(offset + n));
        host.process(inL, inR, outL, outR);
        for (size_t i = 0; i < n; ++i)
        {
            output.push_back(outL[i]);
            output.push_back(outR[i]);
        }
    }
    return output;
}

std::string hashSamples(const std::vector<float>& samples)
{
    uint64_t hash = 14695981039346656037ull;
    for (float sample : samples)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &sample, sizeof(bits));
        for (int byte = 0; byte < 4; ++byte)
        {
            hash ^= (bits >> (8 * byte)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    }
    char text[17] = {};
    std::snprintf(text, sizeof(text), "%016" PRIx64, hash);
    return text;
}
