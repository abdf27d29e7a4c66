// The engine's input and output stages against a plain model of the block
// path written rule by rule: decimation, interpolation, the type fade and its
// switch, the DC blockers, the equal-power mix, the output gain, the meters
// and the activity count. The kernel is a copy of its input on both sides, so
// every output sample must agree exactly.
#include "BlockPathProbe.h"
#include "PortableMath.h"
#include "ReverbEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace
{
// The highpass of the second-order filter table, processed in direct form I
// with the offset that changes sign on every call.
struct ReferenceHighpass
{
    double b0, b1, b2, a1, a2;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    double e = 1e-14;

    ReferenceHighpass(double fs, double f, double q)
    {
        const double w = 2 * 3.141592653589793 * f / fs;
        // The engine's own cosine and sine, as on every platform.
        const double cs = portable::cos(w);
        const double alpha = portable::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        a1 = -2 * cs / a0;
        a2 = (1 - alpha) / a0;
        b0 = (1 + cs) / 2 / a0;
        b1 = -(1 + cs) / a0;
        b2 = (1 + cs) / 2 / a0;
    }

    double step(double x)
    {
        e = -e;
        const double y = b0 * (x + e) + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x + e;
        y2 = y1;
        y1 = y + e;
        return y;
    }
};

class ReferencePath
{
public:
    explicit ReferencePath(float hostRate) : host(hostRate)
    {
        const float f = hostRate < 20000.0f || hostRate > 200000.0f ? 44100.0f : hostRate;
        decimation = f > 100000.0f ? 3 : f > 50000.0f ? 1 : 0;
        activityCount = activityReload = static_cast<int32_t>(f);
        blockers.assign(2, ReferenceHighpass(f, 5.0, 0.5));
        clearResampler();
    }

    float mix = 0.5f;
    float outputGain = 1.0f;
    float wetFade = 0.0f;
    int32_t typeFadeCount = 0;
    int32_t switches = 0;
    int32_t activityCount;
    float peak[2] = {};
    int32_t blockCount = 0;

    bool ran = false; // whether the kernel ran in the last block

    void block(const float* const in[2], float* const out[2], int32_t n)
    {
        // Input stage.
        std::vector<float> dry[2], kernelIn[2];
        for (int32_t i = 0; i < n; ++i)
        {
            const float left = in[0][i];
            const float right = in[1][i];
            if (static_cast<double>(std::fabs(left) + std::fabs(right)) > 1e-6)
                activityCount = activityReload;
            dry[0].push_back(left);
            dry[1].push_back(right);
            if (decimation == 0)
            {
                kernelIn[0].push_back(left);
                kernelIn[1].push_back(right);
                continue;
            }
            history[0][decimatorIndex] = left;
            history[1][decimatorIndex] = right;
            if (decimation == 1)
            {
                decimatorPhase = (decimatorPhase + 1) % 2; // (phase - 1) modulo 2 is (phase + 1) modulo 2
                if (decimatorPhase == 1)
                    for (int c = 0; c < 2; ++c)
                        kernelIn[c].push_back(halfbandDecimation(history[c], decimatorIndex));
            }
            else
            {
                decimatorPhase = (decimatorPhase + 1) % 4;
                if (decimatorPhase == 3)
                    for (int c = 0; c < 2; ++c)
                        kernelIn[c].push_back(quarterDecimation(history[c], decimatorIndex));
            }
            decimatorIndex = (decimatorIndex + 63) % 64;
        }

        // The kernel: a copy of its input, or silence when the engine may not run.
        const int32_t m = n / (decimation + 1);
        EXPECT_EQ(static_cast<int32_t>(kernelIn[0].size()), m);
        std::vector<float> wet[2];
        ran = host <= 200000.0f && activityCount > 0 && (typeFadeCount > 5000 || typeFadeCount == 0);
        for (int c = 0; c < 2; ++c)
        {
            wet[c] = ran ? kernelIn[c] : std::vector<float>(static_cast<size_t>(m), 0.0f);
            wet[c].resize(static_cast<size_t>(n), 0.0f); // reads past the kernel's block find cleared memory
        }

        // Output stage.
        const float wetGain = std::sqrt(mix);
        const auto dryGain = static_cast<float>(std::sqrt(1.0 - mix));
        size_t next = 0;
        for (int32_t i = 0; i < n; ++i)
        {
            float w[2];
            if (decimation == 0)
            {
                w[0] = wet[0][next];
                w[1] = wet[1][next];
                ++next;
            }
            else
            {
                bool writes;
                if (decimation == 1)
                {
                    interpolatorPhase = (interpolatorPhase + 1) % 2; // as (phase - 1) modulo 2
                    writes = interpolatorPhase == 1;
                }
                else
                {
                    interpolatorPhase = (interpolatorPhase + 1) % 4;
                    writes = interpolatorPhase == 0;
                }
                for (int c = 0; c < 2; ++c)
                    stuffed[c][interpolatorIndex] = writes ? wet[c][next] : 0.0f;
                if (writes)
                    ++next;
                for (int c = 0; c < 2; ++c)
                    w[c] = decimation == 1 ? halfbandInterpolation(stuffed[c], interpolatorIndex)
                                           : quarterInterpolation(stuffed[c], interpolatorIndex, interpolatorPhase);
                interpolatorIndex = (interpolatorIndex + 63) % 64;
            }

            if (typeFadeCount != 0)
            {
                wetFade = wetFade - 0.0002f;
                if (wetFade < 0.0f)
                    wetFade = 0.0f;
                --typeFadeCount;
                if (typeFadeCount == 15000 - n)
                {
                    ++switches;
                    wetFade = 0.0f;
                    clearResampler();
                    for (int c = 0; c < 2; ++c)
                        std::fill(wet[c].begin(), wet[c].end(), 0.0f);
                    typeFadeCount = 5000;
                }
            }
            else
            {
                wetFade = wetFade < 1.0f ? wetFade + 0.0002f : 1.0f;
            }

            float result[2];
            for (int c = 0; c < 2; ++c)
            {
                const auto filtered = static_cast<float>(blockers[static_cast<size_t>(c)].step(w[c] * wetFade));
                result[c] = (dry[c][static_cast<size_t>(i)] * dryGain + filtered * wetGain) * outputGain;
                if (std::fabs(result[c]) > peak[c])
                    peak[c] = std::fabs(result[c]);
            }
            if (std::fabs(result[0]) + std::fabs(result[1]) < 1e-6)
                activityCount = activityCount > 0 ? activityCount - 1 : 0;
            else
                activityCount = activityReload;
            out[0][i] = result[0];
            out[1][i] = result[1];
        }
        ++blockCount;
    }

private:
    // h[k]: the sample written k host samples ago.
    static float ago(const float* ring, int32_t index, int32_t k) { return ring[(index + k) % 64]; }

    static float halfbandDecimation(const float* h, int32_t index)
    {
        const double pairs[15] = {0.0018,  0.007,  -0.0025, -0.016,  -0.0012, 0.029,  0.01,  -0.032,
                                  -0.0242, 0.0372, 0.0478,  -0.0408, -0.0962, 0.0428, 0.314};
        float sum = 0.0f;
        for (int32_t k = 0; k < 15; ++k)
            sum = static_cast<float>(sum + (ago(h, index, k) + ago(h, index, 30 - k)) * pairs[k]);
        return static_cast<float>(sum + ago(h, index, 15) * 0.455);
    }

    static float quarterDecimation(const float* h, int32_t index)
    {
        auto g = [h, index](int32_t k) { return ago(h, index, k); };
        return static_cast<float>(0.25 * ((g(3) + g(9)) * 0.183443 + (g(4) + g(8)) * 0.516773 +
                                          (g(5) + g(7)) * 0.855737 + g(6)));
    }

    static float halfbandInterpolation(const float* g, int32_t index)
    {
        const double pairs[8] = {-0.004, 0.0106, -0.0268, 0.0524, -0.0812, 0.1224, -0.2097, 0.6351};
        double sum = 0.0;
        for (int32_t k = 0; k < 8; ++k)
            sum += (ago(g, index, 2 * k) + ago(g, index, 30 - 2 * k)) * pairs[k];
        return static_cast<float>(sum + ago(g, index, 15));
    }

    static float quarterInterpolation(const float* h, int32_t index, int32_t phase)
    {
        auto g = [h, index](int32_t k) { return static_cast<double>(ago(h, index, k)); };
        switch (phase)
        {
        case 0: return static_cast<float>(-0.015 * g(0) - 0.0744 * g(12) + 0.2351 * g(4) + 0.8732 * g(8));
        case 1:
            return static_cast<float>(-0.0531 * (ago(h, index, 1) + ago(h, index, 13)) +
                                      0.5621 * (ago(h, index, 5) + ago(h, index, 9)));
        case 2: return static_cast<float>(-0.015 * g(14) - 0.0744 * g(2) + 0.2351 * g(10) + 0.8732 * g(6));
        default: return ago(h, index, 7);
        }
    }

    void clearResampler()
    {
        for (int c = 0; c < 2; ++c)
            for (int32_t k = 0; k < 64; ++k)
                history[c][k] = stuffed[c][k] = 0.0f;
        decimatorIndex = interpolatorIndex = 63;
        decimatorPhase = interpolatorPhase = 0;
    }

    float host;
    int32_t decimation;
    int32_t activityReload;
    std::vector<ReferenceHighpass> blockers;
    float history[2][64];
    float stuffed[2][64];
    int32_t decimatorIndex, interpolatorIndex, decimatorPhase, interpolatorPhase;
};

// A deterministic stereo signal with a wide dynamic range.
class TestSignal
{
public:
    float next()
    {
        state = state * 1664525u + 1013904223u;
        const float white = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
        ++count;
        return 0.6f * std::sin(0.0137f * static_cast<float>(count)) + 0.3f * white;
    }

private:
    uint32_t state = 12345u;
    int32_t count = 0;
};
} // namespace

