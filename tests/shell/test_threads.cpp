// The loaded plug-in driven from three threads at once, as hosts do: an audio
// thread processing, an automation thread setting parameters, and an editor's
// thread selecting and renaming programs, storing and recalling the memo
// slots and reading the meters. scripts/test also runs this program built
// with the thread sanitizer, which reports any field two threads race on.
#include "CPresetSystemEffect.h"
#include "Parameters.h"
#include "TempDirectory.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace
{
constexpr VstInt32 kBlock = 256;
constexpr auto kRunTime = std::chrono::seconds(2);

uint32_t nextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

float randomValue(uint32_t& state)
{
    return static_cast<float>(nextRandom(state)) * (1.0f / 16777216.0f);
}
} // namespace

TEST(ThreeThreads, AudioAutomationAndEditorWorkTheEffectAtOnce)
{
    const ScopedConfigHome configHome; // the memo slots go here
    PluginModule module;
    TestHost host;
    AEffect* effect = host.load(module);
    ASSERT_NE(effect, nullptr);
    // The preset system's operations, reached as the editor reaches them.
    auto* presets = static_cast<CPresetSystemEffect*>(static_cast<AudioEffect*>(effect->object));
    host.start(44100.0f, kBlock);

    std::atomic<bool> stop{false};
    std::atomic<int32_t> blocks{0}, nonFinite{0}, automated{0}, edits{0}, memoFailures{0}, badTypeTexts{0};

    std::thread audio([&] {
        uint32_t seed = 1u;
        std::vector<float> inL(kBlock), inR(kBlock), outL, outR;
        while (!stop.load())
        {
            for (VstInt32 i = 0; i < kBlock; ++i)
            {
                inL[i] = randomValue(seed) - 0.5f;
                inR[i] = randomValue(seed) - 0.5f;
            }
            host.process(inL, inR, outL, outR);
            for (VstInt32 i = 0; i < kBlock; ++i)
                if (!std::isfinite(outL[i]) || !std::isfinite(outR[i]))
                    ++nonFinite;
            ++blocks;
        }
    });

    std::thread automation([&] {
        // Type (up to just below 1) and PreDely among every other parameter;
        // Power stays on.
        uint32_t seed = 2u;
        const VstInt32 indices[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 0};
        while (!stop.load())
        {
            for (VstInt32 index : indices)
            {
                const float x = index == 0 ? 1.0f : index == 1 && nextRandom(seed) % 4 == 0 ? 0.999f : randomValue(seed);
                host.setParameter(index, x);
                ++automated;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    std::thread editor([&] {
        for (int32_t k = 0; !stop.load(); ++k)
        {
            presets->selectProgram(k % kNumStoredPrograms);
            const std::string name = "Thread " + std::to_string(k);
            presets->renameProgram(name.c_str());
            if (k % 8 == 0)
            {
                memoFailures += presets->storeMemoA() != 0;
                memoFailures += presets->storeMemoB() != 0;
                memoFailures += presets->recallMemoA() != 0;
                memoFailures += presets->recallMemoB() != 0;
            }
            host.dispatch(effEditIdle); // reads and clears the meters
            const std::string type = host.parameterDisplay(1);
            badTypeTexts += type.empty() || type == "-no-alg-";
            host.programName();
            ++edits;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    std::this_thread::sleep_for(kRunTime);
    stop = true;
    audio.join();
    automation.join();
    editor.join();

    EXPECT_GT(blocks.load(), 0);
    EXPECT_GT(automated.load(), 0);
    EXPECT_GT(edits.load(), 0);
    EXPECT_EQ(nonFinite.load(), 0);
    EXPECT_EQ(memoFailures.load(), 0);
    EXPECT_EQ(badTypeTexts.load(), 0);

    // Whatever the threads left, the effect still runs the type it shows: the
    // Plate, fully wet, answers a click once its fade is over.
    for (VstInt32 index = kPreDelay; index <= kOutput; ++index)
        host.setParameter(index, parameterInfo(index).defaultValue);
    host.setParameter(kPower, 1.0f);
    host.setParameter(kMix, 1.0f);
    host.setParameter(kType, 1.0f);
    EXPECT_EQ(host.parameterDisplay(kType), "Plate");
    std::vector<float> inL(kBlock, 0.0f), inR(kBlock, 0.0f), outL, outR;
    for (int32_t b = 0; b < 100; ++b)
        host.process(inL, inR, outL, outR);
    inL[0] = 1.0f;
    float peak = 0.0f;
    for (int32_t b = 0; b < 20; ++b)
    {
        host.process(inL, inR, outL, outR);
        inL[0] = 0.0f;
        for (float x : outL)
            peak = std::max(peak, std::fabs(x));
    }
    EXPECT_GT(peak, 0.001f);
}
