// Processing allocates nothing, whatever the block size and rate: every
// operator new while a block runs is counted.
#include "Corvanta.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace
{
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

// The replacements pair malloc with free; GCC cannot see that the two belong together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    if (counting.load())
        allocations.fetch_add(1);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

TEST(NoAllocation, ProcessReplacingAllocatesNothing)
{
    Corvanta effect(silentHostCallback);
    std::vector<float> inL(100000), inR(100000), outL(100000), outR(100000);
    for (size_t i = 0; i < inL.size(); ++i)
        inL[i] = inR[i] = (i % 100 < 50) ? 0.3f : -0.3f;
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};

    const VstInt32 sizes[] = {1, 2, 3, 31, 32, 33, 255, 256, 257, 4095, 4096, 4097, 32768, 65535, 65536, 100000};
    for (float rate : {44100.0f, 96000.0f, 192000.0f})
    {
        effect.suspend();
        effect.setSampleRate(rate);
        effect.resume();
        // A type change on the way, so the switch and the reset run too.
        effect.setParameter(kType, 0.5f);
        allocations = 0;
        counting = true;
        for (VstInt32 n : sizes)
            effect.processReplacing(inputs, outputs, n);
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << rate;
        EXPECT_EQ(effect.getEngine().currentType, kHall) << rate;
    }
}