TEST(BlockPathReference, StagesMatchAPlainModelSampleForSample)
{
    // Per rate: blocks, a Mix change, a type change with its switch, a
    // second of silence (the engine sleeps) and the wake-up.
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f})
    {
        for (int32_t n : {64, 1000, 4096})
        {
            ReverbEngine engine;
            engine.suspend();
            engine.resume(rate, 256);
            ReferencePath reference(rate);
            engine.mix = reference.mix = 0.3f;
            engine.outputGain = reference.outputGain = 4.0f * 0.65f * 0.65f;

            TestSignal source;
            std::vector<float> inL(static_cast<size_t>(n)), inR(static_cast<size_t>(n));
            std::vector<float> outL(static_cast<size_t>(n)), outR(static_cast<size_t>(n));
            std::vector<float> refL(static_cast<size_t>(n)), refR(static_cast<size_t>(n));
            const int32_t blocks = 560000 / n;
            bool slept = false;
            for (int32_t b = 0; b < blocks; ++b)
            {
                const int32_t t = b * n;
                if (t >= 30000 && t < 30000 + n)
                    engine.mix = reference.mix = 0.85f;
                if (t >= 40000 && t < 40000 + n)
                {
                    engine.pendingType = static_cast<float>(kRoom);
                    engine.startTypeFade();
                    reference.typeFadeCount = 20000;
                }
                const bool silent = t >= 60000 && t < 500000;
                for (int32_t i = 0; i < n; ++i)
                {
                    inL[static_cast<size_t>(i)] = silent ? 0.0f : source.next();
                    inR[static_cast<size_t>(i)] = silent ? 0.0f : source.next();
                }
                const float* in[2] = {inL.data(), inR.data()};
                float* ref[2] = {refL.data(), refR.data()};
                reference.block(in, ref, n);
                BlockPathProbe::block(engine, inL.data(), inR.data(), outL.data(), outR.data(), n, reference.ran);
                ASSERT_EQ(outL, refL) << rate << " n " << n << " block " << b;
                ASSERT_EQ(outR, refR) << rate << " n " << n << " block " << b;
                ASSERT_EQ(engine.activityCount, reference.activityCount) << rate << " n " << n << " block " << b;
                ASSERT_EQ(engine.wetFade, reference.wetFade) << rate << " n " << n << " block " << b;
                ASSERT_EQ(engine.typeFadeCount, reference.typeFadeCount) << rate << " n " << n << " block " << b;
                slept = slept || reference.activityCount == 0;
            }
            EXPECT_EQ(engine.currentType, kRoom);
            EXPECT_EQ(reference.switches, 1);
            EXPECT_EQ(engine.peakL, reference.peak[0]);
            EXPECT_EQ(engine.peakR, reference.peak[1]);
            EXPECT_EQ(engine.blockCount, reference.blockCount);
            // The silence was long enough to sleep, and the signal woke the engine.
            EXPECT_TRUE(slept) << rate << " n " << n;
            EXPECT_GT(engine.activityCount, 0);
        }
    }
}
